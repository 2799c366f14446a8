// Whether memory was advised to the kernel for huge pages: the mapping that holds an address carries
// the flag "hg" in /proc/self/smaps. Kernels built without huge pages have no such flag to show.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace hugepages {

// The kernel has huge pages to advise (else the advice is refused and nothing shows it).
inline bool KernelHasHugePages() {
    return std::filesystem::exists("/sys/kernel/mm/transparent_hugepage/enabled");
}

// The VmFlags line of the mapping that holds `at`; empty when none holds it.
inline std::string MappingFlags(const void* at) {
    std::ifstream smaps("/proc/self/smaps");
    const auto address = reinterpret_cast<uintptr_t>(at);
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        unsigned long start = 0, end = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &start, &end) == 2)
            inside = address >= start && address < end;
        else if (inside && line.rfind("VmFlags:", 0) == 0)
            return line;
    }
    return {};
}

inline bool AdvisedForHugePages(const void* at) {
    return MappingFlags(at).find(" hg") != std::string::npos;
}

} // namespace hugepages
