// The reader's remembered state.
#include "reader_state.h"

#include "atomic_file.h"
#include "shelf_items.h"

#include "plat/resources.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

namespace tavrin::reader {

namespace fs = std::filesystem;

namespace {

constexpr int kSmallest = 200;
constexpr int kLargest = 16384;
constexpr const char* kSeparator = " / ";

// The items whose being open is remembered: the root, catalogs, books and dictionaries (a book's
// contents entries are made again when it opens).
bool Remembered(const ShelfItemInfo& info) {
    return info.hItem && info.dwKind != SHELF_ITEM_CHAPTER && info.dwKind != SHELF_ITEM_PAGE;
}

} // namespace

fs::path ReaderStatePath(const fs::path& userCatalogs) {
    if (const char* value = std::getenv("TAVRIN_READER_STATE"); value && *value) return value;
    return userCatalogs.parent_path() / "reader-state.txt";
}

ReaderState ParseReaderState(const std::string& text) {
    ReaderState state;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("size ", 0) == 0) {
            std::istringstream words(line.substr(5));
            long w = 0, h = 0;
            std::string extra;
            if ((words >> w >> h) && !(words >> extra) && w >= kSmallest && w <= kLargest && h >= kSmallest &&
                h <= kLargest) {
                state.width = static_cast<int>(w);
                state.height = static_cast<int>(h);
            }
        } else if (line.rfind("open ", 0) == 0 && line.size() > 5) {
            state.open.push_back(line.substr(5));
        }
    }
    return state;
}

std::string FormatReaderState(const ReaderState& state) {
    std::string text;
    if (state.width > 0 && state.height > 0)
        text += "size " + std::to_string(state.width) + " " + std::to_string(state.height) + "\n";
    for (const std::string& path : state.open)
        if (path.find('\n') == std::string::npos) text += "open " + path + "\n";
    return text;
}

std::optional<ReaderState> LoadReaderState(const fs::path& path, std::string* error) {
    std::error_code ec;
    if (!fs::exists(path, ec) && !ec) return ReaderState{};
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "cannot open " + path.string();
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        *error = "cannot read " + path.string();
        return std::nullopt;
    }
    return ParseReaderState(text.str());
}

bool SaveReaderState(const fs::path& path, const ReaderState& state, std::string* error) {
    const std::string text = FormatReaderState(state);
    return host::WriteFileAtomically(
        path,
        [&](HANDLE file, std::string* why) {
            DWORD written = 0;
            if (WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                written == text.size())
                return true;
            *why = host::LastErrorText();
            return false;
        },
        error);
}

std::string LabelUtf8(CTavrinCtrl& shelf, HWND tree, HTREEITEM item) {
    return plat::ToUtf8(host::ItemText(tree, item), host::ItemCodePage(shelf, tree, item));
}

std::string PathUtf8(CTavrinCtrl& shelf, HWND tree, HTREEITEM item) {
    std::string path = LabelUtf8(shelf, tree, item);
    for (HTREEITEM up = TreeView_GetParent(tree, item); up; up = TreeView_GetParent(tree, up))
        path = LabelUtf8(shelf, tree, up) + kSeparator + path;
    return path;
}

std::vector<std::string> OpenItemPaths(CTavrinCtrl& shelf, HWND tree) {
    std::vector<std::string> paths;
    host::ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        if (!Remembered(host::InfoOf(shelf, item))) return;
        if (TreeView_GetItemState(tree, item, TVIS_EXPANDED) & TVIS_EXPANDED)
            paths.push_back(PathUtf8(shelf, tree, item));
    });
    return paths;
}

size_t OpenItems(CTavrinCtrl& shelf, HWND tree, const std::vector<std::string>& paths) {
    // The items by path, found in one walk (opening them adds only contents entries).
    std::map<std::string, HTREEITEM> byPath;
    host::ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        if (Remembered(host::InfoOf(shelf, item))) byPath.emplace(PathUtf8(shelf, tree, item), item);
    });
    size_t opened = 0;
    for (const std::string& path : paths) {
        auto found = byPath.find(path);
        if (found != byPath.end() && TreeView_Expand(tree, found->second, TVE_EXPAND)) ++opened;
    }
    return opened;
}

} // namespace tavrin::reader
