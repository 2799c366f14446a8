/* The scriptable test driver: a book driver for tests whose books, contents trees, pages, caps,
 * shelf store, dictionary answers and failures each test sets up through the TD_* calls below, and
 * which counts and logs every call the shelf makes into it.
 *
 * Built as shared libraries from one source (drivers/testdrv/testdrv.cpp):
 *
 *   testdrv              all 30 entry points of include/tavrin/cbi.h, plus dicCreateHDICT and
 *                        dicFreeHDICT, so a copy named "ZavikApi.dll" serves as the dictionary library
 *   testdrv_noclose      without CBICloseBook
 *   testdrv_noexbookno   without CBIExBookNoLength and CBIExBookNo (book numbers from CBIBookSerial)
 *   testdrv_noshelf      without the six CBIShelf* entry points
 *   testdrv_nodesc       without GetDescFileURLbyClassID
 *   testdrv_nocaps       without CBIGetCaps
 *   testdrv_noopen       without CBIOpenBook
 *   testdrv_nocheck      without CBICheckVersion
 *   testdrv_noname       without CBIGetBkName
 *   testdrv_nopages      without CBIGetPageCount, CBIGetPageSize and CBIGetPage
 *   testdrv_nocontents   without the eight CBIVP* entry points
 *   testdrv_nolocate     without CBIVPPageToItem and CBIVPGetParentItem
 *   testdrv_nodict       without CBIDictAttr and CBIDictClassNo
 *   testdrv_nodictclass  without CBIDictClassNo
 *   testdrv_nodicfree    without dicFreeHDICT
 *   testdrv_empty        no entry point at all: a library that is not a driver
 *
 * A missing entry point is really missing (the symbol is not in the library), so dlsym and
 * GetProcAddress do not find it. The built paths are in the generated header "testdrv_paths.h"
 * (TAVRIN_TESTDRV_PATH, TAVRIN_TESTDRV_NOCLOSE_PATH, ... and the table kTestDriverVariants).
 *
 * One library file is one instance: tests copy the built file under the name they need ("Books.Dll",
 * "eBookDrv.dll", "mydrv.dll") into a folder of their own, and each copy has its own books, counts and
 * log, configured by loading that copy (testdrv::Driver below). Loading the same file again, under the
 * same or another spelling of its path, reaches the same instance. State lives as long as the library
 * stays loaded; a test that keeps its own testdrv::Driver keeps the state across the shelf's releases.
 *
 * Books are configured by path, compared byte for byte; a shared e-book is configured under its book
 * id in decimal ("7"), which is how the shelf opens it. Every successful CBIOpenBook returns a new
 * handle (0x100, 0x101, ... unless TD_SetNextHandle chose another start); calls with a handle that is
 * not open fail and count as misuse, as do null buffers and capacities below 1.
 *
 * The call log has one line per call: the entry point's name, then its arguments separated by blanks
 * (numbers in decimal, texts in double quotes), then " -> " and the result, e.g.
 *     CBIOpenBook "/tmp/t/a.ebd" 0 -> 0 256
 *     CBIGetBkName 256 3 255 -> 5
 * (CBIOpenBook adds the new handle after its result.) */
#ifndef TAVRIN_TESTDRV_H
#define TAVRIN_TESTDRV_H

#include "tavrin/cbi.h"

#include <stddef.h>
#include <stdint.h>

#define TD_API CBI_EXPORT
#define TD_ANY_LOCALE (-1)

/* ---- set-up ---- */
TD_API void TD_Reset(void);               /* forget everything: books, store, counts, log */
TD_API void TD_AddBook(const char* path); /* a book with caps 0, class 0xFF, no names (again: reset it) */
TD_API void TD_SetCaps(const char* path, unsigned caps, unsigned bookClass);
TD_API void TD_SetCapsFails(const char* path, int fails);   /* CBIGetCaps returns 0 */
TD_API void TD_SetOpenResult(const char* path, int result); /* nonzero: CBIOpenBook fails with it */
TD_API void TD_SetName(const char* path, int locale, const char* name); /* TD_ANY_LOCALE: the fallback */
TD_API void TD_SetExBookNo(const char* path, const char* number);
TD_API void TD_SetExBookNoLength(const char* path, int length); /* report another length; -1: the real one */
TD_API void TD_SetSerial(const char* path, uint32_t serial);    /* unset: CBIBookSerial leaves the output */
TD_API void TD_SetCheckVersion(const char* path, int result);   /* default 1 for a configured book */
TD_API void TD_SetNextHandle(uint32_t handle);

