// Filling and emptying large expanded branches of the platform's tree-view, the way the shelf does when
// it opens a catalog or moves one: N inserts under an expanded item (last, first, after a fixed middle
// item), the expand of an item with N children, and the move of a 10,000-item catalog (copy under a new
// expanded parent, then delete the original item by item), also with the tree scrolled to its end.
// Run by hand: prints the best and median CPU milliseconds of several runs.
#include "plat/core.h"
#include "plat/treeview.h"
#include "windows.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

HWND g_parent = nullptr;

double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

HWND MakeTree() {
    return CreateWindowExA(0, WC_TREEVIEWA, "",
                           WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 0, 0, 300,
                           600, g_parent, nullptr, 0, nullptr);
}

HTREEITEM Insert(HWND tree, HTREEITEM parent, HTREEITEM after, const std::string& text) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<LPSTR>(text.c_str());
    return TreeView_InsertItem(tree, &ins);
}

std::string Label(int i) {
    return "Book number " + std::to_string(i);
}

// Runs `setup` untimed and `work` timed `runs` times; prints best and median.
void Measure(const char* name, int runs, const std::function<void(HWND)>& setup,
             const std::function<void(HWND)>& work) {
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        HWND tree = MakeTree();
        setup(tree);
        double start = CpuMs();
        work(tree);
        times.push_back(CpuMs() - start);
        DestroyWindow(tree);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-52s best %9.2f ms  median %9.2f ms\n", name, times.front(), times[times.size() / 2]);
}

// A top-level catalog, expanded, with `seed` children already in it.
HTREEITEM ExpandedParent(HWND tree, const char* text, int seed) {
    HTREEITEM parent = Insert(tree, TVI_ROOT, TVI_LAST, text);
    for (int i = 0; i < seed; ++i)
        Insert(tree, parent, TVI_LAST, Label(i));
    TreeView_Expand(tree, parent, TVE_EXPAND);
    return parent;
}

void Fills(int n, int runs) {
    HTREEITEM parent = nullptr;
    HTREEITEM middle = nullptr;
    auto setup = [&](HWND tree) {
        Insert(tree, TVI_ROOT, TVI_LAST, "Above");
        parent = ExpandedParent(tree, "Catalog", 2);
        middle = TreeView_GetChild(tree, parent);
        Insert(tree, TVI_ROOT, TVI_LAST, "Below");
    };
    std::string what = std::to_string(n) + " inserts under an expanded item, ";
    Measure((what + "last").c_str(), runs, setup, [&](HWND tree) {
        for (int i = 0; i < n; ++i)
            Insert(tree, parent, TVI_LAST, Label(i));
    });
    Measure((what + "first").c_str(), runs, setup, [&](HWND tree) {
        for (int i = 0; i < n; ++i)
            Insert(tree, parent, TVI_FIRST, Label(i));
    });
    Measure((what + "middle").c_str(), runs, setup, [&](HWND tree) {
        for (int i = 0; i < n; ++i)
            Insert(tree, parent, middle, Label(i));
    });
}

void ExpandBig(int n, int runs) {
    HTREEITEM parent = nullptr;
    Measure(("expand of an item with " + std::to_string(n) + " children").c_str(), runs,
            [&](HWND tree) {
                parent = Insert(tree, TVI_ROOT, TVI_LAST, "Catalog");
                for (int i = 0; i < n; ++i)
                    Insert(tree, parent, TVI_LAST, Label(i));
            },
            [&](HWND tree) { TreeView_Expand(tree, parent, TVE_EXPAND); });
}

// The move of a catalog of `n` books: copy every child under a new expanded parent, then delete the
// originals one by one and the old parent. `scrolled` scrolls the tree to its end first.
void Move(int n, int runs, bool newFirst, bool scrolled) {
    HTREEITEM old = nullptr;
    auto setup = [&](HWND tree) {
        old = ExpandedParent(tree, "Old catalog", n);
        if (scrolled) SendMessageA(tree, WM_VSCROLL, SB_BOTTOM, 0);
    };
    std::string name = "move of " + std::to_string(n) +
                       (newFirst ? ", new parent above" : ", new parent below") +
                       (scrolled ? ", scrolled to the end" : "");
    Measure(name.c_str(), runs, setup, [&](HWND tree) {
        HTREEITEM fresh = Insert(tree, TVI_ROOT, newFirst ? TVI_FIRST : TVI_LAST, "New catalog");
        HTREEITEM first = Insert(tree, fresh, TVI_LAST, Label(0));
        TreeView_Expand(tree, fresh, TVE_EXPAND);
        char buf[64];
        bool skip = true;
        for (HTREEITEM c = TreeView_GetChild(tree, old); c; c = TreeView_GetNextSibling(tree, c)) {
            if (skip) { // the first was copied before the expand
                skip = false;
                continue;
            }
            TVITEMA it{};
            it.mask = TVIF_TEXT;
            it.hItem = c;
            it.pszText = buf;
            it.cchTextMax = sizeof buf;
            TreeView_GetItem(tree, &it);
            Insert(tree, fresh, TVI_LAST, buf);
        }
        (void)first;
        while (HTREEITEM c = TreeView_GetChild(tree, old))
            TreeView_DeleteItem(tree, c);
        TreeView_DeleteItem(tree, old);
    });
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    plat::ResetWindows();
    plat::RegisterControlClasses();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "TreeBenchParent";
    RegisterClassA(&wc);
    g_parent = CreateWindowExA(0, "TreeBenchParent", "bench", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 320, 640,
                               nullptr, nullptr, 0, nullptr);
    for (int n : {2000, 8000, 32000})
        Fills(n, n >= 32000 ? std::max(1, runs / 2) : runs);
    for (int n : {10000, 100000})
        ExpandBig(n, runs);
    Move(10000, runs, false, false);
    Move(10000, runs, true, false);
    Move(10000, runs, false, true);
    Move(10000, runs, true, true);
    return 0;
}
