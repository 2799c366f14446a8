// Build step: turns the string table sources (UTF-8 text, one "id<TAB>text" line per entry) into a
// C++ source file holding each table's bytes in its own code page.
//
//   gen_strings OUTPUT.cpp LANGID CHARSET SOURCE [LANGID CHARSET SOURCE ...]
//
// LANGID is a number (0x0409), CHARSET an iconv name (WINDOWS-1252, BIG5, GBK). In a text, "\xHH" is a
// raw byte of the target code page and "\\" a backslash; everything else is converted from UTF-8.
// Lines that are empty or start with '#' are skipped. Any error (a text that does not convert, a bad
// line, an id given twice) fails the build with the file and line.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iconv.h>
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

std::string Convert(const std::string& utf8, const std::string& charset) {
    if (utf8.empty()) return {};
    iconv_t cd = iconv_open(charset.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert to " + charset);
    std::string in = utf8;
    std::string out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    int err = errno;
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0)
        throw std::runtime_error("text does not convert to " + charset + " (" + std::to_string(err) + ")");
    out.resize(out.size() - outLeft);
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Converts the literal runs of `text` and inserts the escaped bytes as they are.
std::string Encode(const std::string& text, const std::string& charset) {
    std::string out, run;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            run += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            run += '\\';
            ++i;
        } else if (i + 3 < text.size() && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 &&
                   HexDigit(text[i + 3]) >= 0) {
            out += Convert(run, charset);
            run.clear();
            out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            throw std::runtime_error("unknown escape");
        }
    }
    out += Convert(run, charset);
    return out;
}

Table ReadTable(unsigned langId, const std::string& charset, const std::string& path) {
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
            table.strings[static_cast<unsigned>(id)] = Encode(line.substr(tab + 1), charset);
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
        std::cerr << "usage: gen_strings OUTPUT.cpp LANGID CHARSET SOURCE [LANGID CHARSET SOURCE ...]\n";
        return 2;
    }
    try {
        std::vector<Table> tables;
        for (int i = 2; i + 2 < argc; i += 3)
            tables.push_back(ReadTable(static_cast<unsigned>(std::strtoul(argv[i], nullptr, 0)), argv[i + 1],
                                       argv[i + 2]));
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
