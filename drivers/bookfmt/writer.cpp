#include "bookfmt/writer.h"

#include "bookfmt/crc32.h"
#include "bookfmt/format.h"
#include "bookfmt/writer_file.h"
#include "bookfmt/writer_index.h"

#include <cstring>
#include <utility>
#include <vector>

namespace tavrin::book {
namespace fmt = format;

std::string CheckModel(const BookModel& book) {
    if (std::string problem = CheckIdentity(book); !problem.empty()) return problem;
    if (book.pages.size() > fmt::kMaxPages) return "too many pages";
    for (size_t p = 0; p < book.pages.size(); ++p)
        if (std::string problem = CheckPage(p, book.pages[p].size()); !problem.empty()) return problem;
    // Texts are addressed by 32-bit offsets into one pool.
    uint64_t pool = IdentityTextBytes(book);
    if (!book.hasContents) return {};

    size_t count = 0;
    std::vector<const ContentsNode*> stack{&book.root};
    while (!stack.empty()) {
        const ContentsNode* node = stack.back();
        stack.pop_back();
        if (++count > fmt::kMaxEntries) return "too many contents entries";
        if (std::string problem = CheckEntryText(node->text); !problem.empty()) return problem;
        pool += node->text.size();
        if (pool > 0xFFFFFFFFu) return "the texts of the book exceed 4 GB";
        if (std::string problem = CheckEntryPage(node->text, node->page, book.pages.size()); !problem.empty())
            return problem;
        for (const ContentsNode& child : node->children)
            stack.push_back(&child);
    }
    return {};
}

ContentsTable FlattenContents(const BookModel& book) {
    ContentsTable table;
    if (!book.hasContents) return table;
    // Iterative, so that a deep tree cannot exhaust the stack.
    std::vector<std::pair<const ContentsNode*, size_t>> open{{&book.root, 0}};
    table.Open(book.root.text, book.root.page);
    while (!open.empty()) {
        auto& [node, next] = open.back();
        if (next == node->children.size()) {
            table.Close();
            open.pop_back();
            continue;
        }
        const ContentsNode* child = &node->children[next++];
        table.Open(child->text, child->page);
        open.emplace_back(child, 0);
    }
    return table;
}

std::optional<Bytes> SerializeBook(const BookModel& book, std::string* error) {
    if (std::string problem = CheckModel(book); !problem.empty()) {
        if (error) *error = problem;
        return std::nullopt;
    }
    ContentsTable contents = FlattenContents(book);
    std::vector<PageRecord> pages;
    pages.reserve(book.pages.size());
    uint64_t pageBytes = 0;
    for (const std::string& page : book.pages) {
        pages.push_back({static_cast<uint32_t>(page.size()), Crc32(0, page.data(), page.size())});
        pageBytes += page.size();
    }
    Bytes out(IndexSize(book, contents, pages.size()));
    out.reserve(out.size() + pageBytes);
    WriteIndex(book, contents, pages, BookFileWriter::kBufferSize, [&out](uint64_t offset, ByteView bytes) {
        std::memcpy(out.data() + offset, bytes.data(), bytes.size());
        return true;
    });
    for (const std::string& page : book.pages)
        PutBytes(out, page);
    return out;
}

bool WriteBookFile(const BookModel& book, const std::string& path, std::string* error) {
    auto fail = [error](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    if (std::string problem = CheckModel(book); !problem.empty()) return fail(problem);
    BookFileWriter writer(path);
    for (const std::string& page : book.pages)
        if (!writer.AddPage(page)) return fail(writer.Error());
    if (!writer.Finish(book, FlattenContents(book))) return fail(writer.Error());
    return true;
}

} // namespace tavrin::book
