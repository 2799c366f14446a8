// The reader's main window on the platform: a top-level window without a frame at (0, 0) of the
// platform's screen, as large as the real window, the parent of the shelf control. It hands what the
// shelf sends (WM_SHELF_*) and its size changes to a listener.
#pragma once

#include "windows.h"

namespace tavrin::reader {

class ReaderWindowListener {
  public:
    virtual ~ReaderWindowListener() = default;
    // A WM_SHELF_* message; records it points to live only during the call.
    virtual void OnShelfMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    virtual void OnSize(int width, int height) = 0;
};

class ReaderWindow {
  public:
    bool Create(ReaderWindowListener* listener, int width, int height);
    ~ReaderWindow();
    HWND Handle() const { return hwnd_; }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

} // namespace tavrin::reader
