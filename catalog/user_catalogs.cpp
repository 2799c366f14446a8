// The user's catalogs written to and read from the user catalog stream.
// STAND-IN on branch i16b only, so that the host's saving can run before the stream's writer and
// reader land: it writes and checks the 256-byte header alone and keeps no catalogs. At merge, take
// the real implementation and drop this file's version.
#include "tavrin/tavrin_ctrl.h"

#include <cstring>

namespace {
constexpr DWORD kHeaderSize = 256;
}

BOOL CTavrinCtrl::SaveUserDefineHead() {
    char header[kHeaderSize] = {};
    std::memcpy(header, "CATAKS2", 7);
    DWORD written = 0;
    if (SetFilePointer(m_hUserDefine, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return FALSE;
    if (!WriteFile(m_hUserDefine, header, kHeaderSize, &written, nullptr) || written != kHeaderSize) return FALSE;
    return SetEndOfFile(m_hUserDefine);
}

BOOL CTavrinCtrl::LoadUserDefine() {
    char header[kHeaderSize + 1] = {};
    DWORD read = 0;
    if (!ReadFile(m_hUserDefine, header, kHeaderSize + 1, &read, nullptr)) return FALSE;
    return read == kHeaderSize && std::memcmp(header, "CATAKS2", 7) == 0;
}
