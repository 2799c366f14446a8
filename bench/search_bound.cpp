// What one pass over a book's bytes costs a search at best, and where it goes: the file mapped, then
// read in pieces of 64 KB, each only checksummed, only looked at with the search's quick look, copied
// with its checksum worked out (as the book driver serves pages), the same and then looked at while the
// copy is in the cache, or checksummed and looked at where it lies, without a copy; on one thread, and
// split in halves over two. A search that checked and looked at every page in one pass, over both
// cores, could not be faster than the fourth kind, nor one that made no copy than the fifth; and the
// search's own thread, which copies and checks every page through the driver, not faster than the
// third on one thread.
//
//   bench_search_bound FILE TEXT [ROUNDS]
//
// Prints the best wall time of ROUNDS (default 5) passes of each kind. The whole file is read, index
// and all; the checksums are worked out but not compared, and the quick look's answers are counted.
#include "bookfmt/crc32.h"
#include "navigation/page_prefilter.h"
#include "navigation/search_bytes.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kPiece = 64 * 1024;

struct Pass {
    const unsigned char* bytes;
    size_t size;
    const tavrin::search::PagePrefilter& filter;
    bool look;
    bool copy = true;
    bool check = true;

    // The pieces from `from` to `to`: how many the quick look let through, and the checksums folded
    // together so that the work cannot be left out.
    std::pair<size_t, uint32_t> Run(size_t from, size_t to) const {
        std::vector<unsigned char> piece(kPiece + 1);
        size_t passed = 0;
        uint32_t crcs = 0;
        for (size_t at = from; at < to; at += kPiece) {
            const size_t n = std::min(kPiece, to - at);
            const unsigned char* looked = piece.data();
            if (copy) {
                crcs ^= tavrin::book::Crc32Copy(0, piece.data(), bytes + at, n);
            } else {
                if (check) crcs ^= tavrin::book::Crc32(0, bytes + at, n);
                looked = bytes + at;
            }
            if (look) passed += filter.MayHold(looked, n) ? 1 : 0;
        }
        return {passed, crcs};
    }

    // Best wall time in milliseconds of `rounds` passes over the whole file split over `threads`.
    double Best(unsigned threads, int rounds, size_t* passed) const {
        double best = 1e300;
        for (int r = 0; r < rounds; ++r) {
            std::atomic<size_t> total{0};
            std::atomic<uint32_t> crcs{0};
            const auto start = std::chrono::steady_clock::now();
            std::vector<std::thread> workers;
            const size_t share = (size / threads + kPiece - 1) / kPiece * kPiece;
            for (unsigned t = 0; t < threads; ++t) {
                const size_t from = std::min(size, t * share),
                             to = t + 1 == threads ? size : std::min(size, from + share);
                workers.emplace_back([&, from, to] {
                    const auto [p, c] = Run(from, to);
                    total += p;
                    crcs ^= c;
                });
            }
            for (std::thread& w : workers)
                w.join();
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            best = std::min(best, took.count());
            *passed = total;
        }
        return best;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_search_bound FILE TEXT [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const int fd = open(argv[1], O_RDONLY);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size == 0) {
        std::fprintf(stderr, "bench_search_bound: cannot read %s\n", argv[1]);
        return 1;
    }
    const auto size = static_cast<size_t>(st.st_size);
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (mapped == MAP_FAILED) {
        std::fprintf(stderr, "bench_search_bound: cannot map %s\n", argv[1]);
        return 1;
    }
    const auto* bytes = static_cast<const unsigned char*>(mapped);
    const auto* needle = reinterpret_cast<const unsigned char*>(argv[2]);
    const size_t m = std::strlen(argv[2]);
    const tavrin::search::PagePrefilter filter(needle, m, false, tavrin::search::RarestByte(needle, m));

    // Once through first, so that every pass finds the file mapped.
    size_t passed = 0;
    Pass{bytes, size, filter, false}.Best(1, 1, &passed);
    std::printf("%s: %zu bytes, \"%s\", pieces of %zu KB, best of %d\n", argv[1], size, argv[2],
                kPiece / 1024, rounds);
    static const struct {
        const char* name;
        bool look, copy, check;
    } kKinds[] = {
        {"checksum alone", false, false, true},
        {"quick look alone", true, false, false},
        {"copy and checksum", false, true, true},
        {"copy, checksum and quick look", true, true, true},
        {"checksum and quick look without a copy", true, false, true},
    };
    for (unsigned threads : {1u, 2u})
        for (const auto& kind : kKinds) {
            const bool look = kind.look;
            const double ms =
                Pass{bytes, size, filter, kind.look, kind.copy, kind.check}.Best(threads, rounds, &passed);
            std::printf("%u thread%s, %s: %.2f ms", threads, threads == 1 ? "" : "s", kind.name, ms);
            if (look) std::printf(" (%zu pieces let through)", passed);
            std::printf("\n");
        }
    munmap(mapped, size);
    return 0;
}
