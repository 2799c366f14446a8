// The host's main window: a plain top-level window that records the notifications it receives.
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

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(const NMHDR& header);

    HWND hwnd_ = nullptr;
    std::vector<std::string> received_;
};

} // namespace tavrin::host
