// The "(On-line)" / "(Off-line)" mark written right of a linked catalog's label, and the colours the
// shelf paints with.
#pragma once

#include "windows.h"

namespace tavrin {

inline constexpr COLORREF kSelectionText = 0xFFFFFF; // white label text of a selected item
inline constexpr COLORREF kSelectionBack = 0x800000; // navy behind it; the on-line mark of a selected item
inline constexpr COLORREF kOfflineMark = 0x1D33B1;   // brick red: the mark while the trunk status is 0
inline constexpr COLORREF kLabelBack = 0xFFFFFF;     // white behind every other label

// Writes the mark for `trunkStatus` (nonzero: on-line) on `dc` at label.right + 2, label.top + 2 in
// `text` on `back`, loading its text from `module` in the user's language; the DC's colours are put
// back afterwards. `label` is the label rectangle of the item in the DC's coordinates.
void DrawLinkMark(HDC dc, HMODULE module, const RECT& label, int trunkStatus, COLORREF text, COLORREF back);

} // namespace tavrin