/* Contents tree: adds an item under `parent` (0: the top level; the first top-level item is the
 * root) after its existing children; returns the item's handle (1, 2, ... per book). page < 0: none. */
TD_API uint32_t TD_AddItem(const char* path, uint32_t parent, const char* text, int32_t page);
TD_API void TD_SetItemHasChildren(const char* path, uint32_t item, int value); /* -1: from the tree */
/* CBIVPPageToItem answers `item` for `page` (default: the item with the greatest page <= the page,
 * the later one in pre-order on a tie, 0 if none). */
TD_API void TD_SetPageToItem(const char* path, int32_t page, uint32_t item);

/* Pages: CBIGetPageCount is one more than the highest page set unless TD_SetPageCount chose it. */
TD_API void TD_SetPage(const char* path, int32_t page, const void* bytes, int32_t length);
TD_API void TD_SetPageText(const char* path, int32_t page, const char* text); /* without its zero */
TD_API void TD_SetPageCount(const char* path, int32_t count);                 /* -1: from the pages */

/* Dictionaries: CBIDictAttr fails until TD_SetDictAttr; CBIDictClassNo answers 1 until set. */
TD_API void TD_SetDictAttr(const char* path, unsigned byte4, unsigned byte5);
TD_API void TD_SetDictClassNo(const char* path, int classNo);

/* Shelf store (shared e-book driver role). */
TD_API void TD_ShelfSetOpenResult(int result);                  /* CBIShelfOpen's result, default 1 */
TD_API int TD_ShelfAddClass(const char* name, const char* key); /* returns the class index */
TD_API void TD_ShelfAddBookId(int classIndex, uint32_t bookId);
TD_API void TD_ShelfSetClassFails(int classIndex, int fails);
TD_API void TD_ShelfSetBookAttrFails(int classIndex, int bookIndex, int fails);
/* raw: the class's name and key are written without a terminating zero, each cut to the full size of
 * its buffer (17 and 33 bytes), the rest of the buffer left as the caller had it. */
TD_API void TD_ShelfSetClassRaw(int classIndex, int raw);
TD_API void TD_ShelfSetAddBookResult(int result);                 /* CBIShelfAddBook's result, default 1 */
TD_API void TD_SetDescURL(const char* classKey, const char* url); /* GetDescFileURLbyClassID answers */

/* Texts and reasons. */
TD_API void TD_SetCodePage(const char* path, uint32_t codePage); /* CBIGetCodePage answers; default 0 */
TD_API void TD_SetErrorText(const char* text); /* CBIGetErrorText answers (cut to fit); default empty */

/* Dictionary library role. */
TD_API void TD_DicAccept(uint32_t dictId); /* dicCreateHDICT gives a handle for this id */
TD_API void TD_DicAcceptAll(int accept);   /* ... or for every id */

/* ---- what happened ---- */
TD_API int TD_OpenCount(void);  /* successful CBIOpenBook calls */
TD_API int TD_CloseCount(void); /* CBICloseBook calls on open handles */
TD_API int TD_OpenBooks(void);  /* handles open now */
TD_API int TD_BookOpenCount(const char* path);
TD_API int TD_BookCloseCount(const char* path);
TD_API uint32_t TD_LastHandle(const char* path); /* handle of the latest successful open; 0: none */
TD_API int TD_MisuseCount(void);                 /* unknown handles, double closes, null buffers, ... */
TD_API int TD_ShelfOpenCount(void);
TD_API int TD_ShelfCloseCount(void);
TD_API int TD_DicCreateCount(void); /* handles given out */
TD_API int TD_DicFreeCount(void);
TD_API uint32_t TD_DicLastId(void); /* id of the latest dicCreateHDICT call */
TD_API int TD_CallCount(const char* entryPoint);
/* Copies the log (zero-terminated, cut to fit) and returns its full length. */
TD_API size_t TD_CallLog(char* buffer, size_t capacity);
TD_API void TD_ClearLog(void); /* empties the log and the call counts */

