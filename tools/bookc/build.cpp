#include "build.h"

#include "catalog_source.h"

#include "bookfmt/writer.h"

#include <fcntl.h>
#include <unistd.h>

namespace tavrin::bookc {
namespace {

constexpr std::string_view kCatalogWord = "tavrin-catalog";

// Closes the source file however the build ends.
struct SourceFile {
    explicit SourceFile(const std::string& path) : fd(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~SourceFile() {
        if (fd >= 0) close(fd);
    }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;
    int fd;
};

} // namespace

std::optional<bool> IsCatalogSource(std::string_view start, bool complete) {
    size_t from = start.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (!complete && start.size() < 3) return std::nullopt;
    size_t first = start.find_first_not_of(" \t\r\n", from);
    if (first == std::string_view::npos) return complete ? std::optional<bool>(false) : std::nullopt;
    std::string_view head = start.substr(first);
    if (!complete && head.size() < kCatalogWord.size()) return std::nullopt;
    return head.substr(0, kCatalogWord.size()) == kCatalogWord;
}

BuildResult ParseAnySource(std::string_view source, const std::string& fileName) {
    if (*IsCatalogSource(source, true)) return ParseCatalogSource(source, fileName);
    return ParseBookSource(source, fileName);
}

std::string BuildFile(const std::string& sourcePath, const std::string& outputPath,
                      const BuildOptions& options) {
    SourceFile file(sourcePath);
    if (file.fd < 0) return "cannot read " + sourcePath;
    LineReader source(file.fd, options.readBlock);
    std::optional<bool> catalog;
    for (size_t want = 64; !catalog; want *= 2) {
        std::string_view start = source.Head(want);
        catalog = IsCatalogSource(start, start.size() < want);
    }
    if (source.Failed()) return "cannot read " + sourcePath;
    if (!*catalog) return BuildBookFile(source, sourcePath, outputPath, options.writeBuffer);

    std::string text;
    source.ReadAll(&text);
    if (source.Failed()) return "cannot read " + sourcePath;
    BuildResult result = ParseCatalogSource(text, sourcePath);
    if (!result.book) return result.error;
    std::string error;
    if (!book::WriteBookFile(*result.book, outputPath, &error)) return outputPath + ": " + error;
    return {};
}

} // namespace tavrin::bookc
