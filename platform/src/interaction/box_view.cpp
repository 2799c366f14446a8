// Layout and painting of a message box.
#include "interaction/box_view.h"

#include <algorithm>

namespace plat::detail {

namespace {

constexpr int kMargin = 14;
constexpr int kButtonWidth = 80;
constexpr int kButtonGap = 8;
constexpr int kTitlePad = 6;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (true) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return lines;
}

int TitleHeight() {
    return SketchLineHeight() + 2 * kTitlePad;
}
int ButtonHeight() {
    return SketchLineHeight() + 10;
}

} // namespace

const char* ButtonText(int answer) {
    switch (answer) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "&Abort";
    case IDRETRY:
        return "&Retry";
    case IDIGNORE:
        return "&Ignore";
    case IDYES:
        return "&Yes";
    case IDNO:
        return "&No";
    case 10:
        return "&Try Again";
    case 11:
        return "&Continue";
    default:
        return "?";
    }
}

BoxView::BoxView(const MessageBoxRequest& request, SIZE screen)
    : lines_(Lines(request.text)), caption_(request.caption), answers_(MessageBoxButtons(request.type)) {
    const int defaultAnswer = MessageBoxDefaultAnswer(request.type);
    for (size_t i = 0; i < answers_.size(); ++i)
        if (answers_[i] == defaultAnswer) focus_ = i;
    int width = static_cast<int>(answers_.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
    width = std::max(width, SketchTextWidth(caption_) + 2 * kTitlePad);
    for (const std::string& line : lines_)
        width = std::max(width, SketchTextWidth(line));
    width = std::min<int>(width + 2 * kMargin, std::max<int>(200, screen.cx - 20));
    const int height = TitleHeight() + kMargin + static_cast<int>(lines_.size()) * SketchLineHeight() +
                       kMargin + ButtonHeight() + kMargin;
    const LONG left = std::max<LONG>(0, (screen.cx - width) / 2);
    const LONG top = std::max<LONG>(0, (screen.cy - height) / 2);
    bounds_ = RECT{left, top, left + width, top + height};
}

RECT BoxView::ButtonRect(size_t index) const {
    const int width = bounds_.right - bounds_.left;
    const int height = bounds_.bottom - bounds_.top;
    const int all = static_cast<int>(answers_.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
    const int left = (width - all) / 2 + static_cast<int>(index) * (kButtonWidth + kButtonGap);
    const int top = height - kMargin - ButtonHeight();
    return RECT{left, top, left + kButtonWidth, top + ButtonHeight()};
}

int BoxView::AnswerAt(POINT screen) const {
    const POINT p{screen.x - bounds_.left, screen.y - bounds_.top};
    for (size_t i = 0; i < answers_.size(); ++i) {
        const RECT r = ButtonRect(i);
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return answers_[i];
    }
    return 0;
}

void BoxView::MoveFocus(int step) {
    if (answers_.empty()) return;
    const int n = static_cast<int>(answers_.size());
    focus_ = static_cast<size_t>(((static_cast<int>(focus_) + step) % n + n) % n);
}

Overlay BoxView::Picture() const {
    const int width = bounds_.right - bounds_.left;
    const int height = bounds_.bottom - bounds_.top;
    Sketch sketch(width, height);
    sketch.Fill(RECT{0, 0, width, TitleHeight()}, kCaption);
    sketch.Text(POINT{kTitlePad, kTitlePad}, caption_, kHotInk);
    sketch.Frame(RECT{0, 0, width, height}, kEdge);
    int y = TitleHeight() + kMargin;
    for (const std::string& line : lines_) {
        sketch.Text(POINT{kMargin, y}, line, kInk);
        y += SketchLineHeight();
    }
    for (size_t i = 0; i < answers_.size(); ++i) {
        const RECT r = ButtonRect(i);
        sketch.Fill(r, kWindow);
        sketch.Frame(r, i == focus_ ? kHot : kEdge);
        if (i == focus_) sketch.Frame(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, kHot);
        const MenuText text = SplitMenuText(ButtonText(answers_[i]));
        const int textWidth = SketchTextWidth(text.label);
        sketch.Text(POINT{(r.left + r.right - textWidth) / 2, r.top + 5}, text.label, kInk, 0,
                    text.underline);
    }
    return sketch.Picture(POINT{bounds_.left, bounds_.top}, kFace);
}

} // namespace plat::detail
