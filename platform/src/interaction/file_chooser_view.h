// The open-file dialog as the interactive interaction shows it: the folder, its subfolders and the
// files the filter lets through, a name field and OK and Cancel. Names are shown as the file system
// holds them (UTF-8).
#pragma once

#include "interaction/sketch.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace plat::detail {

class FileChooserView {
  public:
    FileChooserView(const OpenFileRequest& request, SIZE screen);

    struct Entry {
        std::string name;
        bool folder;
    };
    const std::filesystem::path& Folder() const { return folder_; }
    const std::vector<Entry>& Entries() const { return entries_; }
    const std::string& Field() const { return field_; }
    RECT Bounds() const { return bounds_; }

    // Reads `folder` (an error leaves the list empty and says why in the picture).
    void Open(const std::filesystem::path& folder);
    // What a click at `screen` means.
    enum class Place { Outside, Nothing, Entry, Ok, Cancel };
    Place At(POINT screen, int* entry) const;
    // Selects an entry (its name goes into the field, a folder's too); the list scrolls to it.
    void Select(int entry);
    int Selected() const { return selected_; }
    void Scroll(int rows);
    void Type(const std::string& utf8) { field_ += utf8; }
    void Backspace();
    // OK: a folder named in the field is opened (nothing is chosen yet); a file is the answer. Nothing
    // (and the field kept) when the name is neither.
    std::optional<std::filesystem::path> Accept();
    Overlay Picture() const;

  private:
    int Rows() const;
    RECT ListRect() const;
    RECT ButtonRect(bool ok) const;

    std::vector<std::string> patterns_; // of the first filter, e.g. "*.ebd"
    std::string title_;
    std::filesystem::path folder_;
    std::vector<Entry> entries_;
    std::string problem_;
    std::string field_;
    int selected_ = -1;
    int top_ = 0; // the first row shown
    RECT bounds_{};
};

// The patterns of the first filter of a "Name|*.a;*.b|Other|*.c||" text; empty for all files.
std::vector<std::string> FirstFilterPatterns(const std::string& filter);

} // namespace plat::detail
