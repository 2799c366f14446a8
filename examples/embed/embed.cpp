// tavrin-embed SHELF_FOLDER [WORD]: a reader's smallest embedding of the shelf control.
//
// It makes a main window, puts the shelf in it, pumps the messages the shelf's start-up posts, prints
// every item of the shelf and the first page of each book, selects the first book (the shelf tells the
// window with WM_SHELF_NOTIFY), searches every book for WORD, and shuts down. SHELF_FOLDER is where the
// reader is "installed": the shelf reads Tavrin.Sys there and loads its drivers from there or from the
// installed driver folder. docs/embedding.md walks through it.
#include "plat/core.h"
#include "plat/modules.h"
#include "plat/resources.h"
#include "tavrin/tavrin_ctrl.h"
#include "tavrin/version.h"

#include <cstdio>
#include <string>

namespace {

// A book's and the shelf's texts are in their code pages: shown here as UTF-8.
std::string Shown(const char* text, UINT codePage) {
    return plat::ToUtf8(text, codePage);
}

const char* KindName(DWORD kind) {
    switch (kind) {
    case SHELF_ITEM_ROOT:
        return "root";
    case SHELF_ITEM_DICTIONARY:
        return "dictionary";
    case SHELF_ITEM_BOOK:
        return "book";
    case SHELF_ITEM_CHAPTER:
        return "chapter";
    case SHELF_ITEM_PAGE:
        return "page";
    default:
        return "catalog";
    }
}

// The main window: what the shelf tells its host arrives here.
LRESULT CALLBACK ReaderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SHELF_NOTIFY:
        if (wParam == SHELF_NOTIFY_BOOK)
            std::printf("message: book %#lx selected\n", static_cast<unsigned long>(lParam));
        else if (wParam == SHELF_NOTIFY_PAGE) // the record lives only during the call: copy what is kept
            std::printf("message: page %ld selected\n",
                        static_cast<long>(reinterpret_cast<PageInfo*>(lParam)->nPage));
        else
            std::printf("message: notification %lu\n", static_cast<unsigned long>(wParam));
        return 0;
    case WM_SHELF_DROPTEXT:
        std::printf("message: text dropped on book %#lx\n",
                    static_cast<unsigned long>(reinterpret_cast<DropTextInfo*>(lParam)->dwBookHandle));
        return 0;
    case WM_SHELF_BOOKCLOSED:
        std::printf("message: book %#lx closed\n", static_cast<unsigned long>(lParam));
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

HTREEITEM g_firstBook = nullptr;

// Prints hItem, its siblings after it and everything below them; reads the first page of each book.
void PrintItems(CTavrinCtrl& shelf, HTREEITEM hItem, int depth) {
    ShelfItemInfo info{};
    for (; hItem && shelf.GetItemInfo(hItem, &info); hItem = info.hNextSibling) {
        std::printf("%*s%s [%s", 2 * depth, "", Shown(info.szName, info.uCodePage).c_str(),
                    KindName(info.dwKind));
        if (info.dwBookHandle != SHELF_NO_BOOK)
            std::printf(" %s, handle %#lx", info.szKey, static_cast<unsigned long>(info.dwBookHandle));
        std::printf("]\n");
        if (info.dwKind == SHELF_ITEM_BOOK) {
            if (!g_firstBook) g_firstBook = hItem;
            char text[400];
            DWORD length = sizeof text;
            if (shelf.GetPageText(hItem, 0, text, &length) == SHELF_PAGE_OK)
                std::printf("%*s  page 0: %s\n", 2 * depth, "", Shown(text, info.uCodePage).c_str());
        }
        PrintItems(shelf, info.hFirstChild, depth + 1);
    }
}

// Called for every page that holds the word; nonzero goes on.
int OnHit(DWORD, const SearchHit* hit) {
    std::printf("found: %s, page %ld\n", hit->pszBookNumber, static_cast<long>(hit->nPage));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: tavrin-embed SHELF_FOLDER [WORD]   (shelf %s)\n", TAVRIN_VERSION_STRING);
        return 2;
    }
    // The reader's folder, where Tavrin.Sys is; the shelf's texts in the language of the locale.
    plat::SetProgramPath(std::string(argv[1]) + "/reader");
    plat::UseLocaleLanguage();

    WNDCLASSA wc{};
    wc.lpfnWndProc = ReaderProc;
    wc.lpszClassName = "EmbedReader";
    RegisterClassA(&wc);
    HWND reader = CreateWindowExA(0, "EmbedReader", "Reader", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640,
                                  480, nullptr, nullptr, 0, nullptr);
    if (!reader) {
        std::fprintf(stderr, "tavrin-embed: no main window\n");
        return 1;
    }
    int status = 0;
    {
        CTavrinCtrl shelf;
        if (!shelf.Create(WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS, CRect(0, 0, 260, 460),
                          CWnd::FromHandle(reader), 100)) {
            std::fprintf(stderr, "tavrin-embed: the shelf could not be created\n");
            DestroyWindow(reader);
            return 1;
        }
        plat::PumpMessages(); // what the start-up posted

        PrintItems(shelf, shelf.GetShelfRoot(), 0);
        if (!g_firstBook) {
            std::fprintf(stderr, "tavrin-embed: no book on the shelf\n");
            status = 1;
        } else {
            TreeView_SelectItem(shelf.GetTreeWindow(), g_firstBook); // the shelf tells the window
        }
        if (argc == 3) {
            std::string word = argv[2];
            if (!shelf.Search(SHELF_NO_BOOK, word.data(), 0, reinterpret_cast<void*>(&OnHit))) status = 1;
        }
        shelf.DestroyWindow();
    }
    DestroyWindow(reader);
    plat::PumpMessages();
    return status;
}
