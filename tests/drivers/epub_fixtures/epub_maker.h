// EPUB files made by the e-book tests: a container's entries in memory, written with libzip, and
// small EPUB 2 (NCX) and EPUB 3 (navigation document) books to start from.
#pragma once

#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace epubtest {

struct Entry {
    std::string name;
    std::string data;
    bool stored = false; // written without compression
};
using Files = std::vector<Entry>;

inline bool WriteZip(const std::string& path, const Files& files) {
    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) return false;
    for (const Entry& e : files) {
        zip_source_t* source = zip_source_buffer(z, e.data.data(), e.data.size(), 0);
        zip_int64_t index = source ? zip_file_add(z, e.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source) zip_source_free(source);
            zip_discard(z);
            return false;
        }
        zip_set_file_compression(z, static_cast<zip_uint64_t>(index),
                                 e.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    return zip_close(z) == 0;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline Entry* FindEntry(Files& files, const std::string& name) {
    auto it = std::find_if(files.begin(), files.end(), [&](const Entry& e) { return e.name == name; });
    return it == files.end() ? nullptr : &*it;
}
inline void RemoveEntry(Files& files, const std::string& name) {
    std::erase_if(files, [&](const Entry& e) { return e.name == name; });
}

struct BookSpec {
    std::string title = "A Test Book";
    std::string subject; // no dc:subject when empty
    std::string uid = "urn:uuid:0b4a5c1e-0000-4000-8000-000000000001";
    std::string filler; // appended to the first chapter's body
};

// A book known by its title: the identifier is made from the title unless one is given.
inline BookSpec Spec(const std::string& title, const std::string& subject = "", const std::string& uid = "") {
    BookSpec spec;
    spec.title = title;
    spec.subject = subject;
    spec.uid = uid.empty() ? "urn:test:" + title : uid;
    return spec;
}

inline std::string Chapter(const std::string& title, const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">"
           "<head><title>" +
           title + "</title></head><body><h1 id=\"start\">" + title + "</h1>" + body +
           "<p id=\"s1\">Second part.</p></body></html>\n";
}

inline std::string Container(const std::string& packagePath) {
    return "<?xml version=\"1.0\"?>\n<container version=\"1.0\" "
           "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
           "<rootfile full-path=\"" +
           packagePath +
           "\" media-type=\"application/oebps-package+xml\"/>"
           "</rootfiles></container>\n";
}

inline std::string Metadata(const BookSpec& spec) {
    std::string m = "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:identifier id=\"uid\">" +
                    spec.uid + "</dc:identifier><dc:title>" + spec.title +
                    "</dc:title><dc:language>en</dc:language>";
    if (!spec.subject.empty())
        m += "<dc:subject>" + spec.subject + "</dc:subject><dc:subject>Second</dc:subject>";
    return m + "</metadata>";
}

// EPUB 3: pages text/ch1.xhtml, text/ch2.xhtml, "text/chapter three.xhtml"; a navigation document in
// OEBPS/nav/ that links with "../", "./", fragments and escapes:
//   One -> page 0; Two -> page 1 (with the children "Two, first half" -> page 1 by fragment and
//   "Two, second half" -> page 1 by fragment); Three -> page 2.
inline Files Epub3(const BookSpec& spec = {}) {
    Files f;
    f.push_back({"mimetype", "application/epub+zip", true});
    f.push_back({"META-INF/container.xml", Container("OEBPS/content.opf")});
    f.push_back(
        {"OEBPS/content.opf",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" "
         "version=\"3.0\" unique-identifier=\"uid\">" +
             Metadata(spec) +
             "<manifest><item id=\"nav\" href=\"nav/nav.xhtml\" media-type=\"application/xhtml+xml\" "
             "properties=\"nav\"/><item id=\"c1\" href=\"text/ch1.xhtml\" "
             "media-type=\"application/xhtml+xml\"/>"
             "<item id=\"c2\" href=\"./text/ch2.xhtml\" media-type=\"application/xhtml+xml\"/>"
             "<item id=\"c3\" href=\"text/chapter%20three.xhtml\" media-type=\"application/xhtml+xml\"/>"
             "</manifest><spine><itemref idref=\"c1\"/><itemref idref=\"c2\"/><itemref idref=\"c3\"/>"
             "</spine></package>\n"});
    f.push_back(
        {"OEBPS/nav/nav.xhtml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" "
         "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>Contents</title></head><body>"
         "<nav epub:type=\"landmarks\"><ol><li><a href=\"../text/ch2.xhtml\">Landmark</a></li></ol></nav>"
         "<nav epub:type=\"toc\"><h1>Contents</h1><ol>"
         "<li><a href=\"../text/ch1.xhtml\">One</a></li>"
         "<li><a href=\"../text/./ch2.xhtml#start\">Two</a><ol>"
         "<li><a href=\"../text/ch2.xhtml#start\">Two, first half</a></li>"
         "<li><a href=\"../text/ch2.xhtml#s1\">Two, <em>second</em> half</a></li></ol></li>"
         "<li><a href=\"../text/chapter%20three.xhtml\">Three</a></li>"
         "</ol></nav></body></html>\n"});
    f.push_back({"OEBPS/text/ch1.xhtml", Chapter("One", "<p>The first page.</p>" + spec.filler)});
    f.push_back({"OEBPS/text/ch2.xhtml", Chapter("Two", "<p>The second page.</p>")});
    f.push_back({"OEBPS/text/chapter three.xhtml", Chapter("Three", "<p>The third page.</p>")});
    return f;
}

// EPUB 2 with an NCX: pages a.xhtml, b.xhtml in the package's own folder "book/"; the NCX lives in
// "book/toc/" and nests "Part B" -> "B.1" (b.xhtml#s1).
inline Files Epub2(const BookSpec& spec = {}) {
    Files f;
    f.push_back({"mimetype", "application/epub+zip", true});
    f.push_back({"META-INF/container.xml", Container("book/package.opf")});
    f.push_back(
        {"book/package.opf",
         "<?xml version=\"1.0\"?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"2.0\" "
         "unique-identifier=\"uid\">" +
             Metadata(spec) +
             "<manifest><item id=\"ncx\" href=\"toc/toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>"
             "<item id=\"a\" href=\"a.xhtml\" media-type=\"application/xhtml+xml\"/>"
             "<item id=\"b\" href=\"b.xhtml\" media-type=\"application/xhtml+xml\"/></manifest>"
             "<spine toc=\"ncx\"><itemref idref=\"a\"/><itemref idref=\"b\"/></spine></package>\n"});
    f.push_back(
        {"book/toc/toc.ncx",
         "<?xml version=\"1.0\"?>\n<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">"
         "<head/><docTitle><text>T</text></docTitle><navMap>"
         "<navPoint id=\"p1\" playOrder=\"1\"><navLabel><text>Part A</text></navLabel>"
         "<content src=\"../a.xhtml\"/></navPoint>"
         "<navPoint id=\"p2\" playOrder=\"2\"><navLabel><text>Part B</text></navLabel>"
         "<content src=\"../b.xhtml\"/><navPoint id=\"p3\" playOrder=\"3\"><navLabel><text>B.1</text>"
         "</navLabel><content src=\"../b.xhtml#s1\"/></navPoint></navPoint></navMap></ncx>\n"});
    f.push_back({"book/a.xhtml", Chapter("A", "<p>Page A." + spec.filler + "</p>")});
    f.push_back({"book/b.xhtml", Chapter("B", "<p>Page B.</p>")});
    return f;
}

// Offsets of the size fields of an entry's local and central headers in a zip file, for tests that
// make an entry lie about its size. Returns false when the entry is not found.
inline bool PatchDeclaredSize(std::string& zipBytes, const std::string& name, uint32_t size) {
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            zipBytes[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto get16 = [&](size_t at) {
        return static_cast<size_t>(static_cast<unsigned char>(zipBytes[at])) |
               static_cast<size_t>(static_cast<unsigned char>(zipBytes[at + 1])) << 8;
    };
    bool found = false;
    for (size_t at = 0; at + 46 <= zipBytes.size(); ++at) {
        if (zipBytes.compare(at, 4, "PK\x03\x04") == 0 && at + 30 <= zipBytes.size() &&
            zipBytes.compare(at + 30, name.size(), name) == 0 && get16(at + 26) == name.size()) {
            put32(at + 22, size);
            found = true;
        }
        if (zipBytes.compare(at, 4, "PK\x01\x02") == 0 && zipBytes.compare(at + 46, name.size(), name) == 0 &&
            get16(at + 28) == name.size()) {
            put32(at + 24, size);
            found = true;
        }
    }
    return found;
}

} // namespace epubtest