#ifdef __cplusplus

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace testdrv {

// Every TD_* call, without its prefix.
#define TESTDRV_FOR_EACH_TD(X)                                                                               \
    X(Reset)                                                                                                 \
    X(AddBook) X(SetCaps) X(SetCapsFails) X(SetOpenResult) X(SetName) X(SetExBookNo) X(SetExBookNoLength)    \
        X(SetSerial) X(SetCheckVersion) X(SetNextHandle) X(AddItem) X(SetItemHasChildren) X(SetPageToItem)   \
            X(SetPage) X(SetPageText) X(SetPageCount) X(SetDictAttr) X(SetDictClassNo) X(ShelfSetOpenResult) \
                X(ShelfAddClass) X(ShelfAddBookId) X(ShelfSetClassFails) X(ShelfSetBookAttrFails)            \
                    X(ShelfSetAddBookResult) X(SetDescURL) X(DicAccept) X(DicAcceptAll) X(OpenCount)         \
                        X(CloseCount) X(OpenBooks) X(BookOpenCount) X(BookCloseCount) X(LastHandle)          \
                            X(MisuseCount) X(ShelfOpenCount) X(ShelfCloseCount) X(DicCreateCount)            \
                                X(DicFreeCount) X(DicLastId) X(CallCount) X(CallLog) X(ClearLog)             \
                                    X(ShelfSetClassRaw) X(SetCodePage) X(SetErrorText)

// A loaded instance of a test driver library with its TD_* calls bound. Keeps the library loaded until
// destroyed.
class Driver {
  public:
    explicit Driver(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (!handle_) throw std::runtime_error("cannot load " + path + ": " + dlerror());
#define TESTDRV_BIND(name)                                                                                   \
    name = reinterpret_cast<decltype(name)>(dlsym(handle_, "TD_" #name));                                    \
    if (!name) throw std::runtime_error(path + " lacks TD_" #name);
        TESTDRV_FOR_EACH_TD(TESTDRV_BIND)
#undef TESTDRV_BIND
    }
    ~Driver() {
        if (handle_) dlclose(handle_);
    }
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // The dlopen handle (for binding entry points by name).
    void* Library() const {
        return handle_;
    }
    // True when the library exports `symbol`.
    bool Has(const char* symbol) const {
        return dlsym(handle_, symbol) != nullptr;
    }
    // An entry point as a typed pointer (null when missing): drv.Entry<PFN_CBIOpenBook>("CBIOpenBook").
    template <class Fn> Fn Entry(const char* symbol) const {
        return reinterpret_cast<Fn>(dlsym(handle_, symbol));
    }
    // The call log as a string.
    std::string Log() const {
        std::string text(CallLog(nullptr, 0) + 1, '\0');
        text.resize(CallLog(text.data(), text.size()));
        return text;
    }

#define TESTDRV_MEMBER(name) decltype(&::TD_##name) name = nullptr;
    TESTDRV_FOR_EACH_TD(TESTDRV_MEMBER)
#undef TESTDRV_MEMBER

  private:
    void* handle_;
};

// Copies the driver library `from` to `folder`/`name` and returns the new path: a separate instance of
// the driver under the file name a test needs. A file already there is replaced by a new file (copy,
// then rename), never rewritten in place, so a process that still has the old one loaded is safe.
inline std::string CopyDriver(const std::string& from, const std::string& folder, const std::string& name) {
    std::filesystem::create_directories(folder);
    std::filesystem::path to = std::filesystem::path(folder) / name;
    std::filesystem::path part = to;
    part += ".part";
    std::filesystem::copy_file(from, part, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::rename(part, to);
    return to.string();
}

} // namespace testdrv

#endif /* __cplusplus */

#endif /* TAVRIN_TESTDRV_H */
