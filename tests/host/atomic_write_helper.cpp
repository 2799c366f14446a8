// The child of the kill test of the host's atomic file writer.
//   atomic_write_helper write FILE FIRST   replaces FILE with stream FIRST, FIRST+1, ... until killed,
//                                          printing each stream's number once it was written whole
//   atomic_write_helper check FILE         prints "whole N" and exits 0 when FILE is stream N whole,
//                                          else says what is wrong and exits 1
// Stream N is a line "stream N" and then bytes that depend on N, of a length that depends on N, written
// in small pieces so that a kill can land between any two of them.
#include "atomic_file.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string Stream(unsigned long n) {
    std::string text = "stream " + std::to_string(n) + "\n";
    const size_t size = 2000 + (n * 7919) % 60000;
    for (size_t i = 0; i < size; ++i)
        text.push_back(static_cast<char>((n * 31 + i * 17 + i / 251) & 0xff));
    return text;
}

bool WriteInPieces(HANDLE file, const std::string& text, std::string* error) {
    for (size_t at = 0; at < text.size(); at += 1024) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(1024, text.size() - at));
        DWORD written = 0;
        if (!WriteFile(file, text.data() + at, piece, &written, nullptr) || written != piece) {
            *error = tavrin::host::LastErrorText();
            return false;
        }
    }
    return true;
}

int Write(const char* path, unsigned long first) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    for (unsigned long n = first;; ++n) {
        const std::string text = Stream(n);
        std::string error;
        auto write = [&text](HANDLE file, std::string* why) { return WriteInPieces(file, text, why); };
        if (!tavrin::host::WriteFileAtomically(path, write, &error)) {
            std::fprintf(stderr, "atomic_write_helper: %s\n", error.c_str());
            return 1;
        }
        std::printf("%lu\n", n);
    }
}

int Check(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::printf("cannot open %s\n", path);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unsigned long n = 0;
    if (std::sscanf(text.c_str(), "stream %lu", &n) != 1) {
        std::printf("torn: no stream line in %zu bytes\n", text.size());
        return 1;
    }
    if (text != Stream(n)) {
        std::printf("torn: stream %lu has %zu bytes, %zu wanted, or other bytes\n", n, text.size(),
                    Stream(n).size());
        return 1;
    }
    std::printf("whole %lu\n", n);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && argc == 4) return Write(argv[2], std::stoul(argv[3]));
    if (mode == "check" && argc == 3) return Check(argv[2]);
    std::fprintf(stderr, "usage: atomic_write_helper write FILE FIRST | check FILE\n");
    return 2;
}
