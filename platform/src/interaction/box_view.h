// A message box as the interactive interaction shows it: a title bar with the caption, the text's
// lines and the buttons of its type, centred on the screen, one button focused.
#pragma once

#include "interaction/sketch.h"

#include <vector>

namespace plat::detail {

class BoxView {
  public:
    BoxView(const MessageBoxRequest& request, SIZE screen);

    RECT Bounds() const { return bounds_; }
    const std::vector<int>& Answers() const { return answers_; }
    // The answer of the button at `screen`, or 0.
    int AnswerAt(POINT screen) const;
    // The focused button's answer; Tab and the arrows move the focus.
    int Focused() const { return answers_.empty() ? 0 : answers_[focus_]; }
    void MoveFocus(int step);
    Overlay Picture() const;

  private:
    RECT ButtonRect(size_t index) const; // within the box
    std::vector<std::string> lines_;
    std::string caption_;
    std::vector<int> answers_;
    size_t focus_ = 0;
    RECT bounds_{};
};

// The text on a message box's button of answer `answer` ("OK", "Cancel", "&Yes", ...).
const char* ButtonText(int answer);

} // namespace plat::detail
