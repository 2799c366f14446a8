// Makes seed inputs for fuzz targets whose input starts with a few bytes of parameters: writes, for
// every FILE, OUT_FOLDER/<name> holding the parameter bytes (given in hexadecimal) and then the file.
//   seed-prefix HEXBYTES OUT_FOLDER FILE...
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: seed-prefix HEXBYTES OUT_FOLDER FILE...\n", stderr);
        return 2;
    }
    std::string hex = argv[1], prefix;
    if (hex.size() % 2 != 0) {
        std::fprintf(stderr, "seed-prefix: odd number of hex digits in %s\n", argv[1]);
        return 2;
    }
    for (size_t i = 0; i < hex.size(); i += 2)
        prefix += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder);
    for (int i = 3; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "seed-prefix: cannot read %s\n", argv[i]);
            return 1;
        }
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::filesystem::path name = std::filesystem::path(argv[i]).filename();
        std::ofstream out(folder / (hex + "-" + name.string()), std::ios::binary);
        out << prefix << bytes;
        if (!out) {
            std::fprintf(stderr, "seed-prefix: cannot write into %s\n", folder.c_str());
            return 1;
        }
    }
    return 0;
}
