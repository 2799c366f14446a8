// The reading pane on the right of the reader's window: a row of buttons for the shelf's commands
// (the host's own menu of the control), the title of what is shown, a search field
// with its button (Search, or Stop while a search runs), a progress line, the list of hits and the
// page's text with its line breaks. Every text here is UTF-8: the reader converts at the boundary.
// The pane draws itself as the platform's drawing operations and answers where a click lands; the
// reader acts on the answers.
#pragma once

#include "plat/draw.h"
#include "win/types.h"

#include <string>
#include <vector>

namespace tavrin::reader {

struct Hit {
    DWORD book = 0;
    long page = 0;
    std::string label; // "Book name  page N  entry"
};

class ReadingPane {
  public:
    // The pane's place in the window.
    void SetArea(const RECT& area);
    const RECT& Area() const { return area_; }

    // ---- what is shown ----
    void ShowText(const std::string& title, const std::string& text); // the page's lines, "\n" apart
    const std::string& Title() const { return title_; }
    const std::vector<std::string>& Lines() const { return lines_; }

    // ---- the search ----
    const std::string& Query() const { return query_; }
    void SetQuery(const std::string& text) {
        query_ = text;
        ++version_;
    }
    void TypeIntoQuery(const std::string& text) {
        query_ += text;
        ++version_;
    }
    void BackspaceQuery();
    bool FieldFocused() const { return fieldFocused_; }
    void FocusField(bool focused) {
        version_ += fieldFocused_ != focused;
        fieldFocused_ = focused;
    }
    void StartSearch(); // clears the hits
    void AddHit(Hit hit);
    void SetProgress(const std::string& line) {
        progress_ = line;
        ++version_;
    }
    void EndSearch(const std::string& line);
    bool Searching() const { return searching_; }
    const std::vector<Hit>& Hits() const { return hits_; }
    const std::string& Progress() const { return progress_; }

    // What a click at `point` (window coordinates) means.
    struct Click {
        enum class Kind { Nothing, Field, Button, Hit, Tool } kind = Kind::Nothing;
        int hit = -1; // the hit's index; for Tool, the button's index in Tools()
    };
    Click At(POINT point) const;
    // The wheel over the pane scrolls the hits or the page, whichever is under the mouse.
    void Wheel(POINT point, int notches);
    void ScrollPage(int lines);

    // Counts the changes of what the pane shows: a picture of it stays good while this stays the same.
    unsigned long Version() const { return version_; }

    // The pane as drawing operations in window coordinates, text in UTF-8.
    plat::Drawing Paint() const;

    // The buttons of the shelf's commands, left to right.
    static const std::vector<std::string>& Tools();
    RECT ToolRect(size_t index) const;

    // Layout, in window coordinates.
    RECT FieldRect() const;
    RECT ButtonRect() const;
    RECT HitsRect() const; // empty without hits
    RECT TextRect() const;
    int LineHeight() const;
    int VisibleHitRows() const;

  private:
    // The page's lines as they fit the text area's width, each a byte range of a line.
    std::vector<std::string> Wrapped() const;

    RECT area_{};
    std::string title_;
    std::vector<std::string> lines_;
    int firstLine_ = 0; // of the wrapped lines
    std::string query_;
    bool fieldFocused_ = false;
    bool searching_ = false;
    std::string progress_;
    std::vector<Hit> hits_;
    int firstHit_ = 0;
    unsigned long version_ = 0;
};

// The font of the pane.
LOGFONTA PaneFont();

} // namespace tavrin::reader
