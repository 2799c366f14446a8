// The reader's window, its loop and the person's input.
#include "reader_app.h"

#include "book_page.h"
#include "host_setup.h"
#include "sdl_input.h"
#include "shelf_items.h"

#include "commctrl.h"
#include "plat/core.h"
#include "plat/render.h"
#include "plat/resources.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>

namespace tavrin::reader {

namespace {

using Kind = plat::UserInput::Kind;

constexpr int kShelfMin = 200;
// The pane's buttons of the shelf's commands (ReadingPane::Tools).
constexpr size_t kToolNewCatalog = 0;
constexpr size_t kToolRename = 1;
constexpr size_t kToolDelete = 3;
constexpr int kShelfMax = 380;

bool Inside(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The CPU time this thread has used: frame times that other programs on the machine do not stretch.
double ThreadCpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Moves drawing operations by (dx, dy).
void Offset(plat::Drawing& drawing, int dx, int dy) {
    for (plat::DrawOp& op : drawing.ops) {
        op.rect = RECT{op.rect.left + dx, op.rect.top + dy, op.rect.right + dx, op.rect.bottom + dy};
        op.clip = RECT{op.clip.left + dx, op.clip.top + dy, op.clip.right + dx, op.clip.bottom + dy};
        op.pos = POINT{op.pos.x + dx, op.pos.y + dy};
        op.from = POINT{op.from.x + dx, op.from.y + dy};
        op.to = POINT{op.to.x + dx, op.to.y + dy};
    }
}

} // namespace

ReaderApp::ReaderApp(ReaderScreen& screen, ReaderOptions options)
    : screen_(screen), options_(std::move(options)), interaction_(screen), catalogs_(options_.userCatalogs) {}

ReaderApp::~ReaderApp() {
    if (spy_ >= 0) plat::RemoveMessageSpy(spy_);
    if (shelf_ && shelf_->GetSafeHwnd()) shelf_->DestroyWindow();
    shelf_.reset();
    installed_.reset();
}

HWND ReaderApp::Tree() const {
    return shelf_ ? ::GetDlgItem(shelf_->GetSafeHwnd(), 1000) : nullptr;
}

bool ReaderApp::Start(std::string* error) {
    std::string stateError;
    auto state = LoadReaderState(options_.statePath, &stateError);
    if (!state) {
        std::fprintf(stderr, "tavrin-reader: warning: %s; the window starts at its usual size\n",
                     stateError.c_str());
        state = ReaderState{};
    }
    const int width = state->width ? state->width : options_.width;
    const int height = state->height ? state->height : options_.height;
    installed_ = std::make_unique<plat::ScopedInteraction>(&interaction_);
    screen_.SetComposer([this] { return Compose(); });
    screen_.SetResizeHandler([this](int w, int h) {
        ::SetWindowPos(window_.Handle(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        plat::PumpMessages();
    });
    plat::SetScreenSize(width, height);
    if (!window_.Create(this, width, height)) {
        *error = "the reader's window could not be made";
        return false;
    }
    shelf_ = std::make_unique<CTavrinCtrl>();
    if (!host::CreateShelf(*shelf_, window_.Handle(), RECT{0, 0, kShelfMin, height})) {
        *error = "the shelf control could not be created";
        return false;
    }
    OnSize(width, height);
    catalogs_.Load(*shelf_);
    // Said in the window too: a reader started from a desktop has no terminal.
    if (!catalogs_.LoadWarning().empty()) Note("Your catalogs: " + catalogs_.LoadWarning());
    OpenItems(*shelf_, Tree(), state->open);
    ::SetFocus(Tree());
    // Whatever can change the user's catalogs passes the shelf as a command, a finished label edit or
    // a drag of the tree: after such input the catalogs are saved.
    const HWND shelfWindow = shelf_->GetSafeHwnd();
    const HWND tree = Tree();
    spy_ = plat::AddMessageSpy([this, shelfWindow, tree](HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
        // A drag ends where the button is let go: the item has moved (or not) by then.
        if (hwnd == tree && msg == WM_LBUTTONUP && dragging_) {
            dragging_ = false;
            catalogsChanged_ = true;
        }
        if (hwnd != shelfWindow) return;
        if (msg == WM_COMMAND) catalogsChanged_ = true;
        if (msg == WM_NOTIFY && lParam) {
            const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
            if (code == TVN_ENDLABELEDITA) catalogsChanged_ = true;
            if (code == TVN_BEGINDRAGA) dragging_ = true;
        }
    });
    plat::PumpMessages();
    return true;
}

void ReaderApp::OnSize(int width, int height) {
    plat::SetScreenSize(width, height);
    const int shelfWidth = std::clamp(width * 2 / 5, std::min(kShelfMin, width), kShelfMax);
    if (shelf_ && shelf_->GetSafeHwnd()) ::MoveWindow(shelf_->GetSafeHwnd(), 0, 0, shelfWidth, height, TRUE);
    pane_.SetArea(RECT{shelfWidth, 0, std::max(shelfWidth, width), height});
    dirty_ = true;
}

bool ReaderApp::InPane(POINT point) const {
    return Inside(pane_.Area(), point);
}

plat::Image ReaderApp::Compose() {
    // Modal loops paint through here too, with their pictures up.
    WriteLayout();
    plat::Image frame = plat::RenderWindow(window_.Handle(), GetSysColor(COLOR_BTNFACE));
    const RECT area = pane_.Area();
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (frame.width == 0 || w <= 0 || h <= 0) return frame;
    // The pane is painted again only when it changed: most input is for the shelf.
    if (paneVersion_ != pane_.Version() || paneImage_.width != w || paneImage_.height != h) {
        plat::Drawing drawing = pane_.Paint();
        Offset(drawing, -area.left, -area.top);
        paneImage_ = plat::RenderToImage(drawing, w, h);
        paneVersion_ = pane_.Version();
    }
    DrawOverlay(frame, plat::Overlay{paneImage_, POINT{area.left, area.top}});
    return frame;
}

void ReaderApp::Paint() {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuMilliseconds();
    screen_.Show(interaction_.Shown());
    dirty_ = false;
    ++frames_;
    if (!options_.trace) return;
    const double cpu = ThreadCpuMilliseconds() - cpuStart;
    if (frames_ == 1)
        std::fprintf(
            stderr,
            "[trace] first frame: %.1f ms to paint and show (%.1f ms of CPU), %.0f ms after the start\n",
            MillisecondsSince(start), cpu, MillisecondsSince(options_.started));
    else if (inputAt_)
        std::fprintf(
            stderr,
            "[trace] %s: %.1f ms from the input to the frame shown (%.1f ms of CPU to handle it and paint)\n",
            inputName_, MillisecondsSince(*inputAt_), ThreadCpuMilliseconds() - inputCpu_);
    inputAt_.reset();
}

void ReaderApp::Settle() {
    if (plat::PumpMessages() > 0) dirty_ = true;
    ShowPending();
    if (pendingDrop_) {
        PendingDrop drop = std::move(*pendingDrop_);
        pendingDrop_.reset();
        const std::string utf8 = plat::ToUtf8(drop.text);
        pane_.SetQuery(utf8);
        Search(utf8, drop.book);
    }
    SaveCatalogsIfChanged();
}

int ReaderApp::Run() {
    while (!QuitAsked()) {
        Settle();
        for (const Drop& drop : screen_.TakeDrops()) {
            if (drop.file)
                DropFile(drop.at, drop.utf8);
            else
                DropText(drop.at, drop.utf8);
            Settle();
        }
        if (dirty_) Paint();
        if (QuitAsked()) break;
        plat::UserInput input;
        if (!screen_.WaitInput(&input, plat::MillisecondsToNextTimer())) {
            dirty_ = true; // a timer is due: what it does shows after the pump
            continue;
        }
        // Traced: from a press, a release, a wheel step or a key to the frame that shows its effect.
        if (input.kind == Kind::ButtonDown || input.kind == Kind::ButtonUp || input.kind == Kind::Wheel ||
            input.kind == Kind::KeyDown) {
            inputAt_ = std::chrono::steady_clock::now();
            inputCpu_ = ThreadCpuMilliseconds();
            inputName_ = input.kind == Kind::Wheel      ? "wheel"
                         : input.kind == Kind::KeyDown  ? "key"
                         : input.kind == Kind::ButtonUp ? "release"
                                                        : "press";
        }
        Handle(input);
        Settle();
    }
    return saveFailed_ ? 1 : 0;
}

void ReaderApp::Handle(const plat::UserInput& input) {
    dirty_ = true;
    switch (input.kind) {
    case Kind::Quit:
        quit_ = true;
        return;
    case Kind::Resized:
    case Kind::Exposed:
        return; // the window has its size already; it is painted again
    case Kind::ButtonDown:
    case Kind::Wheel:
        if (InPane(input.screen) && !router_.PressHeld() && !::GetCapture()) {
            HandlePaneInput(input);
            return;
        }
        if (input.kind == Kind::ButtonDown) pane_.FocusField(false);
        break;
    case Kind::KeyDown:
        if (input.vk == VK_TAB && !input.control) {
            // Tab goes between the shelf and the search field.
            pane_.FocusField(!pane_.FieldFocused());
            if (!pane_.FieldFocused()) ::SetFocus(Tree());
            return;
        }
        if (pane_.FieldFocused()) {
            HandlePaneInput(input);
            return;
        }
        if (input.vk == 'Q' && input.control) {
            quit_ = true;
            return;
        }
        if (input.vk == kVkApps || (input.vk == VK_F1 + 9 && input.shift)) {
            ContextMenuOnSelection();
            return;
        }
        // The keys of the shelf's commands: Ctrl+N a new catalog, F2 rename, Delete.
        if ((input.vk == 'N' && input.control) || input.vk == VK_F2 || input.vk == VK_DELETE) {
            ShelfCommand(input.vk == VK_F2       ? kToolRename
                         : input.vk == VK_DELETE ? kToolDelete
                                                 : kToolNewCatalog);
            return;
        }
        break;
    case Kind::Text:
        if (pane_.FieldFocused()) {
            HandlePaneInput(input);
            return;
        }
        if (input.text.empty() && !input.utf8.empty()) {
            // The shelf's windows take text in the active code page only: say so rather than drop it.
            Note("\"" + input.utf8 + "\" cannot be written in the shelf's code page " +
                 std::to_string(plat::CodePage()));
            return;
        }
        break;
    default:
        break;
    }
    router_.Deliver(input, window_.Handle());
}

void ReaderApp::ShelfCommand(size_t tool) {
    static constexpr UINT kCommands[] = {40015 /* new catalog */, 40017 /* rename */, 40021 /* register */,
                                         40016 /* delete */};
    if (tool >= std::size(kCommands)) return;
    const HWND tree = Tree();
    HTREEITEM item = TreeView_GetSelection(tree);
    if (!item) {
        Note("Choose an item on the shelf first");
        return;
    }
    const ShelfItemInfo info = host::InfoOf(*shelf_, item);
    if (tool == kToolNewCatalog &&
        !(info.hItem && (info.dwKind == SHELF_ITEM_CATALOG || info.dwKind == SHELF_ITEM_ROOT))) {
        Note("A new catalog goes into a catalog: choose one on the shelf");
        return;
    }
    // The shelf's commands act on the drop-highlighted item, as a host's menu opened on it makes it.
    TreeView_SelectDropTarget(tree, item);
    ::SendMessageA(shelf_->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(kCommands[tool], 0), 0);
    plat::PumpMessages();
    const bool editing = TreeView_GetEditControl(tree) != nullptr;
    if (IsWindow(tree)) TreeView_SelectDropTarget(tree, nullptr);
    if (tool == kToolRename && !editing) Note("Only the catalogs you made can be renamed");
    dirty_ = true;
}

void ReaderApp::ContextMenuOnSelection() {
    // The context-menu key opens the selected item's menu as a right click on its label does.
    const HWND tree = Tree();
    HTREEITEM item = TreeView_GetSelection(tree);
    RECT label{};
    if (!item || !TreeView_GetItemRect(tree, item, &label, TRUE)) return;
    POINT at{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
    ::ClientToScreen(tree, &at);
    plat::UserInput click;
    click.screen = at;
    click.button = 3;
    click.kind = Kind::ButtonDown;
    router_.Deliver(click, window_.Handle());
    click.kind = Kind::ButtonUp;
    router_.Deliver(click, window_.Handle());
}

void ReaderApp::HandlePaneInput(const plat::UserInput& input) {
    switch (input.kind) {
    case Kind::Wheel:
        pane_.Wheel(input.screen, input.wheel);
        break;
    case Kind::ButtonDown: {
        if (input.button != 1) break;
        const ReadingPane::Click click = pane_.At(input.screen);
        pane_.FocusField(click.kind == ReadingPane::Click::Kind::Field);
        if (click.kind == ReadingPane::Click::Kind::Button) Search(pane_.Query());
        if (click.kind == ReadingPane::Click::Kind::Hit) GoToHit(static_cast<size_t>(click.hit));
        if (click.kind == ReadingPane::Click::Kind::Tool) ShelfCommand(static_cast<size_t>(click.hit));
        break;
    }
    case Kind::KeyDown:
        if (input.vk == VK_RETURN) Search(pane_.Query());
        if (input.vk == VK_BACK) pane_.BackspaceQuery();
        if (input.vk == VK_ESCAPE) {
            pane_.FocusField(false);
            ::SetFocus(Tree());
        }
        if (input.vk == VK_NEXT || input.vk == VK_PRIOR) pane_.ScrollPage(input.vk == VK_NEXT ? 10 : -10);
        break;
    case Kind::Text:
        pane_.TypeIntoQuery(input.utf8);
        break;
    default:
        break;
    }
}

void ReaderApp::SaveCatalogsIfChanged() {
    if (!catalogsChanged_ || !shelf_) return;
    catalogsChanged_ = false;
    if (!catalogs_.SaveAfterChange(*shelf_)) {
        saveFailed_ = true;
        Note("Your catalogs could not be saved in " + catalogs_.Path().string() +
             " (the reason is on the terminal); the file is as it was");
    }
}

void ReaderApp::Note(const std::string& line) {
    pane_.SetProgress(line);
    std::fprintf(stderr, "tavrin-reader: %s\n", line.c_str());
    dirty_ = true;
}

bool ReaderApp::Finish() {
    bool ok = !saveFailed_;
    if (!shelf_) return ok;
    ReaderState state;
    SIZE size = screen_.Size();
    state.width = size.cx;
    state.height = size.cy;
    state.open = OpenItemPaths(*shelf_, Tree());
    std::string error;
    if (!SaveReaderState(options_.statePath, state, &error)) {
        std::fprintf(stderr, "tavrin-reader: the window's state could not be saved: %s\n", error.c_str());
        ok = false;
    }
    // What changed since the last save (a change the reader did not see pass too) is saved at the end.
    if (!saveFailed_) catalogs_.MarkChanged();
    if (!catalogs_.SaveAtExit(*shelf_)) ok = false;
    if (spy_ >= 0) plat::RemoveMessageSpy(spy_);
    spy_ = -1;
    shelf_->DestroyWindow();
    plat::PumpMessages();
    return ok;
}

} // namespace tavrin::reader
