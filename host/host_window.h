// The host's main window: a plain top-level window that records, as readable lines, the messages the
// shelf control sends it.
#pragma once

#include "windows.h"

#include <string>
#include <vector>

namespace tavrin::host {

class HostWindow {
  public:
    bool Create(const char* title, RECT rect);
    HWND Handle() const { return hwnd_; }
    const std::vector<std::string>& Received() const { return received_; }
    void ClearReceived() { received_.clear(); }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnShelfMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    std::vector<std::string> received_;
};

} // namespace tavrin::host
