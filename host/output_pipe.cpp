#include "output_pipe.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace tavrin::host {

bool WidenPipe(int fd) {
    constexpr int kWide = 1 << 20;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode)) return false;
#ifdef F_SETPIPE_SZ
    if (fcntl(fd, F_GETPIPE_SZ) >= kWide) return true;
    return fcntl(fd, F_SETPIPE_SZ, kWide) >= kWide;
#else
    return false;
#endif
}

} // namespace tavrin::host
