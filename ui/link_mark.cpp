#include "ui/link_mark.h"

#include "resources/resource_ids.h"

#include <cstring>

namespace tavrin {

void DrawLinkMark(HDC dc, HMODULE module, const RECT& label, int trunkStatus, COLORREF text, COLORREF back) {
    if (!dc) return;
    char mark[260] = "";
    UINT id = trunkStatus ? IDS_ONLINE_MARK : IDS_OFFLINE_MARK;
    int length = ::LoadStringA(module, id, mark, sizeof mark);
    if (length <= 0) return; // a missing string is no mark rather than an empty box
    mark[sizeof mark - 1] = '\0';
    COLORREF oldText = ::SetTextColor(dc, text);
    COLORREF oldBack = ::SetBkColor(dc, back);
    ::TextOutA(dc, label.right + 2, label.top + 2, mark, static_cast<int>(std::strlen(mark)));
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBack);
}

} // namespace tavrin
