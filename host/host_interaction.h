// The host's answers to the shelf's questions: message boxes are printed to stderr in the terminal's
// encoding (the shelf writes them in the active code page) and take their default button; menus,
// dialogs and file choices are backed out of. Commands that answer some questions themselves derive
// from it.
#pragma once

#include "plat/interaction.h"

#include <string>
#include <vector>

namespace tavrin::host {

class HostInteraction : public plat::HeadlessInteraction {
  public:
    int MessageBox(const plat::MessageBoxRequest& request) override;

  protected:
    // "[message box] CAPTION: FIRST LINE -> ANSWER", the text's further lines under it, indented.
    static void Print(const plat::MessageBoxRequest& request, int answer);
};

// The lines of a text of the shelf (in the active code page) as the terminal shows them.
std::vector<std::string> ShownLines(const std::string& text);

} // namespace tavrin::host
