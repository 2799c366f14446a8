// The tree-view control's own state: its items and the control-wide settings, and the operations the
// message handlers share. Only the files of platform/src/treeview use it.
//
// Lifetime rules. A notification hands control to the application, which may delete items or even
// destroy the tree before the notification returns. Therefore:
//  - a deleted item is unlinked and its handle stops resolving at once, but its memory is kept in a
//    graveyard until the outermost message of the tree returns, so an Item* held across a
//    notification stays readable (check Item::dead);
//  - the Tree itself is freed only when the outermost message returns (check Tree::destroyed after a
//    notification before touching the window).
#pragma once

#include "win/treeview.h"
#include "win/wingdi.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace plat::detail::tv {

// How an item answers "has children": the platform keeps either a forced answer or computes it from
// the real children, and an application can ask to be called back.
enum class KidsMode { Compute, ForceYes, ForceNo, Callback };

struct Item {
    HTREEITEM handle = nullptr;
    Item* parent = nullptr; // the hidden root for top-level items
    Item* firstChild = nullptr;
    Item* lastChild = nullptr;
    Item* prev = nullptr;
    Item* next = nullptr;

    std::string text;
    bool textCallback = false;
    int image = 0;
    int selectedImage = 0;
    int expandedImage = I_IMAGENONE;
    int integral = 1;
    UINT state = 0;
    LPARAM lParam = 0;
    KidsMode kids = KidsMode::Compute;

    // Bookkeeping.
    bool dead = false;     // deleted; only kept as memory until the outermost message returns
    bool deleting = false; // its TVN_DELETEITEM run has begun
    int row = -1;          // index in the laid-out part of the display order (Tree::rows), else -1
    int level = 0;         // 0 for top-level items
    int textWidth = -1;    // label text width in pixels, -1 until measured
};

struct Tree {
    HWND hwnd = nullptr;
    HWND notify = nullptr; // the parent given at creation
    DWORD style = 0;

    Item root; // hidden; its children are the top-level items
    std::unordered_map<HTREEITEM, std::unique_ptr<Item>> items;
    std::vector<std::unique_ptr<Item>> graveyard;

    Item* caret = nullptr; // the selected item
    Item* drop = nullptr;  // the drop-highlighted item
    Item* firstVisible = nullptr;
    Item* insertMark = nullptr;
    bool insertMarkAfter = false;
    Item* rclickItem = nullptr; // row shown highlighted while a right click is handled
    bool rclickPainted = false; // a paint ran while rclickItem was set, so its look must be restored

    // Geometry and appearance.
    int indent = 19;
    int itemHeight = 16;
    bool itemHeightSet = false;
    COLORREF bkColor = CLR_NONE;
    COLORREF textColor = CLR_NONE;
    COLORREF lineColor = CLR_DEFAULT;
    COLORREF insertMarkColor = CLR_DEFAULT;
    HIMAGELIST normalImages = nullptr;
    HIMAGELIST stateImages = nullptr;
    HFONT font = nullptr;
    HFONT boldFont = nullptr; // made on demand from `font`, owned
    UINT scrollTime = 300;
    int clientWidth = 0;
    int clientHeight = 0;
    bool redraw = true;

    // The display order: the items whose ancestors are all expanded (rows.cpp). It is laid out lazily:
    // `rows` holds its first rows.size() items (each knows its index in `row`), the rest is walked to
    // when asked for. `rowCount` counts the whole order. `anchor` is a shown item whose index
    // (`anchorRow`) is known however little is laid out, normally the top item. Every change of the
    // order keeps the three right, so a change costs the rows it touches, not the rows shown.
    std::vector<Item*> rows;
    int rowCount = 0;
    Item* anchor = nullptr;
    int anchorRow = 0;
    bool layoutDirty = true; // the top item and the scroll bar are to be settled
    bool inLayout = false;
    unsigned long long layoutWork = 0; // rows the layout has visited: see plat::TreeLayoutWork

