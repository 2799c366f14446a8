// The one way the control's messages reach its host window (tavrin/host_messages.h): which are sent
// and which are posted is decided here, for every message, and nowhere else.
#pragma once

#include "win/types.h"

namespace tavrin {

// Delivers the WM_SHELF_* message `uMessage` to the host: the parent window of the control window
// hCtrl. WM_SHELF_NOTIFY and WM_SHELF_DROPTEXT are sent (the host has handled them when this returns,
// so a record lParam points to may live on the caller's stack); WM_SHELF_BOOKCLOSED is posted (the
// host hears of it after the caller is done with the book). 1 when the message was sent or queued; 0
// when the control has no host window, or for a message that is not one of the host's.
int NotifyHost(HWND hCtrl, UINT uMessage, WPARAM wParam, LPARAM lParam);

} // namespace tavrin
