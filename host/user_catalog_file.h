// The file in which the host keeps the user's catalogs between runs: where it is, reading it into the
// shelf at start and writing the shelf's catalogs back into it.
#pragma once

#include "tavrin/tavrin_ctrl.h"

#include <filesystem>
#include <string>

namespace tavrin::host {

// $TAVRIN_USER_CATALOGS when set, else user-catalogs.dat in the registry's folder; absolute.
std::filesystem::path UserCatalogPath();

// Whether the host command can change the user's catalogs, so that the host saves them after it.
bool ChangesUserCatalogs(const std::string& command);

class UserCatalogFile {
  public:
    explicit UserCatalogFile(std::filesystem::path path) : path_(std::move(path)) {}

    // Hangs the catalogs of the file into the shelf. A missing file is no error. A file that cannot be
    // read, or is read only in part, is a warning on stderr (and in LoadWarning(), for a program with
    // a window to show): the shelf keeps what was read, and the file is kept under another name at
    // the first save rather than overwritten.
    void Load(CTavrinCtrl& shelf);
    // The last Load's warning, without the program's name; empty when the file was read whole.
    const std::string& LoadWarning() const { return loadWarning_; }

    // Writes the shelf's user catalogs into the file atomically (see WriteFileAtomically). On failure
    // the file is left as it was and the reason is printed on stderr; false.
    bool Save(CTavrinCtrl& shelf);

    // The host marks a change when a command that can change the catalogs has run; a successful save
    // clears it. Saves at exit what is still unsaved, unless a save has failed already.
    void MarkChanged() { changed_ = true; }
    bool SaveAfterChange(CTavrinCtrl& shelf);
    bool SaveAtExit(CTavrinCtrl& shelf) { return !changed_ || failed_ || SaveAfterChange(shelf); }

    const std::filesystem::path& Path() const { return path_; }

  private:
    // Moves the file that could not be read (the file itself, not a link to it) out of the way:
    // "<name>.damaged", or "<name>.damaged.N" when that is taken. False (reason printed) when it cannot
    // be moved.
    bool KeepUnreadFile(const std::filesystem::path& file);

    void Warn(std::string text);

    std::filesystem::path path_;
    std::string loadWarning_;
    bool keepOld_ = false; // the file on disk was not read whole
    bool changed_ = false;
    bool failed_ = false;
};

} // namespace tavrin::host
