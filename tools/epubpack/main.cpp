// tavrin-epubpack <source folder> <output.epub>
//
// Packs the files below the source folder into an EPUB container: first the entry "mimetype", stored
// uncompressed (the folder's own "mimetype" file, or "application/epub+zip"), then every other file in
// name order, compressed. Files and folders whose names start with "." are left out.
#include "tavrin/version.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Member {
    std::string name; // inside the container, "/"-separated
    std::string bytes;
};

std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Hidden(const fs::path& relative) {
    for (const fs::path& part : relative)
        if (!part.empty() && part.string()[0] == '.') return true;
    return false;
}

bool Collect(const fs::path& root, std::string* mimetype, std::vector<Member>* members) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        fs::path relative = fs::relative(it->path(), root);
        if (Hidden(relative)) continue;
        auto bytes = ReadFile(it->path());
        if (!bytes) {
            std::fprintf(stderr, "tavrin-epubpack: cannot read %s\n", it->path().c_str());
            return false;
        }
        std::string name = relative.generic_string();
        if (name == "mimetype") {
            *mimetype = *bytes;
            while (!mimetype->empty() && (mimetype->back() == '\n' || mimetype->back() == '\r'))
                mimetype->pop_back();
        } else {
            members->push_back({name, std::move(*bytes)});
        }
    }
    if (ec) {
        std::fprintf(stderr, "tavrin-epubpack: %s: %s\n", root.c_str(), ec.message().c_str());
        return false;
    }
    std::sort(members->begin(), members->end(),
              [](const Member& a, const Member& b) { return a.name < b.name; });
    return true;
}

bool AddMember(zip_t* z, const std::string& name, const std::string& bytes, bool compress) {
    zip_source_t* source = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
    zip_int64_t index = source ? zip_file_add(z, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
        if (source) zip_source_free(source);
        std::fprintf(stderr, "tavrin-epubpack: cannot add %s: %s\n", name.c_str(), zip_strerror(z));
        return false;
    }
    zip_set_file_compression(z, static_cast<zip_uint64_t>(index), compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                             9);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("tavrin-epubpack %s\n", TAVRIN_VERSION_STRING);
        return 0;
    }
    if (argc != 3) {
        std::fprintf(
            stderr,
            "usage: tavrin-epubpack <source folder> <output.epub>\n       tavrin-epubpack --version\n");
        return 2;
    }
    std::string mimetype = "application/epub+zip";
    std::vector<Member> members;
    if (!Collect(argv[1], &mimetype, &members)) return 1;
    if (members.empty()) {
        std::fprintf(stderr, "tavrin-epubpack: %s holds no files\n", argv[1]);
        return 1;
    }
    std::error_code ec;
    fs::path output(argv[2]);
    if (output.has_parent_path()) fs::create_directories(output.parent_path(), ec);
    int code = 0;
    zip_t* z = zip_open(argv[2], ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) {
        std::fprintf(stderr, "tavrin-epubpack: cannot create %s\n", argv[2]);
        return 1;
    }
    bool ok = AddMember(z, "mimetype", mimetype, false);
    for (const Member& m : members)
        ok = ok && AddMember(z, m.name, m.bytes, true);
    if (!ok) {
        zip_discard(z);
        return 1;
    }
    if (zip_close(z) != 0) {
        std::fprintf(stderr, "tavrin-epubpack: cannot write %s: %s\n", argv[2], zip_strerror(z));
        zip_discard(z);
        return 1;
    }
    return 0;
}
