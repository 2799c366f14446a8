// The user's catalogs kept between runs in a file beside the registry.
#include "user_catalog_file.h"

#include "atomic_file.h"

#include "plat/registry.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace tavrin::host {

namespace fs = std::filesystem;

fs::path UserCatalogPath() {
    fs::path path;
    if (const char* value = std::getenv("TAVRIN_USER_CATALOGS"); value && *value)
        path = value;
    else
        path = fs::path(plat::RegistryPath()).parent_path() / "user-catalogs.dat";
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    return ec ? path : absolute.lexically_normal();
}

bool ChangesUserCatalogs(const std::string& command) {
    // Making, renaming, moving and deleting items, and the commands that send the shelf any command
    // or menu entry; adding books puts them into the shelf's e-book catalog.
    static constexpr std::array<const char*, 8> kChanging = {"newcatalog", "rename",  "move", "remove",
                                                             "menu",       "command", "add",  "dicts"};
    for (const char* name : kChanging)
        if (command == name) return true;
    return false;
}

void UserCatalogFile::Warn(std::string text) {
    std::fprintf(stderr, "tavrin-host: warning: %s\n", text.c_str());
    loadWarning_ = std::move(text);
}

void UserCatalogFile::Load(CTavrinCtrl& shelf) {
    loadWarning_.clear();
    std::error_code ec;
    const fs::file_status status = fs::status(path_, ec);
    if (status.type() == fs::file_type::not_found) return;
    SetLastError(ERROR_SUCCESS);
    // A folder, device or pipe named by mistake is not opened (a pipe would wait for a writer).
    HANDLE file = INVALID_HANDLE_VALUE;
    if (status.type() == fs::file_type::regular)
        file = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const std::string reason = ec                                        ? ec.message()
                                   : status.type() != fs::file_type::regular ? "it is not a regular file"
                                                                             : LastErrorText();
        Warn("the user catalogs " + path_.string() + " cannot be read: " + reason +
             "; the shelf shows none of them");
        keepOld_ = status.type() == fs::file_type::regular;
        return;
    }
    shelf.m_hUserDefine = file;
    SetLastError(ERROR_SUCCESS);
    const BOOL whole = shelf.LoadUserDefine();
    const DWORD code = GetLastError();
    shelf.m_hUserDefine = INVALID_HANDLE_VALUE;
    CloseHandle(file);
    if (whole) return;
    std::string reason = "the file is damaged";
    if (code != ERROR_SUCCESS) {
        SetLastError(code);
        reason = "a read failed: " + LastErrorText();
    }
    Warn("the user catalogs " + path_.string() + " could not be read whole (" + reason +
         "); the shelf shows what was read before that, and the file will be kept as it is under "
         "another name at the next save");
    keepOld_ = true;
}

bool UserCatalogFile::KeepUnreadFile(const fs::path& file) {
    std::error_code ec;
    for (int n = 0; n < 1000; ++n) {
        fs::path copy = file;
        copy += n == 0 ? ".damaged" : ".damaged." + std::to_string(n);
        if (fs::symlink_status(copy, ec).type() != fs::file_type::not_found) continue; // kept before
        if (std::rename(file.c_str(), copy.c_str()) == 0) {
            std::fprintf(stderr, "tavrin-host: the user catalogs that could not be read are kept as %s\n",
                         copy.c_str());
            return true;
        }
        if (errno == ENOENT) return true; // gone already: nothing to keep
        const std::string reason = std::error_code(errno, std::generic_category()).message();
        std::fprintf(
            stderr,
            "tavrin-host: the user catalogs could not be saved: the unread file %s cannot be kept as "
            "%s: %s; it is left as it was\n",
            file.c_str(), copy.c_str(), reason.c_str());
        return false;
    }
    std::fprintf(stderr, "tavrin-host: the user catalogs could not be saved: no free name to keep %s under\n",
                 file.c_str());
    return false;
}

bool UserCatalogFile::Save(CTavrinCtrl& shelf) {
    std::error_code ec;
    fs::create_directories(path_.parent_path(), ec); // a failure shows as the failure to make the file
    // A link is followed: the file it names is replaced, the link stays. Only a regular file is ever
    // replaced: the rename would put a file in the place of a folder, a device or a pipe.
    fs::path target = path_;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(target, ec)); ++hops) {
        const fs::path named = fs::read_symlink(target, ec);
        if (ec) break;
        target = named.is_absolute() ? named : target.parent_path() / named; // it may name no file yet
    }
    const fs::file_type type = fs::status(target, ec).type();
    if (type != fs::file_type::not_found && type != fs::file_type::regular) {
        std::fprintf(stderr,
                     "tavrin-host: the user catalogs could not be saved to %s: it is not a regular file\n",
                     path_.c_str());
        return false;
    }
    if (keepOld_) {
        if (!KeepUnreadFile(target)) return false;
        keepOld_ = false;
    }
    auto writeStream = [&shelf](HANDLE file, std::string* error) {
        shelf.m_hUserDefine = file;
        SetLastError(ERROR_SUCCESS);
        const BOOL written = shelf.SaveUserDefineHead();
        const DWORD code = GetLastError();
        shelf.m_hUserDefine = INVALID_HANDLE_VALUE;
        if (written) return true;
        *error = "the shelf could not write its catalogs";
        if (code != ERROR_SUCCESS) {
            SetLastError(code);
            *error += ": " + LastErrorText();
        }
        return false;
    };
    std::string error;
    if (WriteFileAtomically(target, writeStream, &error)) return true;
    std::fprintf(stderr,
                 "tavrin-host: the user catalogs could not be saved to %s: %s; the file is left as it was\n",
                 path_.c_str(), error.c_str());
    return false;
}

bool UserCatalogFile::SaveAfterChange(CTavrinCtrl& shelf) {
    changed_ = true;
    if (Save(shelf)) {
        changed_ = false;
        return true;
    }
    failed_ = true;
    return false;
}

} // namespace tavrin::host
