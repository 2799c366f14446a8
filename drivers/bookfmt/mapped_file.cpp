// The mapping and the fault guard. The guard is one SIGBUS handler for the whole program, installed
// the first time a copy is guarded, and a note per thread of the stretch it is copying from: a fault
// inside that stretch jumps back to the copy, which then fails; any other SIGBUS goes on to the
// handler that was there before ours (or, when there was none, ends the program as it would have).
#include "bookfmt/mapped_file.h"

#include "bookfmt/bytes.h"
#include "bookfmt/crc32.h"

#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <sys/resource.h>

namespace tavrin::book {
namespace {

struct Guard {
    sigjmp_buf back;
    const char* lo = nullptr;
    const char* hi = nullptr;
    volatile sig_atomic_t active = 0;
};

thread_local Guard t_guard;
struct sigaction g_previous {};
std::once_flag g_installed;

void OnBusError(int sig, siginfo_t* info, void* context) {
    Guard& g = t_guard;
    const char* at = static_cast<const char*>(info ? info->si_addr : nullptr);
    if (g.active && at >= g.lo && at < g.hi) {
        g.active = 0;
        siglongjmp(g.back, 1);
    }
    if (g_previous.sa_flags & SA_SIGINFO) {
        if (g_previous.sa_sigaction) g_previous.sa_sigaction(sig, info, context);
        return;
    }
    if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(sig);
        return;
    }
    // Nobody else handles it: back to the default, and the faulting access, done again on return,
    // ends the program with the signal.
    signal(sig, SIG_DFL);
}

void Install() {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &g_previous);
}

// Page faults taken by the calling thread so far.
long ThreadFaults() {
    rusage usage{};
    return getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_minflt + usage.ru_majflt : 0;
}

constexpr uint64_t kMemoryPage = 4096;

} // namespace

std::unique_ptr<MappedFile> MappedFile::Map(int fd, uint64_t size) {
    if (size == 0 || size > SIZE_MAX) return nullptr;
    void* base = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) return nullptr;
    // Runs go through the file from its start to its end.
    ::madvise(base, static_cast<size_t>(size), MADV_SEQUENTIAL);
    return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const uint8_t*>(base), size));
}

MappedFile::~MappedFile() {
    ::munmap(const_cast<uint8_t*>(base_), static_cast<size_t>(size_));
}

// Runs `touch` (which reads the mapping) with the fault guard set on the whole mapping: false when
// a read faulted, the rest of `touch` not run. One jump point for the whole call; the signal mask is
// not saved (a system call each time): the handler runs with SIGBUS unblocked (SA_NODEFER).
template <class Touch> bool MappedFile::Guarded(Touch&& touch) const {
    std::call_once(g_installed, Install);
    Guard& g = t_guard;
    g.lo = reinterpret_cast<const char*>(base_);
    g.hi = reinterpret_cast<const char*>(base_ + size_);
    if (sigsetjmp(g.back, 0) != 0) return false;
    g.active = 1;
    touch();
    g.active = 0;
    return true;
}

bool MappedFile::CopyPieces(uint64_t offset, std::span<const Piece> pieces, uint32_t* crcs) const {
    uint64_t total = 0;
    for (const Piece& p : pieces)
        total += p.length;
    if (!RangeInside(offset, total, size_)) return false;
    // A fault in any piece fails the run.
    return Guarded([&] { Crc32CopyPages(base_ + offset, pieces.data(), pieces.size(), crcs); });
}

long MappedFile::FaultIn(uint64_t offset, uint64_t length) const {
    if (!RangeInside(offset, length, size_)) return -1;
    const long before = ThreadFaults();
    const bool read = Guarded([&] {
        const volatile uint8_t* from = base_ + offset;
        uint8_t sum = 0;
        for (uint64_t at = 0; at < length; at += kMemoryPage)
            sum = static_cast<uint8_t>(sum + from[at]);
        if (length > 0) sum = static_cast<uint8_t>(sum + from[length - 1]);
        (void)sum;
    });
    return read ? ThreadFaults() - before : -1;
}

} // namespace tavrin::book
