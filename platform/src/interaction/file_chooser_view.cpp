// Listing, selecting and painting in the open-file dialog.
#include "interaction/file_chooser_view.h"

#include "plat/resources.h"

#include <algorithm>
#include <fnmatch.h>
#include <system_error>

namespace plat::detail {

namespace fs = std::filesystem;

namespace {

constexpr int kMargin = 10;
constexpr int kButtonWidth = 80;

int RowHeight() {
    return SketchLineHeight() + 4;
}

bool Matches(const std::vector<std::string>& patterns, const std::string& name) {
    if (patterns.empty()) return true;
    for (const std::string& p : patterns)
        if (p == "*.*" || p == "*" || fnmatch(p.c_str(), name.c_str(), FNM_CASEFOLD) == 0) return true;
    return false;
}

} // namespace

std::vector<std::string> FirstFilterPatterns(const std::string& filter) {
    std::vector<std::string> patterns;
    const size_t bar = filter.find('|');
    if (bar == std::string::npos) return patterns;
    const size_t end = filter.find('|', bar + 1);
    const std::string list =
        filter.substr(bar + 1, end == std::string::npos ? std::string::npos : end - bar - 1);
    size_t at = 0;
    while (at <= list.size()) {
        size_t semi = list.find(';', at);
        std::string p = list.substr(at, semi == std::string::npos ? std::string::npos : semi - at);
        p.erase(0, p.find_first_not_of(' '));
        if (!p.empty()) patterns.push_back(p);
        if (semi == std::string::npos) break;
        at = semi + 1;
    }
    return patterns;
}

FileChooserView::FileChooserView(const OpenFileRequest& request, SIZE screen)
    : patterns_(FirstFilterPatterns(request.filter)), title_(request.title.empty() ? "Open" : request.title) {
    const int width = std::min<int>(560, std::max<int>(240, screen.cx - 20));
    const int height = std::min<int>(420, std::max<int>(200, screen.cy - 20));
    const LONG left = std::max<LONG>(0, (screen.cx - width) / 2);
    const LONG top = std::max<LONG>(0, (screen.cy - height) / 2);
    bounds_ = RECT{left, top, left + width, top + height};
    std::error_code ec;
    fs::path start = request.initialDir.empty() ? fs::current_path(ec) : fs::path(request.initialDir);
    if (!fs::is_directory(start, ec)) start = fs::current_path(ec);
    Open(start);
}

void FileChooserView::Open(const fs::path& folder) {
    std::error_code ec;
    folder_ = fs::absolute(folder, ec).lexically_normal();
    entries_.clear();
    problem_.clear();
    selected_ = -1;
    top_ = 0;
    if (folder_.has_parent_path() && folder_ != folder_.root_path()) entries_.push_back({"..", true});
    std::vector<Entry> found;
    for (fs::directory_iterator it(folder_, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::error_code typeError;
        const bool isFolder = it->is_directory(typeError);
        if (isFolder || Matches(patterns_, name)) found.push_back({name, isFolder});
    }
    if (ec) problem_ = "cannot read this folder: " + ec.message();
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
        return a.folder != b.folder ? a.folder : a.name < b.name;
    });
    entries_.insert(entries_.end(), found.begin(), found.end());
}

RECT FileChooserView::ListRect() const {
    const int width = bounds_.right - bounds_.left;
    const int height = bounds_.bottom - bounds_.top;
    const int top = kMargin + 2 * RowHeight();
    const int bottom = height - kMargin - 2 * RowHeight() - kMargin;
    return RECT{kMargin, top, width - kMargin, std::max(top, bottom)};
}

RECT FileChooserView::ButtonRect(bool ok) const {
    const int width = bounds_.right - bounds_.left;
    const int height = bounds_.bottom - bounds_.top;
    const int right = width - kMargin - (ok ? kButtonWidth + kMargin : 0);
    return RECT{right - kButtonWidth, height - kMargin - RowHeight(), right, height - kMargin};
}

int FileChooserView::Rows() const {
    const RECT list = ListRect();
    return std::max(1, static_cast<int>(list.bottom - list.top) / RowHeight());
}

