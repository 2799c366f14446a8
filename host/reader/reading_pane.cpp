// Layout, painting and clicks of the reading pane.
#include "reading_pane.h"

#include "plat/resources.h"

#include <algorithm>

namespace tavrin::reader {

namespace {

constexpr UINT kUtf8 = 65001;
constexpr int kMargin = 8;
constexpr int kButtonWidth = 70;
constexpr COLORREF kInk = 0x000000;
constexpr COLORREF kGrayInk = 0x707070;
constexpr COLORREF kEdge = 0xA0A0A0;
constexpr COLORREF kField = 0xFFFFFF;
constexpr COLORREF kFocus = 0xD77800;
constexpr COLORREF kFace = 0xF0F0F0;
constexpr COLORREF kLink = 0x8B3A00;

bool Inside(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The length of the first UTF-8 character of text[at...] (1 for a stray byte).
size_t CharAt(const std::string& text, size_t at) {
    const unsigned char b = static_cast<unsigned char>(text[at]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
    return std::min(n, text.size() - at);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    while (lines.size() > 1 && lines.back().empty())
        lines.pop_back();
    return lines;
}

struct Painter {
    plat::Drawing drawing;
    RECT clip{};
    void Fill(const RECT& r, COLORREF color) {
        plat::DrawOp op;
        op.kind = plat::DrawKind::Fill;
        op.rect = r;
        op.clip = clip;
        op.color = color;
        op.rop = PATCOPY;
        drawing.ops.push_back(op);
    }
    void Frame(const RECT& r, COLORREF color) {
        plat::DrawOp op;
        op.kind = plat::DrawKind::Frame;
        op.rect = r;
        op.clip = clip;
        op.color = color;
        drawing.ops.push_back(op);
    }
    void Text(POINT at, const std::string& utf8, COLORREF color, const RECT& within) {
        plat::DrawOp op;
        op.kind = plat::DrawKind::Text;
        op.pos = at;
        op.text = utf8;
        op.codePage = kUtf8;
        op.textColor = color;
        op.bkMode = TRANSPARENT;
        op.font = PaneFont();
        op.rect = RECT{at.x, at.y, within.right, at.y + plat::MetricsForFont(op.font).tmHeight};
        op.clip = RECT{std::max(clip.left, within.left), std::max(clip.top, within.top),
                       std::min(clip.right, within.right), std::min(clip.bottom, within.bottom)};
        drawing.ops.push_back(op);
    }
};

} // namespace

LOGFONTA PaneFont() {
    LOGFONTA lf{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return lf;
}

void ReadingPane::SetArea(const RECT& area) {
    ++version_;
    area_ = area;
}

int ReadingPane::LineHeight() const {
    static const int height = plat::MetricsForFont(PaneFont()).tmHeight + 2;
    return height;
}

void ReadingPane::ShowText(const std::string& title, const std::string& text) {
    ++version_;
    title_ = title;
    lines_ = text.empty() ? std::vector<std::string>{} : SplitLines(text);
    firstLine_ = 0;
}

void ReadingPane::BackspaceQuery() {
    ++version_;
    if (query_.empty()) return;
    size_t at = query_.size() - 1;
    while (at > 0 && (static_cast<unsigned char>(query_[at]) & 0xC0) == 0x80)
        --at;
    query_.resize(at);
}

void ReadingPane::StartSearch() {
    ++version_;
    hits_.clear();
    firstHit_ = 0;
    searching_ = true;
    progress_ = "Searching...";
}

void ReadingPane::AddHit(Hit hit) {
    ++version_;
    hits_.push_back(std::move(hit));
}

void ReadingPane::EndSearch(const std::string& line) {
    ++version_;
    searching_ = false;
    progress_ = line;
}

const std::vector<std::string>& ReadingPane::Tools() {
    static const std::vector<std::string> tools = {"New catalog", "Rename", "Add book...", "Delete"};
    return tools;
}

RECT ReadingPane::ToolRect(size_t index) const {
    LONG left = area_.left + kMargin;
    for (size_t i = 0; i < index && i < Tools().size(); ++i)
        left += plat::MeasureText(PaneFont(), Tools()[i], kUtf8) + 16 + kMargin / 2;
    const LONG width = index < Tools().size() ? plat::MeasureText(PaneFont(), Tools()[index], kUtf8) + 16 : 0;
    const LONG top = area_.top + kMargin / 2;
    return RECT{left, top, left + width, top + LineHeight() + 6};
}

RECT ReadingPane::FieldRect() const {
    const LONG top = ToolRect(0).bottom + kMargin + LineHeight() + kMargin;
    return RECT{area_.left + kMargin, top, area_.right - 2 * kMargin - kButtonWidth, top + LineHeight() + 6};
}

RECT ReadingPane::ButtonRect() const {
    const RECT field = FieldRect();
    return RECT{field.right + kMargin, field.top, area_.right - kMargin, field.bottom};
}

RECT ReadingPane::HitsRect() const {
    if (hits_.empty()) return RECT{area_.left, FieldRect().bottom, area_.left, FieldRect().bottom};
    const LONG top = FieldRect().bottom + LineHeight() + kMargin;
    const LONG available = (area_.bottom - top) / 3;
    const LONG rows =
        std::min<LONG>(static_cast<LONG>(hits_.size()), std::max<LONG>(2, available / LineHeight()));
    return RECT{area_.left + kMargin, top, area_.right - kMargin, top + rows * LineHeight() + 4};
}

RECT ReadingPane::TextRect() const {
    const RECT hits = HitsRect();
    const LONG top = (hits_.empty() ? FieldRect().bottom + LineHeight() : hits.bottom) + kMargin;
    return RECT{area_.left + kMargin, top, area_.right - kMargin, std::max(top, area_.bottom - kMargin)};
}

int ReadingPane::VisibleHitRows() const {
    const RECT r = HitsRect();
    return std::max(0, static_cast<int>(r.bottom - r.top - 4) / LineHeight());
}

std::vector<std::string> ReadingPane::Wrapped() const {
    const int width = std::max<int>(20, TextRect().right - TextRect().left - 8);
    const LOGFONTA font = PaneFont();
    std::vector<std::string> out;
    for (const std::string& line : lines_) {
        std::string rest = line;
        while (plat::MeasureText(font, rest, kUtf8) > width) {
            // The longest run of whole characters that fits (found by halving), broken after a blank
            // where there is one.
            std::vector<size_t> ends; // the end of each character
            for (size_t at = 0; at < rest.size(); at += CharAt(rest, at))
                ends.push_back(at + CharAt(rest, at));
            size_t low = 0, high = ends.size() - 1; // ends[low] fits or is the first character
            while (low < high) {
                const size_t mid = (low + high + 1) / 2;
                if (plat::MeasureText(font, rest.substr(0, ends[mid]), kUtf8) <= width)
                    low = mid;
                else
                    high = mid - 1;
            }
            const size_t fits = ends[low];
            const size_t blank = rest.rfind(' ', fits);
            const size_t cut = blank != std::string::npos && blank > 0 && blank < fits ? blank + 1 : fits;
            out.push_back(rest.substr(0, cut));
            rest.erase(0, cut);
        }
        out.push_back(rest);
    }
    return out;
}

void ReadingPane::ScrollPage(int lines) {
    ++version_;
    const int total = static_cast<int>(Wrapped().size());
    const int shown = std::max(1, static_cast<int>(TextRect().bottom - TextRect().top) / LineHeight());
    firstLine_ = std::clamp(firstLine_ + lines, 0, std::max(0, total - shown));
}

void ReadingPane::Wheel(POINT point, int notches) {
    ++version_;
    if (Inside(HitsRect(), point)) {
        const int most = std::max(0, static_cast<int>(hits_.size()) - VisibleHitRows());
        firstHit_ = std::clamp(firstHit_ - 3 * notches, 0, most);
    } else if (Inside(TextRect(), point)) {
        ScrollPage(-3 * notches);
    }
}

ReadingPane::Click ReadingPane::At(POINT point) const {
    Click click;
    for (size_t i = 0; i < Tools().size(); ++i)
        if (Inside(ToolRect(i), point)) {
            click.kind = Click::Kind::Tool;
            click.hit = static_cast<int>(i);
            return click;
        }
    if (Inside(FieldRect(), point)) {
        click.kind = Click::Kind::Field;
    } else if (Inside(ButtonRect(), point)) {
        click.kind = Click::Kind::Button;
    } else if (Inside(HitsRect(), point)) {
        const int row = firstHit_ + static_cast<int>(point.y - HitsRect().top - 2) / LineHeight();
        if (row >= 0 && row < static_cast<int>(hits_.size())) {
            click.kind = Click::Kind::Hit;
            click.hit = row;
        }
    }
    return click;
}

plat::Drawing ReadingPane::Paint() const {
    Painter p;
    p.clip = area_;
    p.Fill(area_, kFace);
    p.Fill(RECT{area_.left, area_.top, area_.left + 1, area_.bottom}, kEdge);
    const RECT inner{area_.left + kMargin, area_.top, area_.right - kMargin, area_.bottom};
    for (size_t i = 0; i < Tools().size(); ++i) {
        const RECT r = ToolRect(i);
        p.Fill(r, kField);
        p.Frame(r, kEdge);
        p.Text(POINT{r.left + 8, r.top + 3}, Tools()[i], kInk, r);
    }
    p.Text(POINT{inner.left, ToolRect(0).bottom + kMargin},
           title_.empty() ? "Choose a book or a page on the shelf" : title_, title_.empty() ? kGrayInk : kInk,
           inner);

    const RECT field = FieldRect();
    p.Fill(field, kField);
    p.Frame(field, fieldFocused_ ? kFocus : kEdge);
    const std::string shown = query_ + (fieldFocused_ ? "|" : "");
    p.Text(POINT{field.left + 4, field.top + 3}, shown.empty() ? "Search the books" : shown,
           shown.empty() ? kGrayInk : kInk, RECT{field.left + 2, field.top, field.right - 2, field.bottom});
    const RECT button = ButtonRect();
    p.Fill(button, kField);
    p.Frame(button, kEdge);
    const std::string label = searching_ ? "Stop" : "Search";
    p.Text(POINT{button.left + (button.right - button.left - plat::MeasureText(PaneFont(), label, kUtf8)) / 2,
                 button.top + 3},
           label, kInk, button);
    p.Text(POINT{inner.left, field.bottom + 2}, progress_, kGrayInk, inner);

    if (!hits_.empty()) {
        const RECT hits = HitsRect();
        p.Fill(hits, kField);
        p.Frame(hits, kEdge);
        const int rows = VisibleHitRows();
        for (int row = 0; row < rows && firstHit_ + row < static_cast<int>(hits_.size()); ++row)
            p.Text(POINT{hits.left + 4, hits.top + 2 + row * LineHeight()},
                   hits_[static_cast<size_t>(firstHit_ + row)].label, kLink,
                   RECT{hits.left + 1, hits.top + 1, hits.right - 1, hits.bottom - 1});
    }

    const RECT text = TextRect();
    p.Fill(text, kField);
    p.Frame(text, kEdge);
    const std::vector<std::string> wrapped = Wrapped();
    const int shownLines = static_cast<int>(text.bottom - text.top - 4) / LineHeight();
    for (int i = 0; i < shownLines && firstLine_ + i < static_cast<int>(wrapped.size()); ++i)
        p.Text(POINT{text.left + 4, text.top + 2 + i * LineHeight()},
               wrapped[static_cast<size_t>(firstLine_ + i)], kInk,
               RECT{text.left + 1, text.top + 1, text.right - 1, text.bottom - 1});
    return p.drawing;
}

} // namespace tavrin::reader
