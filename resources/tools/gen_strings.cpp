// Build step: turns the string table sources (UTF-8 text, one "id<TAB>text" line per entry) into a
// C++ source file holding each table's bytes in its own code page.
//
//   gen_strings OUTPUT.cpp LANGID CODEPAGE SOURCE [LANGID CODEPAGE SOURCE ...]
//
// LANGID is a number (0x0409), CODEPAGE a code page number (1252, 950, 936), converted to by the
// shelf's one conversion rule (codepage/code_page.h). In a text, "\xHH" is a raw byte of the target code
// page and "\\" a backslash; everything else is converted from UTF-8. Lines that are empty or start
// with '#' are skipped. Any error (a text that is not well-formed UTF-8 or holds a character the code
// page lacks, a bad line, an id given twice) fails the build with the file, line and column.
#include "codepage/code_page.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Table {
    unsigned langId = 0;
    std::map<unsigned, std::string> strings;
};

// The UTF-8 `utf8`, which starts at byte `column` (from 1) of its text, in `codePage`.
std::string Convert(const std::string& utf8, unsigned codePage, size_t column) {
    namespace cp = tavrin::codepage;
    cp::Report report;
    std::string out = cp::FromUtf8(utf8, codePage, &report);
    if (report.rejected)
        throw std::runtime_error("column " + std::to_string(column + report.firstRejected) +
                                 ": the text is not well-formed UTF-8");
    if (report.missing) {
        const size_t at = report.firstMissing;
        throw std::runtime_error("column " + std::to_string(column + at) + ": \"" +
                                 utf8.substr(at, cp::DecodeUtf8(std::string_view(utf8).substr(at))) +
                                 "\" cannot be written in code page " + std::to_string(codePage));
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Converts the literal runs of `text` (which starts at byte `column` of its line) and inserts the
// escaped bytes as they are.
std::string Encode(const std::string& text, unsigned codePage, size_t column) {
    std::string out, run;
    size_t runStart = 0;
    auto flush = [&](size_t next) {
        out += Convert(run, codePage, column + runStart);
        run.clear();
        runStart = next;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            run += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            flush(i + 2); // each run is a piece of the line as written, so that columns stay right
            out += '\\';
            ++i;
        } else if (i + 3 < text.size() && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 &&
                   HexDigit(text[i + 3]) >= 0) {
            flush(i + 4);
            out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            throw std::runtime_error("column " + std::to_string(column + i) + ": unknown escape");
        }
    }
    flush(text.size());
    return out;
}

Table ReadTable(unsigned langId, unsigned codePage, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot open");
    Table table;
    table.langId = langId;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::string where = path + ":" + std::to_string(lineNo) + ": ";
        size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0) throw std::runtime_error(where + "expected id<TAB>text");
        char* end = nullptr;
        unsigned long id = std::strtoul(line.c_str(), &end, 10);
        if (end != line.c_str() + tab || id == 0 || id > 65535) throw std::runtime_error(where + "bad id");
        if (table.strings.count(static_cast<unsigned>(id)))
            throw std::runtime_error(where + "id " + std::to_string(id) + " given twice");
        try {
            table.strings[static_cast<unsigned>(id)] = Encode(line.substr(tab + 1), codePage, tab + 2);
        } catch (const std::exception& e) {
            throw std::runtime_error(where + e.what());
        }
    }
    return table;
}

// A C++ string literal for arbitrary bytes: printable ASCII as is, everything else as three-digit
// octal escapes (which cannot run into the next character).
std::string Literal(const std::string& bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\' || c == '?') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        }
    }
    return out + "\"";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5 || (argc - 2) % 3 != 0) {
        std::cerr << "usage: gen_strings OUTPUT.cpp LANGID CODEPAGE SOURCE [LANGID CODEPAGE SOURCE ...]\n";
        return 2;
    }
    try {
        std::vector<Table> tables;
        for (int i = 2; i + 2 < argc; i += 3) {
            char* end = nullptr;
            const unsigned long codePage = std::strtoul(argv[i + 1], &end, 10);
            if (*end != '\0' || codePage == 0 || !tavrin::codepage::IsKnown(static_cast<unsigned>(codePage)))
                throw std::runtime_error(std::string("unknown code page ") + argv[i + 1]);
            tables.push_back(ReadTable(static_cast<unsigned>(std::strtoul(argv[i], nullptr, 0)),
                                       static_cast<unsigned>(codePage), argv[i + 2]));
        }
        std::ostringstream os;
        os << "// Generated by resources/tools/gen_strings from resources/strings/*.txt. Do not edit.\n"
           << "#include \"string_tables.h\"\n\n"
           << "namespace tavrin::detail {\n\n"
           << "const StringTableEntry kStringTableEntries[] = {\n";
        size_t count = 0;
        for (const Table& t : tables) {
            for (const auto& [id, bytes] : t.strings) {
                char lang[16];
                std::snprintf(lang, sizeof lang, "0x%04X", t.langId);
                os << "    {" << lang << ", " << id << ", " << Literal(bytes) << ", " << bytes.size()
                   << "},\n";
                ++count;
            }
        }
        os << "};\n\nconst size_t kStringTableEntryCount = " << count
           << ";\n\n} // namespace tavrin::detail\n";
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out << os.str();
        if (!out) throw std::runtime_error(std::string(argv[1]) + ": cannot write");
    } catch (const std::exception& e) {
        std::cerr << "gen_strings: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
