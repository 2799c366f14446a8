// DrawTextA: prefix characters, line breaks and word wrapping, alignment in the rectangle, the end
// ellipsis, and DT_CALCRECT. Each drawn line is recorded as one text operation.
#include "gdi/codepage.h"
#include "gdi/font_engine.h"
#include "gdi/text_out.h"
#include "plat/resources.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace plat;
using namespace plat::detail;

namespace {

struct Line {
    std::string text;
    int underline = -1; // byte offset of the prefixed character in this line
};

// Removes '&' prefixes: "&&" shows one '&', "&x" shows x underlined (unless hidden).
std::string StripPrefixes(const std::string& in, UINT cp, int* underline) {
    std::string out;
    *underline = -1;
    for (size_t i = 0; i < in.size();) {
        if (in[i] == '&') {
            if (i + 1 < in.size() && in[i + 1] == '&') {
                out.push_back('&');
                i += 2;
                continue;
            }
            if (i + 1 < in.size()) *underline = static_cast<int>(out.size());
            ++i;
            continue;
        }
        size_t len = CharLength(in.data(), i, in.size(), cp);
        out.append(in, i, len);
        i += len;
    }
    return out;
}

int Width(const FontFace& face, const std::string& s, UINT cp) {
    return TextWidth(face, s.data(), s.size(), cp);
}

// Splits one paragraph into lines that fit `maxWidth`, breaking after spaces. A word wider than the
// rectangle stays whole on its own line.
void Wrap(const FontFace& face, const std::string& para, int maxWidth, UINT cp,
          std::vector<std::string>& out) {
    std::string line;
    size_t i = 0;
    while (i < para.size()) {
        size_t start = i;
        while (i < para.size() && para[i] != ' ')
            i += CharLength(para.data(), i, para.size(), cp);
        while (i < para.size() && para[i] == ' ')
            ++i;
        std::string word = para.substr(start, i - start);
        std::string candidate = line + word;
        std::string trimmed = candidate.substr(0, candidate.find_last_not_of(' ') + 1);
        if (!line.empty() && Width(face, trimmed, cp) > maxWidth) {
            out.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
            line = word;
        } else {
            line = candidate;
        }
    }
    out.push_back(line.empty() ? line : line.substr(0, line.find_last_not_of(' ') + 1));
}

// Cuts characters from the end until the text plus "..." fits; the text is kept when it fits as is.
std::string EndEllipsis(const FontFace& face, const std::string& text, int maxWidth, UINT cp) {
    if (Width(face, text, cp) <= maxWidth) return text;
    TextLayout layout = LayoutText(face, text.data(), text.size(), cp);
    int dots = Width(face, "...", cp);
    size_t keep = 0;
    for (const LaidChar& c : layout.chars) {
        if (c.x + c.advance + dots > maxWidth) break;
        keep = c.offset + c.length;
    }
    return text.substr(0, keep) + "...";
}

} // namespace

extern "C" int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    DcObject* dc = LookupDc(hdc);
    if (!dc || !lprc || (!lpchText && cchText != 0)) return 0;
    size_t n = cchText < 0 ? (lpchText ? std::strlen(lpchText) : 0) : static_cast<size_t>(cchText);
    std::string text = n ? std::string(lpchText, n) : std::string();
    UINT cp = plat::CodePage();
    const FontFace& face = FaceFor(SelectedFont(*dc));
    int lineHeight =
        face.metrics.tmHeight + ((format & DT_EXTERNALLEADING) ? face.metrics.tmExternalLeading : 0);
    int boxWidth = lprc->right - lprc->left;

    // Lines.
    std::vector<std::string> raw;
    if (format & DT_SINGLELINE) {
        raw.push_back(text);
    } else {
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
                std::string para = text.substr(start, i - start);
                if (format & DT_WORDBREAK)
                    Wrap(face, para, boxWidth, cp, raw);
                else
                    raw.push_back(para);
                if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
                start = i + 1;
            }
        }
    }
    std::vector<Line> lines;
    for (const std::string& r : raw) {
        Line l;
        if (format & DT_NOPREFIX) {
            l.text = r;
        } else {
            l.text = StripPrefixes(r, cp, &l.underline);
            if (format & DT_HIDEPREFIX) l.underline = -1;
        }
        if (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
            std::string cut = EndEllipsis(face, l.text, boxWidth, cp);
            if (cut != l.text && l.underline >= static_cast<int>(cut.size()) - 3) l.underline = -1;
            l.text = cut;
        }
        lines.push_back(l);
    }
    if (text.empty()) lines.assign(1, Line{});

    int widest = 0;
    for (const Line& l : lines)
        widest = std::max(widest, Width(face, l.text, cp));
    int total = static_cast<int>(lines.size()) * lineHeight;

    if (format & DT_CALCRECT) {
        lprc->right = lprc->left + widest;
        lprc->bottom = lprc->top + (text.empty() && !(format & DT_SINGLELINE) ? 0 : total);
        return total;
    }

    int y = lprc->top;
    bool single = (format & DT_SINGLELINE) != 0;
    if (single && (format & DT_VCENTER))
        y = lprc->top + (lprc->bottom - lprc->top - lineHeight) / 2;
    else if (single && (format & DT_BOTTOM))
        y = lprc->bottom - lineHeight;

    RECT clipDevice = ToDevice(*dc, *lprc);
    const RECT* clip = (format & DT_NOCLIP) ? nullptr : &clipDevice;
    for (const Line& l : lines) {
        int w = Width(face, l.text, cp);
        int x = lprc->left;
        if (format & DT_CENTER)
            x = lprc->left + (boxWidth - w) / 2;
        else if (format & DT_RIGHT)
            x = lprc->right - w;
        if (!l.text.empty()) EmitText(*dc, ToDevice(*dc, x, y), l.text, true, clip, l.underline);
        y += lineHeight;
    }
    if (single && (format & (DT_VCENTER | DT_BOTTOM))) return y - lprc->top;
    return total;
}
