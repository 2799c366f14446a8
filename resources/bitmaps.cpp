// The 16 x 16 images of the shelf image list, drawn from character art. White (0xFFFFFF) is the
// transparent colour, so no drawn pixel is pure white. Each image group has its own design; a
// group's open image differs from its closed one, and the groups with separate off-line images get
// greyed copies of their on-line ones.
#include "bitmaps.h"

#include "resource_ids.h"

#include <array>
#include <string_view>

namespace tavrin::detail {
namespace {

constexpr int kSize = 16;
constexpr COLORREF kTransparent = RGB(255, 255, 255);

using Art = std::array<std::string_view, kSize>;
using Emblem = std::array<std::string_view, 5>;

consteval bool WellFormed(const Art& art) {
    for (std::string_view row : art)
        if (row.size() != kSize) return false;
    return true;
}
consteval bool WellFormed(const Emblem& emblem) {
    for (std::string_view row : emblem)
        if (row.size() != 5) return false;
    return true;
}

// Colours of an art's letters. 'c', 'C' and 'e' are the cover, dark cover and emblem colours that
// each use of an art chooses.
struct Colors {
    COLORREF cover = RGB(60, 90, 200);
    COLORREF coverDark = RGB(30, 50, 130);
    COLORREF emblem = RGB(250, 220, 90);
};

COLORREF ColorOf(char c, const Colors& colors) {
    switch (c) {
    case '.':
        return kTransparent;
    case 'k':
        return RGB(32, 32, 32); // outline
    case 'w':
        return RGB(139, 90, 43); // wood
    case 'W':
        return RGB(205, 160, 100); // light wood
    case 'p':
        return RGB(248, 248, 236); // paper
    case 'l':
        return RGB(150, 150, 150); // text line
    case 'r':
        return RGB(200, 40, 40);
    case 'g':
        return RGB(40, 150, 60);
    case 'b':
        return RGB(40, 80, 200);
    case 'y':
        return RGB(230, 190, 40);
    case 'd':
        return RGB(90, 90, 100); // device frame
    case 's':
        return RGB(190, 225, 245); // screen
    case 'c':
        return colors.cover;
    case 'C':
        return colors.coverDark;
    case 'e':
        return colors.emblem;
    default:
        return RGB(255, 0, 255); // unknown letter: loud on purpose
    }
}

// ---- the arts ----
// clang-format off

constexpr Art kShelfClosed = {
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kWWWWWkkWWWWWk.",
    ".kWWWWWkkWWWWWk.",
    ".kWWWWWkkWWWWWk.",
    ".kWWWWWkkWWWWWk.",
    ".kWWWWWkkWWWWWk.",
    ".kWWWWykkyWWWWk.",
    ".kWWWWWkkWWWWWk.",
    ".kWWWWWkkWWWWWk.",
    ".kWWWWWkkWWWWWk.",
    ".kWWWWWkkWWWWWk.",
    ".kWWWWWkkWWWWWk.",
    ".kkkkkkkkkkkkkk.",
    ".kk..........kk.",
    "................",
};
constexpr Art kShelfOpen = {
    "................",
    ".WWkkkkkkkkkkWW.",
    ".WWkrgbyrgbykWW.",
    ".WWkrgbyrgbykWW.",
    ".WWkrgbyrgbykWW.",
    ".WWkrgbyrgbykWW.",
    ".WWkrgbyrgbykWW.",
    ".WWkkkkkkkkkkWW.",
    ".WWkbyrgbyrgkWW.",
    ".WWkbyrgbyrgkWW.",
    ".WWkbyrgbyrgkWW.",
    ".WWkbyrgbyrgkWW.",
    ".WWkbyrgbyrgkWW.",
    ".WWkkkkkkkkkkWW.",
    "...kk......kk...",
    "................",
};
constexpr Art kBookClosed = {
    "................",
    "..kkkkkkkkkkkkk.",
    "..kCcccccccccck.",
    "..kCcccccccccck.",
    "..kCcceeeeeccck.",
    "..kCcceeeeeccck.",
    "..kCcccccccccck.",
    "..kCcccccccccck.",
    "..kCcccccccccck.",
    "..kCcccccccccck.",
    "..kCcccccccccck.",
    "..kCcccccccccck.",
    "..kCcccccccccck.",
    "..kCkkkkkkkkkkk.",
    "..kCppppppppppk.",
    "..kkkkkkkkkkkkk.",
};
constexpr Art kBookOpen = {
    "................",
    "................",
    "................",
    ".kkkkkk..kkkkkk.",
    "kppppppkkppppppk",
    "kpllllpkkpllllpk",
    "kppppppkkppppppk",
    "kpllllpkkpllllpk",
    "kppppppkkppppppk",
    "kpllllpkkpllllpk",
    "kppppppkkppppppk",
    "kpllllpkkpllllpk",
    "kppppppkkppppppk",
    "ckkkkkkcckkkkkkc",
    ".cccccccccccccc.",
    "................",
};
constexpr Art kChapterClosed = {
    "................",
    "....kkkkkkkkkk..",
    "....kppppppppk..",
    "..kkkkkkkkkkpk..",
    "..kggggggggkpk..",
    "..kggggggggkpk..",
    "..kppppppppkpk..",
    "..kppppppppkpk..",
    "..kppppppppkpk..",
    "..kppppppppkpk..",
    "..kppppppppkpk..",
    "..kppppppppkpk..",
    "..kppppppppkpk..",
    "..kppppppppkkk..",
    "..kkkkkkkkkk....",
    "................",
};
constexpr Art kChapterOpen = {
    "................",
    "..kkkkkkkkkkkk..",
    "..kggggggggggk..",
    "..kggggggggggk..",
    "..kppppppppppk..",
    "..kpllllllllpk..",
    "..kppppppppppk..",
    "..kpllllllllpk..",
    "..kppppppppppk..",
    "..kpllllllllpk..",
    "..kppppppppppk..",
    "..kpllllllllpk..",
    "..kppppppppppk..",
    "..kppppppppppk..",
    "..kkkkkkkkkkkk..",
    "................",
};
constexpr Art kPage = {
    "................",
    "..kkkkkkkkk.....",
    "..kpppppppkk....",
    "..kpppppppkpk...",
    "..kpppppppkkkk..",
    "..kppppppppppk..",
    "..kpllllllllpk..",
    "..kppppppppppk..",
    "..kpllllllllpk..",
    "..kppppppppppk..",
    "..kpllllllllpk..",
    "..kppppppppppk..",
    "..kplllllppppk..",
    "..kppppppppppk..",
    "..kkkkkkkkkkkk..",
    "................",
};
constexpr Art kTablet = {
    "................",
    "...kkkkkkkkkk...",
    "...kddddddddk...",
    "...kdssssssdk...",
    "...kdsllllsdk...",
    "...kdssssssdk...",
    "...kdsllllsdk...",
    "...kdssssssdk...",
    "...kdsllllsdk...",
    "...kdssssssdk...",
    "...kdsllllsdk...",
    "...kdssssssdk...",
    "...kddddddddk...",
    "...kdddkkdddk...",
    "...kkkkkkkkkk...",
    "................",
};
constexpr Art kRibbon = {
    "................",
    ".....kkkkkk.....",
    ".....krrrrk.....",
    ".....krrrrk.....",
    ".....krrrrk.....",
    ".....krrrrk.....",
    ".....krrrrk.....",
    ".....krrrrk.....",
    ".....krrrrk.....",
    ".....krrrrk.....",
    ".....krrrrk.....",
    ".....krrrrk.....",
    ".....krkkrk.....",
    ".....kk..kk.....",
    ".....k....k.....",
    "................",
};
constexpr Art kFolderClosed = {
    "................",
    "................",
    ".kkkkk..........",
    "kCCCCCk.........",
    "kCCCCCCkkkkkkkk.",
    "kccccccccccccck.",
    "kccccccccccccck.",
    "kccccccccccccck.",
    "kccccccccccccck.",
    "kccccccccccccck.",
    "kccccccccccccck.",
    "kccccccccccccck.",
    "kccccccccccccck.",
    "kccccccccccccck.",
    "kkkkkkkkkkkkkkk.",
    "................",
};
constexpr Art kFolderOpen = {
    "................",
    "................",
    ".kkkkk..........",
    "kCCCCCk.........",
    "kCCCCCCkkkkkkk..",
    "kCCCCCCCCCCCCCk.",
    "kCkkkkkkkkkkkkkk",
    "kCkcccccccccccck",
    "kCkccccccccccck.",
    "kkcccccccccccck.",
    "kkccccccccccck..",
    "kcccccccccccck..",
    "kccccccccccck...",
    "kkkkkkkkkkkkk...",
    "................",
    "................",
};

// clang-format on

static_assert(WellFormed(kShelfClosed) && WellFormed(kShelfOpen) && WellFormed(kBookClosed) &&
              WellFormed(kBookOpen) && WellFormed(kChapterClosed) && WellFormed(kChapterOpen) &&
              WellFormed(kPage) && WellFormed(kTablet) && WellFormed(kRibbon) && WellFormed(kFolderClosed) &&
              WellFormed(kFolderOpen));

// Emblems, 5 x 5, drawn in the emblem colour over an art ('e' draws, '.' leaves the art).
constexpr Emblem kEmblemNone = {".....", ".....", ".....", ".....", "....."};
constexpr Emblem kEmblemLetterA = {"..e..", ".e.e.", "e...e", "eeeee", "e...e"};
constexpr Emblem kEmblemHeart = {".e.e.", "eeeee", "eeeee", ".eee.", "..e.."};
constexpr Emblem kEmblemGlobe = {".eee.", "e.e.e", "eeeee", "e.e.e", ".eee."};
constexpr Emblem kEmblemStar = {"..e..", "eeeee", ".eee.", ".e.e.", "e...e"};
constexpr Emblem kEmblemDrawer = {"eeeee", "e...e", "e.e.e", "e...e", "eeeee"};
constexpr Emblem kEmblemPlus = {"..e..", "..e..", "eeeee", "..e..", "..e.."};
constexpr Emblem kEmblemQuestion = {".eee.", "e...e", "..ee.", ".....", "..e.."};
constexpr Emblem kEmblemDisc = {".eee.", "e...e", "e.e.e", "e...e", ".eee."};
constexpr Emblem kEmblemNote = {"..ee.", "..e.e", "..e..", "eee..", "ee..."};
constexpr Emblem kEmblemLines = {"eeeee", ".....", "eeeee", ".....", "eee.."};

static_assert(WellFormed(kEmblemNone) && WellFormed(kEmblemLetterA) && WellFormed(kEmblemHeart) &&
              WellFormed(kEmblemGlobe) && WellFormed(kEmblemStar) && WellFormed(kEmblemDrawer) &&
              WellFormed(kEmblemPlus) && WellFormed(kEmblemQuestion) && WellFormed(kEmblemDisc) &&
              WellFormed(kEmblemNote) && WellFormed(kEmblemLines));

plat::BitmapResource Draw(const Art& art, const Colors& colors = {}) {
    plat::BitmapResource bmp;
    bmp.width = kSize;
    bmp.height = kSize;
    bmp.pixels.reserve(kSize * kSize);
    for (std::string_view row : art)
        for (char c : row)
            bmp.pixels.push_back(ColorOf(c, colors));
    return bmp;
}

void Stamp(plat::BitmapResource& bmp, const Emblem& emblem, int left, int top, COLORREF color) {
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            if (emblem[y][x] == 'e') bmp.pixels[(top + y) * kSize + left + x] = color;
}

// The off-line look: grey, lighter, never pure white.
plat::BitmapResource Greyed(plat::BitmapResource bmp) {
    for (COLORREF& px : bmp.pixels) {
        if (px == kTransparent) continue;
        unsigned lum = (GetRValue(px) * 30u + GetGValue(px) * 59u + GetBValue(px) * 11u) / 100u;
        unsigned v = 110u + lum * 120u / 255u; // 110 .. 230
        px = RGB(v, v, v);
    }
    return bmp;
}

// A catalog design: a folder in its own colours with its emblem on the front.
struct FolderDesign {
    Colors colors;
    const Emblem* emblem;
};

plat::BitmapResource Folder(const FolderDesign& d, bool open) {
    plat::BitmapResource bmp = Draw(open ? kFolderOpen : kFolderClosed, d.colors);
    Stamp(bmp, *d.emblem, 5, open ? 8 : 7, d.colors.emblem);
    return bmp;
}

void Put(std::map<UINT, plat::BitmapResource>& out, UINT id, plat::BitmapResource bmp) {
    out[id] = std::move(bmp);
}

// Four images of a catalog group: on-line closed/open and, when the ids differ, greyed off-line ones.
void PutFolderGroup(std::map<UINT, plat::BitmapResource>& out, const UINT (&ids)[kImageColumns],
                    const FolderDesign& d) {
    Put(out, ids[0], Folder(d, false));
    Put(out, ids[1], Folder(d, true));
    if (ids[2] != ids[0]) Put(out, ids[2], Greyed(Folder(d, false)));
    if (ids[3] != ids[1]) Put(out, ids[3], Greyed(Folder(d, true)));
}

} // namespace

void AddShelfBitmaps(std::map<UINT, plat::BitmapResource>& out) {
    Put(out, IDB_SHELF, Draw(kShelfClosed));
    Put(out, IDB_SHELF_OPEN, Draw(kShelfOpen));

    const Colors bookColors{RGB(50, 90, 200), RGB(25, 45, 120), RGB(240, 210, 90)};
    Put(out, IDB_BOOK, Draw(kBookClosed, bookColors));
    Put(out, IDB_BOOK_OPEN, Draw(kBookOpen, bookColors));

    Put(out, IDB_CHAPTER, Draw(kChapterClosed));
    Put(out, IDB_CHAPTER_OPEN, Draw(kChapterOpen));

    Put(out, IDB_SPARE, Draw(kRibbon));

    // Dictionaries: a red book with a gold letter on the cover, and on the left page when open.
    const Colors dictColors{RGB(180, 30, 30), RGB(110, 15, 15), RGB(240, 200, 60)};
    plat::BitmapResource dict =
        Draw(kBookClosed, Colors{dictColors.cover, dictColors.coverDark, dictColors.cover});
    Stamp(dict, kEmblemLetterA, 6, 5, dictColors.emblem);
    Put(out, IDB_DICT, std::move(dict));
    plat::BitmapResource dictOpen = Draw(kBookOpen, dictColors);
    Stamp(dictOpen, kEmblemLetterA, 1, 6, dictColors.cover);
    Put(out, IDB_DICT_OPEN, std::move(dictOpen));

    Put(out, IDB_EBOOK, Draw(kTablet));

    const FolderDesign designs[] = {
        {{RGB(235, 195, 70), RGB(170, 130, 30), RGB(200, 40, 40)}, &kEmblemHeart}, // 6: catalogs 5, 18
        {{RGB(70, 170, 80), RGB(30, 110, 45), RGB(20, 80, 30)}, &kEmblemNone},     // 7: catalogs 6-10, 17, 19
        {{RGB(70, 130, 220), RGB(35, 75, 150), RGB(200, 240, 250)}, &kEmblemGlobe},  // 8: online
        {{RGB(210, 60, 50), RGB(140, 30, 25), RGB(250, 230, 80)}, &kEmblemStar},     // 9: catalog 1
        {{RGB(140, 80, 190), RGB(85, 40, 125), RGB(230, 210, 245)}, &kEmblemDrawer}, // 10: catalogs 2, 3, ...
        {{RGB(240, 140, 40), RGB(170, 90, 20), RGB(250, 245, 220)}, &kEmblemPlus},   // 11: catalog 4
        {{RGB(160, 160, 160), RGB(100, 100, 100), RGB(40, 40, 40)}, &kEmblemQuestion}, // 12: "65535"
        {{RGB(40, 170, 170), RGB(20, 110, 110), RGB(230, 250, 250)}, &kEmblemDisc},    // 13: catalog 11
        {{RGB(150, 100, 60), RGB(95, 60, 30), RGB(250, 235, 200)}, &kEmblemNote},      // 14: catalog 12
        {{RGB(230, 120, 170), RGB(160, 60, 110), RGB(120, 20, 70)}, &kEmblemLines},    // 15: catalog 13
    };
    for (int group = 6; group <= 15; ++group)
        PutFolderGroup(out, kImageGroupBitmaps[group], designs[group - 6]);

    Put(out, IDB_PAGE, Draw(kPage));
}

} // namespace tavrin::detail
