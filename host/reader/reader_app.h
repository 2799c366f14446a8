// The reader: a window with the shelf control on the left and the reading pane on the right. The
// person's input reaches the shelf as the platform's input messages (plat::InputRouter), the shelf's
// menus and dialogs are drawn and answered through the interactive interaction, the pages the shelf
// reports are shown as text, searches stream their hits into the pane, and texts and files dropped on
// the window go to the shelf as a drag from another program and as an added book.
#pragma once

#include "reader_screen.h"
#include "reader_state.h"
#include "reader_window.h"
#include "reading_pane.h"
#include "user_catalog_file.h"

#include "plat/interactive_interaction.h"
#include "plat/user_input.h"
#include "tavrin/tavrin_ctrl.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace tavrin::reader {

struct ReaderOptions {
    std::filesystem::path userCatalogs; // the user catalogs file
    std::filesystem::path statePath;    // the remembered window size and open items
    int width = 900;                    // the window's size when none is remembered
    int height = 600;
    bool trace = false;               // print how long each frame took (stderr)
    std::filesystem::path layoutPath; // where to write the window's map after each frame (scripts)
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now(); // the program's start
};

class ReaderApp : public ReaderWindowListener {
  public:
    ReaderApp(ReaderScreen& screen, ReaderOptions options);
    ~ReaderApp() override;

    // Makes the window and the shelf, hangs in the user's catalogs and opens the items remembered.
    // False with the reason when the shelf cannot be made.
    bool Start(std::string* error);
    // Handles input until the person quits; returns the exit status (1 when something could not be
    // saved).
    int Run();
    // Saves the catalogs and the state and takes the shelf down; false when a save failed.
    bool Finish();

    // One input, as Run hands it on (tests call it directly).
    void Handle(const plat::UserInput& input);
    // Delivers what the platform has queued and shows what the shelf reported.
    void Settle();
    // The window as it looks now.
    plat::Image Compose();

    // Text dropped from another program at a point of the window, and a file dropped on it.
    void DropText(POINT at, const std::string& utf8);
    void DropFile(POINT at, const std::string& path);
    // Searches every book (or one) for a text, streaming the hits into the pane.
    void Search(const std::string& utf8, std::optional<DWORD> book = std::nullopt);
    // Goes to the page of the pane's hit `index`.
    void GoToHit(size_t index);

    ReadingPane& Pane() { return pane_; }
    CTavrinCtrl& Shelf() { return *shelf_; }
    HWND Tree() const;
    HWND Window() const { return window_.Handle(); }
    bool QuitAsked() const { return quit_ || screen_.QuitPending(); }

    // ---- ReaderWindowListener ----
    void OnShelfMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnSize(int width, int height) override;

  private:
    struct PendingPage {
        DWORD book;
        long page; // -1: the book itself (its first page)
    };
    struct PendingDrop {
        DWORD book;
        std::string text; // in the active code page
    };

    void Paint();
    void WriteLayout();
    void HandlePaneInput(const plat::UserInput& input);
    void ContextMenuOnSelection();
    // Sends the shelf the command of the pane's button `tool` for the selected item.
    void ShelfCommand(size_t tool);
    bool InPane(POINT point) const;
    void ShowPending();
    // A search's hit, from the shelf's callback.
    int OnHit(DWORD book, const SearchHit* hit);
    static int HitCallback(DWORD book, const SearchHit* hit);
    // Input that comes while a search runs: a stop, a quit, a repaint.
    void PollDuringSearch();
    void SaveCatalogsIfChanged();
    void Note(const std::string& line); // a line in the pane's progress line and on stderr

    ReaderScreen& screen_;
    ReaderOptions options_;
    ReaderWindow window_;
    std::unique_ptr<CTavrinCtrl> shelf_;
    plat::InteractiveInteraction interaction_;
    std::unique_ptr<plat::ScopedInteraction> installed_;
    plat::InputRouter router_;
    ReadingPane pane_;
    plat::Image paneImage_; // the pane as last painted, at paneVersion_
    unsigned long paneVersion_ = ~0ul;
    host::UserCatalogFile catalogs_;
    int spy_ = -1;
    bool catalogsChanged_ = false;
    bool dragging_ = false; // the tree began a drag and its button is still down
    bool saveFailed_ = false;
    bool quit_ = false;
    bool dirty_ = true;
    std::optional<PendingPage> pendingPage_;
    std::optional<PendingDrop> pendingDrop_;
    DWORD shownBook_ = 0xFFFFFFFF;
    // The running search.
    bool stopSearch_ = false;
    UINT searchCodePage_ = 0;
    std::chrono::steady_clock::time_point lastSearchPaint_{};
    // Tracing.
    long frames_ = 0;
    std::optional<std::chrono::steady_clock::time_point> inputAt_; // the traced input waiting for its frame
    const char* inputName_ = "";
    double inputCpu_ = 0; // the thread's CPU time when the traced input came
};

} // namespace tavrin::reader