    // Label editing.
    HWND edit = nullptr;
    Item* editItem = nullptr;
    WNDPROC editProc = nullptr; // the edit class procedure under our subclass
    bool endingEdit = false;
    bool editTimerArmed = false;

    // Incremental search.
    std::string search;
    DWORD searchTime = 0;

    int notifyFormat = NFR_ANSI;
    int busy = 0;
    bool destroyed = false;

    // The stamp of the tree's last change of which items it holds, their order, their data or their
    // children flag (NoteChange): see plat::TreeChangeStamp.
    unsigned long long changeStamp = 0;
};

inline constexpr UINT_PTR kEditTimerId = 0x54564544; // private timer of the tree window
inline constexpr int kMinIndent = 5;
inline constexpr int kDefaultIndent = 19;
inline constexpr int kLabelMargin = 2; // text drawn this far inside the label box on each side
inline constexpr int kEditLimit = MAX_PATH - 1;

// ---- the tree of a window (dispatch.cpp) ----
Tree* TreeOf(HWND hwnd);
Tree* TreeHolding(HTREEITEM h); // the live tree whose live item `h` is, or nullptr

// Held while the tree handles anything that may call out to the application: when the outermost
// guard ends, the layout is brought up to date, deleted items are freed and a destroyed tree goes.
class BusyGuard {
  public:
    explicit BusyGuard(Tree& t);
    ~BusyGuard();
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

  private:
    Tree& t_;
};

// ---- items (store.cpp) ----
void NoteChange(Tree& t);                                // gives the tree a new change stamp
Item* Resolve(Tree& t, HTREEITEM h);                     // nullptr for invalid or deleted handles
bool IsAncestor(const Item* ancestor, const Item* item); // true also when equal
bool HasRealChildren(const Item* item);
LRESULT InsertItem(Tree& t, const TVINSERTSTRUCTA* ins);
BOOL DeleteItem(Tree& t, HTREEITEM h);
void DeleteAllItems(Tree& t);
void RemoveChildren(Tree& t, Item* item); // post-order TVN_DELETEITEMs, no selection changes
BOOL GetItem(Tree& t, TVITEMA* out);
BOOL SetItem(Tree& t, const TVITEMA* in);
bool InDisplay(const Tree& t, const Item* item); // every ancestor expanded
int ChildrenValue(const Item* item);             // cChildren as TVM_GETITEM reports it (without a callback)
BOOL SortChildren(Tree& t, HTREEITEM parent, const TVSORTCB* cb);
std::string ItemText(Tree& t, Item* item); // asks TVN_GETDISPINFO for callback texts
int ItemImage(Tree& t, Item* item, bool selected);

// ---- notifications (notify.cpp) ----
LRESULT Notify(Tree& t, UINT code, NMHDR* hdr);
LRESULT NotifySimple(Tree& t, UINT code);
LRESULT NotifyTreeView(Tree& t, UINT code, UINT action, UINT oldMask, Item* oldItem, UINT newMask,
                       Item* newItem, POINT pt = POINT{0, 0});
// Asks the parent for the callback fields of `mask`; fills `text`, `image`, ... as answered.
struct DispInfo {
    std::string text;
    int image = 0;
    int selectedImage = 0;
    int children = 0;
    // State bits the handler answered (TVIF_STATE added to the mask, with a state mask): they are
    // reported by the TVM_GETITEM that asked, and not kept in the item.
    UINT state = 0;
    UINT stateMask = 0;
};
DispInfo AskDispInfo(Tree& t, Item* item, UINT mask);
bool HasChildren(Tree& t, Item* item); // the cChildren flag, asking for callbacks

// ---- expand and collapse (expand.cpp) ----
BOOL Expand(Tree& t, Item* item, bool user);
BOOL Collapse(Tree& t, Item* item, bool reset, bool user);
BOOL Toggle(Tree& t, Item* item, bool user);
void ExpandAll(Tree& t, Item* item);
LRESULT ExpandMessage(Tree& t, WPARAM action, HTREEITEM h);

