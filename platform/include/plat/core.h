// What the platform layer offers beyond the Windows API for hosts and tests: the message pump, the
// layer's clock, injected input, recorded beeps and a way to start a test from a clean state.
#pragma once

#include "win/winuser.h"

#include <functional>
#include <string>
#include <vector>

namespace plat {

// ---- message pump ----
// Delivers every posted message, then due timers and pending paints, until nothing is left or
// `limit` messages were delivered. Returns the number of messages delivered. Never blocks.
int PumpMessages(int limit = 100000);
// True while a WM_QUIT has been posted and not yet retrieved.
bool QuitPosted();

// ---- clock ----
// The layer's clock drives GetTickCount, message times and timers. By default it follows the
// machine's monotonic clock; a test switches to a manual clock and steps it.
void UseManualClock(bool manual);
void AdvanceClock(DWORD milliseconds);  // manual clock only; due timers fire on the next pump
// How long until the next timer is due (0 when one is due now), or -1 when no timer is set: how long
// a host's loop may sleep waiting for input before it must pump again.
int MillisecondsToNextTimer();

// ---- injected input ----
// Sets the cursor position (screen coordinates) and the position GetMessagePos reports.
void SetCursorScreenPos(POINT screen);
// Mouse input as a user makes it: the layer sets the cursor, works out the message position and
// sends the button messages to `hwnd` with client coordinates `client`. A press that a window
// handles with a modal tracking loop sees the messages queued with PostMouseMove/PostButtonUp.
void SendMouse(HWND hwnd, UINT msg, POINT client, WPARAM keys = 0);
void PostMouse(HWND hwnd, UINT msg, POINT client, WPARAM keys = 0);
// Keys held down as GetKeyState reports them (VK_SHIFT, VK_CONTROL, ...).
void SetKeyDown(int vk, bool down);

// ---- observation ----
const std::vector<UINT>& Beeps();  // MessageBeep calls, in order
void ClearBeeps();

// A spy sees every message delivered to any window procedure (sent or dispatched), before the
// procedure runs. Returns an id for RemoveMessageSpy.
using MessageSpy = std::function<void(HWND, UINT, WPARAM, LPARAM)>;
int AddMessageSpy(MessageSpy spy);
void RemoveMessageSpy(int id);

// Number of live windows (for leak checks in tests).
size_t WindowCount();

// Window creation parameters of the screen: its size for GetSystemMetrics.
void SetScreenSize(int width, int height);

// Destroys every window and clears the queue, timers, capture, focus, beeps and spies: a test
// starts from here. Window classes and registered messages stay, as on the platform.
void ResetWindows();

} // namespace plat
