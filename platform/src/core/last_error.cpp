// The thread's last-error value. The layer runs on one user-interface thread, but keeping the value
// per thread costs nothing and keeps worker threads of a driver from disturbing it.
#include "win/types.h"

namespace {
thread_local DWORD t_lastError = 0;
}

extern "C" DWORD GetLastError(void) {
    return t_lastError;
}
extern "C" void SetLastError(DWORD dwErrCode) {
    t_lastError = dwErrCode;
}
