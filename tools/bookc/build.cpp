#include "build.h"

#include "catalog_source.h"

#include "bookfmt/writer.h"

#include <fstream>
#include <sstream>

namespace tavrin::bookc {

BuildResult ParseAnySource(std::string_view source, const std::string& fileName) {
    size_t start = source.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    size_t first = source.find_first_not_of(" \t\r\n", start);
    std::string_view head = first == std::string_view::npos ? std::string_view() : source.substr(first);
    if (head.substr(0, 14) == "tavrin-catalog") return ParseCatalogSource(source, fileName);
    return ParseBookSource(source, fileName);
}

std::string BuildFile(const std::string& sourcePath, const std::string& outputPath) {
    std::ifstream in(sourcePath, std::ios::binary);
    if (!in) return "cannot read " + sourcePath;
    std::ostringstream text;
    text << in.rdbuf();
    BuildResult result = ParseAnySource(text.str(), sourcePath);
    if (!result.book) return result.error;
    std::string error;
    if (!book::WriteBookFile(*result.book, outputPath, &error)) return outputPath + ": " + error;
    return {};
}

} // namespace tavrin::bookc
