// Drawing the interactive interaction's pictures with the layer's renderer.
#include "interaction/sketch.h"

#include "plat/render.h"
#include "plat/resources.h"

#include <cctype>

namespace plat::detail {

LOGFONTA SketchFont() {
    LOGFONTA lf{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return lf;
}

int SketchLineHeight() {
    static const int height = MetricsForFont(SketchFont()).tmHeight;
    return height;
}

int SketchTextWidth(const std::string& text, UINT codePage) {
    return MeasureText(SketchFont(), text, codePage ? codePage : CodePage());
}

void Sketch::Fill(const RECT& r, COLORREF color) {
    DrawOp op;
    op.kind = DrawKind::Fill;
    op.rect = r;
    op.clip = RECT{0, 0, width_, height_};
    op.color = color;
    op.rop = PATCOPY;
    drawing_.ops.push_back(op);
}

void Sketch::Frame(const RECT& r, COLORREF color) {
    DrawOp op;
    op.kind = DrawKind::Frame;
    op.rect = r;
    op.clip = RECT{0, 0, width_, height_};
    op.color = color;
    drawing_.ops.push_back(op);
}

void Sketch::Text(POINT at, const std::string& text, COLORREF color, UINT codePage, int underline,
                  RECT clip) {
    DrawOp op;
    op.kind = DrawKind::Text;
    op.pos = at;
    op.text = text;
    op.codePage = codePage ? codePage : CodePage();
    op.textColor = color;
    op.bkMode = TRANSPARENT;
    op.font = SketchFont();
    op.underline = underline;
    op.rect = RECT{at.x, at.y, width_, at.y + SketchLineHeight()};
    op.clip = (clip.right > clip.left) ? clip : RECT{0, 0, width_, height_};
    drawing_.ops.push_back(op);
}

Overlay Sketch::Picture(POINT at, COLORREF background) const {
    return Overlay{RenderToImage(drawing_, width_, height_, background), at};
}

MenuText SplitMenuText(const std::string& text) {
    MenuText out;
    std::string label = text;
    if (size_t tab = label.find('\t'); tab != std::string::npos) {
        out.accelerator = label.substr(tab + 1);
        label.resize(tab);
    }
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&' && i + 1 < label.size()) {
            ++i;
            if (label[i] != '&' && out.underline < 0) {
                out.underline = static_cast<int>(out.label.size());
                out.mnemonic = static_cast<char>(std::tolower(static_cast<unsigned char>(label[i])));
            }
        }
        out.label += label[i];
    }
    return out;
}

} // namespace plat::detail