// ---- selection and navigation (select.cpp) ----
BOOL SelectCaret(Tree& t, Item* item, UINT cause);
LRESULT SelectMessage(Tree& t, WPARAM code, HTREEITEM h);
HTREEITEM GetNextItem(Tree& t, WPARAM code, HTREEITEM h);
BOOL EnsureVisible(Tree& t, Item* item);
void ExpandAncestors(Tree& t, Item* item, bool* expanded);
void SetDropHilite(Tree& t, Item* item);

// ---- the display order (rows.cpp) ----
bool Shown(const Tree& t, const Item* item); // live, and every ancestor live and expanded
Item* RowAt(Tree& t, int row);               // nullptr outside 0..rowCount-1
int RowIndex(Tree& t, Item* item);           // -1 when the item is not shown
Item* NextRow(Tree& t, Item* item);          // the next item of the display order after a shown item
Item* PreviousRow(Tree& t, Item* item);
int RowsUnder(Tree& t, const Item* item); // rows of the item's branch as shown, the item included
void LayOutAllRows(Tree& t);
// Every change of the display order goes through these.
void RowInserted(Tree& t, Item* item); // after a new item was linked
void RowRemoving(Tree& t, Item* item); // before an item (and whatever is left under it) is unlinked
void SetExpandedState(Tree& t, Item* item, bool expanded);
void RowsReordered(Tree& t, Item* parent); // after the parent's children were put in a new order

// ---- layout, scrolling and hit testing (layout.cpp) ----
void MarkLayoutDirty(Tree& t);
void EnsureLayout(Tree& t);
int VisibleCount(const Tree& t); // fully visible rows
int TopRow(Tree& t);
void SetTopRow(Tree& t, int row);
void ScrollToShow(Tree& t, Item* item);
void OnVScroll(Tree& t, WPARAM wParam);
int DefaultItemHeight(Tree& t);
void RecomputeItemHeight(Tree& t);
int TextWidth(Tree& t, Item* item);
HFONT FontFor(Tree& t, const Item* item);
void InvalidateWidths(Tree& t);
struct RowGeometry {
    int top = 0, bottom = 0;
    int linesLeft = 0; // start of the lines/button column
    int stateLeft = 0;
    int imageLeft = 0;
    int textLeft = 0;
    int labelRight = 0; // label box right edge (text width plus margins)
};
bool RowOf(Tree& t, Item* item, RowGeometry* g); // false when the item is not in the display order
BOOL GetItemRectMessage(Tree& t, BOOL textOnly, RECT* rc);
HTREEITEM HitTest(Tree& t, TVHITTESTINFO* info);
void InvalidateItem(Tree& t, Item* item);
void InvalidateAll(Tree& t);
bool LinesAtRoot(const Tree& t);
int StateImageWidth(const Tree& t, const Item* item);
SIZE NormalImageSize(const Tree& t);

// ---- painting (paint.cpp) ----
void Paint(Tree& t, HDC given);
HIMAGELIST CreateDragImage(Tree& t, Item* item);
struct ItemColors {
    COLORREF text;
    COLORREF back;
};
ItemColors DefaultColors(Tree& t, Item* item);
COLORREF EffectiveBkColor(const Tree& t);
COLORREF EffectiveTextColor(const Tree& t);

// ---- mouse and keyboard (mouse.cpp, keyboard.cpp) ----
void OnLButtonDown(Tree& t, POINT pt);
void OnLButtonDblClk(Tree& t, POINT pt);
void OnRButtonDown(Tree& t, POINT pt);
void OnEditTimer(Tree& t);
LRESULT OnKeyDown(Tree& t, WPARAM vk);
void OnChar(Tree& t, char ch);

// ---- label editing (labeledit.cpp) ----
HWND EditLabel(Tree& t, Item* item);
BOOL EndEditLabel(Tree& t, bool cancel);
void OnEditCommand(Tree& t, WPARAM wParam, LPARAM lParam);

} // namespace plat::detail::tv
