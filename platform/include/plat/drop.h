// Dragging data from "another program" onto the layer's windows: what a host or test uses to act as
// the drag source and the mouse, on top of the drop targets registered with RegisterDragDrop.
//
// A drag follows the platform's order: the registered window under the point (the window at the
// point, or the nearest of its ancestors that has a drop target) gets DragEnter when the drag
// reaches it, DragOver while it moves inside it, and DragLeave when the drag moves on to another
// window or is cancelled. On the drop, DragOver is called once more at the drop point; when that
// answer is DROPEFFECT_NONE the target gets DragLeave instead of Drop. Every effect a target answers
// is masked with the effects the source allows (DROPEFFECT_SCROLL passes).
#pragma once

#include "win/ole.h"
#include "win/winuser.h"

#include <map>
#include <string>

namespace plat {

// A data object that offers fixed bytes per clipboard format.
class DataObject final : public IDataObject {
  public:
    DataObject() = default;
    // Offers `text` (bytes in the active code page) as CF_TEXT.
    explicit DataObject(const std::string& text);
    ~DataObject() = default;

    // Offers `bytes` in format `cf`; for CF_TEXT the copies handed out get a terminating zero.
    void SetData(CLIPFORMAT cf, const std::string& bytes);
    HRESULT QueryGetData(CLIPFORMAT cf) override;
    HRESULT GetData(CLIPFORMAT cf, HGLOBAL* phGlobal) override;

  private:
    std::map<CLIPFORMAT, std::string> formats_;
};

// Moves a drag to `screen`. `window`, when given, is the window the caller knows to be at the point
// (its deepest visible child there is taken); null means the window found with WindowFromPoint.
// The first call of a drag starts it with `data` (the caller keeps `data` alive until the drag
// ends); later calls of the same drag ignore `data` and `allowedEffects`. Returns the effect the
// target under the point answered (DROPEFFECT_NONE when there is none).
DWORD DragDataOver(HWND window, POINT screen, IDataObject* data, DWORD keyState, DWORD allowedEffects);
// Releases the drag at `screen` (moving it there first). Returns the effect of the drop as the
// target reported it from Drop, or DROPEFFECT_NONE when it was not dropped. Ends the drag.
DWORD DropData(HWND window, POINT screen, IDataObject* data, DWORD keyState, DWORD allowedEffects);

// The same with text offered as CF_TEXT (the layer keeps the data object for the drag).
DWORD DragTextOver(HWND window, POINT screen, const std::string& text, DWORD keyState = MK_LBUTTON,
                   DWORD allowedEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE);
DWORD DropText(HWND window, POINT screen, const std::string& text, DWORD keyState = MK_LBUTTON,
               DWORD allowedEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE);

// Cancels the drag in progress (the user pressed Esc): the entered target gets DragLeave.
void CancelTextDrag();
void CancelDrag();

bool DragInProgress();
// The registered window the drag is over now (nullptr when none).
HWND DragTargetWindow();

// The drop target registered on `hwnd` (nullptr when none).
IDropTarget* DropTargetOf(HWND hwnd);
// The OLE initialisation count (0 = not initialised).
int OleInitCount();

// Global-memory blocks allocated and not yet freed (for leak checks).
size_t GlobalBlockCount();

// Ends any drag without calling targets, forgets all registrations and sets the OLE count to 0.
void ResetDragDropForTest();

} // namespace plat