FileChooserView::Place FileChooserView::At(POINT screen, int* entry) const {
    const POINT p{screen.x - bounds_.left, screen.y - bounds_.top};
    auto inside = [&](const RECT& r) {
        return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
    };
    if (!inside(RECT{0, 0, bounds_.right - bounds_.left, bounds_.bottom - bounds_.top}))
        return Place::Outside;
    if (inside(ButtonRect(true))) return Place::Ok;
    if (inside(ButtonRect(false))) return Place::Cancel;
    const RECT list = ListRect();
    if (inside(list)) {
        const int row = top_ + static_cast<int>(p.y - list.top) / RowHeight();
        if (row < static_cast<int>(entries_.size())) {
            *entry = row;
            return Place::Entry;
        }
    }
    return Place::Nothing;
}

void FileChooserView::Select(int entry) {
    if (entry < 0 || entry >= static_cast<int>(entries_.size())) return;
    selected_ = entry;
    field_ = entries_[static_cast<size_t>(entry)].name;
    if (selected_ < top_) top_ = selected_;
    if (selected_ >= top_ + Rows()) top_ = selected_ - Rows() + 1;
}

void FileChooserView::Scroll(int rows) {
    const int most = std::max(0, static_cast<int>(entries_.size()) - Rows());
    top_ = std::clamp(top_ + rows, 0, most);
}

void FileChooserView::Backspace() {
    if (field_.empty()) return;
    size_t at = field_.size() - 1;
    while (at > 0 && (static_cast<unsigned char>(field_[at]) & 0xC0) == 0x80) // a whole UTF-8 character
        --at;
    field_.resize(at);
}

std::optional<fs::path> FileChooserView::Accept() {
    if (field_.empty()) return std::nullopt;
    const fs::path named = fs::path(field_).is_absolute() ? fs::path(field_) : folder_ / field_;
    std::error_code ec;
    if (fs::is_directory(named, ec)) {
        Open(named);
        field_.clear();
        return std::nullopt;
    }
    if (fs::exists(named, ec)) return named.lexically_normal();
    problem_ = "no such file: " + field_;
    return std::nullopt;
}

Overlay FileChooserView::Picture() const {
    const int width = bounds_.right - bounds_.left;
    const int height = bounds_.bottom - bounds_.top;
    const UINT utf8 = 65001;
    Sketch sketch(width, height);
    sketch.Frame(RECT{0, 0, width, height}, kEdge);
    sketch.Text(POINT{kMargin, kMargin}, title_, kInk);
    sketch.Text(POINT{kMargin, kMargin + RowHeight()}, "Folder: " + folder_.string(), kGrayInk, utf8);
    const RECT list = ListRect();
    sketch.Fill(list, kWindow);
    sketch.Frame(list, kEdge);
    const int rows = Rows();
    for (int row = 0; row < rows && top_ + row < static_cast<int>(entries_.size()); ++row) {
        const Entry& e = entries_[static_cast<size_t>(top_ + row)];
        const int y = list.top + row * RowHeight();
        const bool chosen = top_ + row == selected_;
        if (chosen) sketch.Fill(RECT{list.left + 1, y, list.right - 1, y + RowHeight()}, kHot);
        sketch.Text(POINT{list.left + 6, y + 2}, e.folder ? "[" + e.name + "]" : e.name,
                    chosen ? kHotInk : kInk, utf8, -1,
                    RECT{list.left, list.top, list.right - 2, list.bottom});
    }
    if (!problem_.empty())
        sketch.Text(POINT{list.left + 6, list.bottom - RowHeight()}, problem_, kGrayInk, utf8);
    const int fieldTop = height - kMargin - 2 * RowHeight() - kMargin / 2;
    sketch.Text(POINT{kMargin, fieldTop + 2}, "Name:", kInk);
    const RECT field{kMargin + 50, fieldTop, width - kMargin, fieldTop + RowHeight()};
    sketch.Fill(field, kWindow);
    sketch.Frame(field, kEdge);
    sketch.Text(POINT{field.left + 4, field.top + 2}, field_ + "|", kInk, utf8, -1, field);
    for (bool ok : {true, false}) {
        const RECT r = ButtonRect(ok);
        sketch.Fill(r, kWindow);
        sketch.Frame(r, ok ? kHot : kEdge);
        const char* label = ok ? "OK" : "Cancel";
        sketch.Text(POINT{(r.left + r.right - SketchTextWidth(label)) / 2, r.top + 2}, label, kInk);
    }
    return sketch.Picture(POINT{bounds_.left, bounds_.top}, kFace);
}

} // namespace plat::detail
