// COleDataObject: the data being dragged, as a drop target sees it.
#pragma once

#include "afx/defs.h"
#include "win/ole.h"

class COleDataObject {
public:
    COleDataObject() = default;
    COleDataObject(const COleDataObject&) = delete;
    COleDataObject& operator=(const COleDataObject&) = delete;

    // The data object is the drag source's; this object only looks at it (data objects here are not
    // reference counted, so bAutoRelease has no effect).
    void Attach(IDataObject* lpDataObject, BOOL bAutoRelease = TRUE) {
        (void)bAutoRelease;
        m_lpDataObject = lpDataObject;
    }
    IDataObject* Detach() {
        IDataObject* p = m_lpDataObject;
        m_lpDataObject = nullptr;
        return p;
    }
    void Release() { m_lpDataObject = nullptr; }

    // TRUE when the data is offered in cfFormat as global memory.
    BOOL IsDataAvailable(CLIPFORMAT cfFormat) const;
    // A copy of the data in cfFormat that the caller owns (GlobalLock to read, GlobalUnlock,
    // GlobalFree); null when it is not offered. CF_TEXT copies end with a zero byte.
    HGLOBAL GetGlobalData(CLIPFORMAT cfFormat) const;

    IDataObject* m_lpDataObject = nullptr;
};
