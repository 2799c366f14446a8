#include "dump.h"

#include "codepage.h"

#include "bookfmt/markup.h"
#include "bookfmt/reader.h"
#include "bookfmt/settings.h"

#include <filesystem>
#include <fstream>
#include <string_view>

namespace tavrin::bookc {
namespace {

namespace markup = book::markup;
using book::Reader;

std::string Hex(unsigned v, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*x", width, v);
    return text;
}

// Quotes a text of the book for showing, escaping quotes and backslashes.
std::string Quoted(const CodePage& cp, std::string_view bytes) {
    std::string shown = cp.Decode(bytes), out = "\"";
    for (size_t i = 0; i < shown.size(); ++i) {
        char c = shown[i];
        bool escape = c == '\\' && !(i + 1 < shown.size() && shown[i + 1] == 'x');
        if (c == '"' || escape) out += '\\';
        out += c;
    }
    return out + "\"";
}

// The page in the notation of book sources: text, line breaks as new lines, other sequences as
// {ctl ...} and {object ...}.
std::string Render(const CodePage& cp, book::ByteView page) {
    std::string out, run;
    auto flush = [&] {
        std::string shown = cp.Decode(run);
        for (char c : shown)
            out += (c == '{' || c == '}') ? std::string("\\") + c : std::string(1, c);
        run.clear();
    };
    size_t end = page.size();
    if (end > 0 && page[end - 1] == 0) --end; // the closing zero byte the builder adds
    size_t pos = 0;
    while (pos < end) {
        uint8_t b = page[pos];
        if (b != markup::kEscape) {
            size_t step = (b >= 0x81 && b <= 0xFE && pos + 1 < end) ? 2 : 1;
            run.append(reinterpret_cast<const char*>(page.data()) + pos, step);
            pos += step;
            continue;
        }
        flush();
        std::optional<size_t> length = markup::SequenceLength(page.subspan(0, end), pos);
        if (!length) {
            out += "{bad";
            for (size_t i = pos; i < end; ++i)
                out += " " + Hex(page[i], 2);
            out += "}";
            break;
        }
        uint8_t code = page[pos + 1];
        if (code == markup::kLineBreak) {
            out += "\n";
        } else if (code == markup::kObject) {
            std::string_view attributes(reinterpret_cast<const char*>(page.data()) + pos + 3, *length - 5);
            out += "{object";
            if (attributes.substr(0, 6) == "image=") {
                size_t space = attributes.find(' ');
                out += " image=" + Quoted(cp, attributes.substr(6, space - 6));
                attributes.remove_prefix(space == std::string_view::npos ? attributes.size() : space + 1);
            }
            if (attributes.substr(0, 5) == "text=") out += " text=" + Quoted(cp, attributes.substr(5));
            out += "}";
        } else {
            out += "{ctl " + Hex(code, 2);
            for (size_t i = pos + 2; i < pos + *length; ++i)
                out += " " + Hex(page[i], 2);
            out += "}";
        }
        pos += *length;
    }
    flush();
    return out;
}

std::string ClassText(uint16_t c) {
    if (c == book::kClassEbook) return Hex(c, 4) + " (e-book)";
    if (c == book::kClassBook) return Hex(c, 4) + " (book)";
    return Hex(c, 4) + " (dictionary)";
}

std::string CapsText(uint16_t caps) {
    std::string out = Hex(caps, 4);
    std::string names;
    if (caps & book::kCapContents) names += " contents";
    if (caps & book::kCapHideContentsPage) names += " hide-contents-page";
    if (caps & book::kCapSharedHtml) names += " shared-html";
    return names.empty() ? out : out + " (" + names.substr(1) + ")";
}

} // namespace

int DumpBook(const std::string& path, bool indexOnly, std::FILE* out, std::FILE* err) {
    book::OpenResult opened = Reader::Open(path);
    if (!opened) {
        std::fprintf(err, "tavrin-bookc: %s\n", opened.error.c_str());
        return 1;
    }
    const Reader& r = *opened.reader;
    std::string error;
    std::unique_ptr<CodePage> cp = CodePage::Open(r.CodePage(), &error);
    if (!cp) cp = CodePage::Open(0, nullptr);

    std::fprintf(out, "%s: format 1.%u, %s\n", path.c_str(), r.VersionMinor(),
                 r.Kind() == book::BookKind::ShelfCatalog ? "shelf catalog" : "book");
    std::fprintf(out, "  serial %s%s\n", Hex(r.Serial(), 8).c_str(),
                 r.Number() ? (", number " + Quoted(*cp, *r.Number())).c_str() : "");
    std::fprintf(out, "  class %s, caps %s, code page %u\n", ClassText(r.BookClass()).c_str(),
                 CapsText(r.Caps()).c_str(), r.CodePage());
    if (auto dict = r.Dict())
        std::fprintf(out, "  dictionary id %s (class %u, high %s, low %s)\n",
                     Hex((dict->classNo & 0xFFu) << 16 | dict->idHigh << 8 | dict->idLow, 8).c_str(),
                     dict->classNo & 0xFFu, Hex(dict->idHigh, 2).c_str(), Hex(dict->idLow, 2).c_str());
    for (size_t i = 0; i < r.NameCount(); ++i) {
        book::LocaleName name = r.NameAt(i);
        std::fprintf(out, "  name %d %s\n", name.locale, Quoted(*cp, name.text).c_str());
    }

    std::fprintf(out, "contents: %u entries\n", r.EntryCount());
    if (r.EntryCount() > 0) {
        std::vector<std::pair<uint32_t, int>> stack{{0, 0}};
        while (!stack.empty()) {
            auto [entry, depth] = stack.back();
            stack.pop_back();
            std::string line(static_cast<size_t>(depth) * 2 + 2, ' ');
            if (entry == 0) line += "(root)" + std::string(r.EntryText(0).empty() ? "" : " ");
            if (entry != 0 || !r.EntryText(0).empty()) line += Quoted(*cp, r.EntryText(entry));
            if (r.EntryPage(entry) >= 0) line += " -> page " + std::to_string(r.EntryPage(entry));
            std::fprintf(out, "%s\n", line.c_str());
            std::vector<uint32_t> children;
            for (uint32_t c = r.FirstChild(entry); c != Reader::kNone; c = r.NextSibling(c))
                children.push_back(c);
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                stack.emplace_back(*it, depth + 1);
        }
    }
    std::fprintf(out, "pages: %u\n", r.PageCount());
    if (indexOnly) return 0;
    int status = 0;
    for (uint32_t p = 0; p < r.PageCount(); ++p) {
        auto bytes = r.ReadPage(p, &error);
        if (!bytes) {
            std::fprintf(err, "tavrin-bookc: %s\n", error.c_str());
            status = 1;
            continue;
        }
        uint32_t holder = r.PageEntry(p);
        std::fprintf(out, "page %u (%u bytes%s):\n", p, r.PageLength(p),
                     holder == Reader::kNone ? ""
                                             : (", under entry " + Quoted(*cp, r.EntryText(holder))).c_str());
        book::ByteView view(*bytes);
        if (r.Kind() == book::BookKind::ShelfCatalog && view.size() > book::settings::kTextStart)
            view = view.subspan(book::settings::kTextStart);
        std::fprintf(out, "%s\n", Render(*cp, view).c_str());
    }
    return status;
}

int CheckBook(const std::string& path, std::FILE* out, std::FILE* err) {
    book::OpenResult opened = Reader::Open(path);
    if (!opened) {
        std::fprintf(err, "tavrin-bookc: %s\n", opened.error.c_str());
        return 1;
    }
    const Reader& r = *opened.reader;
    int problems = 0;
    std::string error;
    for (uint32_t p = 0; p < r.PageCount(); ++p) {
        auto bytes = r.ReadPage(p, &error);
        if (!bytes) {
            std::fprintf(err, "tavrin-bookc: %s: %s\n", path.c_str(), error.c_str());
            ++problems;
            continue;
        }
        if (r.Kind() == book::BookKind::ShelfCatalog) {
            if (book::settings::ParsePage(*bytes).empty()) {
                std::fprintf(err, "tavrin-bookc: %s: page %u holds no settings text\n", path.c_str(), p);
                ++problems;
            }
            continue;
        }
        book::ByteView view(*bytes);
        if (!view.empty() && view.back() == 0) view = view.first(view.size() - 1);
        if (auto problem = markup::CheckPage(view)) {
            std::fprintf(err, "tavrin-bookc: %s: page %u, byte %zu: %s\n", path.c_str(), p, problem->offset,
                         problem->message.c_str());
            ++problems;
        }
    }
    if (problems) return 1;
    std::fprintf(out, "%s: ok, %u contents entries, %u pages\n", path.c_str(), r.EntryCount(), r.PageCount());
    return 0;
}

int ExtractPages(const std::string& path, const std::string& folder, std::FILE* err) {
    book::OpenResult opened = Reader::Open(path);
    if (!opened) {
        std::fprintf(err, "tavrin-bookc: %s\n", opened.error.c_str());
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::string error;
    for (uint32_t p = 0; p < opened.reader->PageCount(); ++p) {
        auto bytes = opened.reader->ReadPage(p, &error);
        if (!bytes) {
            std::fprintf(err, "tavrin-bookc: %s\n", error.c_str());
            return 1;
        }
        char name[32];
        std::snprintf(name, sizeof name, "page-%06u.bin", p);
        std::ofstream file(std::filesystem::path(folder) / name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
        if (!file) {
            std::fprintf(err, "tavrin-bookc: cannot write %s/%s\n", folder.c_str(), name);
            return 1;
        }
    }
    return 0;
}

} // namespace tavrin::bookc
