// GetOpenFileNameA: the interaction in force chooses the files; this part checks the request, checks
// that the chosen files exist when the caller asks for that, and writes the result in the platform's
// layouts (one full path; or folder NUL name NUL ... NUL NUL), failing with FNERR_BUFFERTOOSMALL and
// the needed size in the buffer's first two bytes when it does not fit.
#include "interaction/modal_owner.h"
#include "plat/interaction.h"
#include "win/commdlg.h"
#include "win/winbase.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

DWORD g_lastError = 0;

// "Name|*.a;*.b|...||" from the platform's "Name\0*.a;*.b\0...\0\0".
std::string FilterText(LPCSTR filter) {
    std::string out;
    if (!filter) return out;
    const char* p = filter;
    while (*p) {
        size_t len = std::strlen(p);
        out.append(p, len);
        out += '|';
        p += len + 1;
    }
    if (!out.empty()) out += '|';
    return out;
}

bool EndsWithSeparator(const std::string& s) {
    return !s.empty() && (s.back() == '/' || s.back() == '\\');
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return EndsWithSeparator(folder) ? folder + name : folder + "/" + name;
}

// Offset of the file name in a full path (after the last "/" or "\").
size_t NameOffset(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

// Offset of the extension (after the last '.' of the name), or of the terminating zero when the
// name has none.
size_t ExtensionOffset(const std::string& path) {
    size_t name = NameOffset(path);
    size_t dot = path.find_last_of('.');
    return (dot == std::string::npos || dot < name) ? path.size() : dot + 1;
}

bool Exists(const std::string& path, bool folder) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    return folder ? (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                  : (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

WORD ClampWord(size_t n) {
    return static_cast<WORD>(std::min<size_t>(n, 0xFFFF));
}

// Writes the result layout into `out` (the whole buffer contents including the terminators).
std::string Layout(const plat::OpenFileAnswer& answer, DWORD flags, std::vector<std::string>* fullPaths) {
    std::string out;
    if (answer.files.size() == 1) {
        std::string path = Join(answer.folder, answer.files.front());
        fullPaths->push_back(path);
        out = path;
        out += '\0';
        return out;
    }
    for (const auto& name : answer.files)
        fullPaths->push_back(Join(answer.folder, name));
    if (flags & OFN_EXPLORER) {
        out = answer.folder;
        out += '\0';
        for (const auto& name : answer.files) {
            out += name;
            out += '\0';
        }
        out += '\0';
    } else {
        // The old style: folder and names separated by spaces.
        out = answer.folder;
        for (const auto& name : answer.files)
            out += " " + name;
        out += '\0';
    }
    return out;
}

} // namespace

extern "C" {

DWORD CommDlgExtendedError(void) {
    return g_lastError;
}

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn) {
    g_lastError = 0;
    if (!ofn) {
        g_lastError = CDERR_INITIALIZATION;
        return FALSE;
    }
    if (ofn->lStructSize != sizeof(OPENFILENAMEA) && ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400A) {
        g_lastError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!ofn->lpstrFile || ofn->nMaxFile == 0 || (ofn->hwndOwner && !IsWindow(ofn->hwndOwner))) {
        g_lastError = CDERR_INITIALIZATION;
        return FALSE;
    }

    plat::OpenFileRequest request{};
    request.owner = ofn->hwndOwner;
    request.filter = FilterText(ofn->lpstrFilter);
    request.flags = ofn->Flags;
    request.bufferSize = ofn->nMaxFile;
    request.initialDir = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : "";
    request.title = ofn->lpstrTitle ? ofn->lpstrTitle : "";

    plat::OpenFileAnswer answer;
    bool chosen;
    {
        plat::detail::ModalOwnerScope modal(ofn->hwndOwner);
        chosen = plat::CurrentInteraction().ChooseOpenFiles(request, &answer);
    }
    if (!chosen || answer.files.empty()) return FALSE;
    if (answer.files.size() > 1 && !(ofn->Flags & OFN_ALLOWMULTISELECT)) {
        // A single-selection dialog cannot return several files; the user is taken to have backed out.
        std::fprintf(stderr, "[open-file dialog] several files chosen in a single-selection dialog\n");
        return FALSE;
    }

    std::vector<std::string> fullPaths;
    std::string result = Layout(answer, ofn->Flags, &fullPaths);

    // The dialog does not let the user confirm files or folders that do not exist when asked not to.
    bool mustExist = (ofn->Flags & OFN_FILEMUSTEXIST) != 0;
    bool pathMustExist = mustExist || (ofn->Flags & OFN_PATHMUSTEXIST) != 0;
    for (const auto& path : fullPaths) {
        std::string folder = path.substr(0, NameOffset(path));
        if ((mustExist && !Exists(path, false)) ||
            (pathMustExist && !folder.empty() && !Exists(folder, true))) {
            std::fprintf(stderr, "[open-file dialog] \"%s\" does not exist; the dialog is cancelled\n",
                         path.c_str());
            return FALSE;
        }
    }

    if (result.size() > ofn->nMaxFile) {
        // The platform reports the size it needs in the first two bytes of the buffer.
        if (ofn->nMaxFile >= 2) {
            WORD needed = ClampWord(result.size());
            std::memcpy(ofn->lpstrFile, &needed, sizeof needed);
        }
        g_lastError = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    std::memcpy(ofn->lpstrFile, result.data(), result.size());
    // One more zero when there is room, so that a reader walking "name NUL ... NUL NUL" stops.
    if (result.size() < ofn->nMaxFile) ofn->lpstrFile[result.size()] = '\0';

    if (answer.files.size() == 1) {
        const std::string& path = fullPaths.front();
        ofn->nFileOffset = ClampWord(NameOffset(path));
        ofn->nFileExtension = ClampWord(ExtensionOffset(path));
        if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0)
            std::snprintf(ofn->lpstrFileTitle, ofn->nMaxFileTitle, "%s", path.c_str() + NameOffset(path));
    } else {
        ofn->nFileOffset = ClampWord(answer.folder.size() + 1);
        ofn->nFileExtension = 0;
        if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) ofn->lpstrFileTitle[0] = '\0';
    }
    ofn->Flags &= ~static_cast<DWORD>(OFN_READONLY | OFN_EXTENSIONDIFFERENT);
    return TRUE;
}

} // extern "C"
