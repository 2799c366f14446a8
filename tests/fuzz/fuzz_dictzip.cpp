// Fuzz target for the definitions reader of DictDrv.dll (drivers/dict/dictzip, definitions): any bytes
// as a definitions file, plain, gzip or dictzip. Properties: no read outside the file or a chunk; a
// read that succeeds gives exactly the bytes asked for; the same range read whole and in pieces (through
// the chunk cache) gives the same bytes.
#include "dict/definitions.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("definitions", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    std::string error;
    auto definitions = tavrin::dict::OpenDefinitions("/proc/self/fd/" + std::to_string(fd), &error);
    close(fd);
    if (!definitions) {
        Check(!error.empty());
        return 0;
    }
    const uint64_t total = definitions->Size();
    const uint32_t span = static_cast<uint32_t>(total < 200000 ? total : 200000);
    std::string whole;
    const bool read = definitions->Read(0, span, whole, &error);
    Check(!read || whole.size() == span);
    if (read) {
        std::string pieces;
        for (uint32_t at = 0; at < span; at += 777) {
            const uint32_t n = span - at < 777 ? span - at : 777;
            Check(definitions->Read(at, n, pieces, &error));
        }
        Check(pieces == whole);
    }
    std::string past;
    Check(!definitions->Read(total, 1, past, &error) && past.empty());
    return 0;
}
