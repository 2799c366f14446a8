// Message-map look-up: the class's own entries first, then each base class's.
#include "afx/msgmap.h"

namespace {

// Messages whose entries are chosen by notification code and id as well as by message.
bool IsRoutedByCode(UINT message) {
    return message == WM_COMMAND || message == WM_NOTIFY || message == WM_REFLECT_BASE + WM_COMMAND ||
           message == WM_REFLECT_BASE + WM_NOTIFY;
}

bool Matches(const AFX_MSGMAP_ENTRY& entry, UINT nMessage, UINT nCode, UINT nID) {
    if (entry.pnRegistered) return nMessage != 0 && *entry.pnRegistered == nMessage;
    if (entry.nMessage != nMessage) return false;
    if (!IsRoutedByCode(nMessage)) return true;
    return entry.nCode == nCode && nID >= entry.nID && nID <= entry.nLastID;
}

const AFX_MSGMAP_ENTRY* FindIn(const AFX_MSGMAP* map, const AFX_MSGMAP_ENTRY* after, UINT nMessage,
                               UINT nCode, UINT nID, const AFX_MSGMAP** foundIn) {
    // Continues the walk just past `after` (null: from the start of `map`).
    bool skipping = after != nullptr;
    for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e && e->pfn; ++e) {
            if (skipping) {
                if (e == after) skipping = false;
                continue;
            }
            if (Matches(*e, nMessage, nCode, nID)) {
                *foundIn = map;
                return e;
            }
        }
    }
    return nullptr;
}

} // namespace

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const {
    const AFX_MSGMAP* in = nullptr;
    return FindIn(GetMessageMap(), nullptr, nMessage, nCode, nID, &in);
}

BOOL CCmdTarget::DispatchMessageEntry(AFX_MSGCALL& call, UINT nMessage, UINT nCode, UINT nID) {
    // An entry that declines (the _EX forms answering FALSE) passes the message on to the next
    // matching entry, normally one in a base class's map.
    const AFX_MSGMAP* map = GetMessageMap();
    const AFX_MSGMAP_ENTRY* entry = nullptr;
    const AFX_MSGMAP* in = map;
    while ((entry = FindIn(entry ? in : map, entry, nMessage, nCode, nID, &in)) != nullptr) {
        if (entry->pfn(this, call)) return TRUE;
    }
    return FALSE;
}
