// The dictionaries the driver has open, by book handle, with the reason of the last failure.
#pragma once

#include "dict/contents.h"
#include "dict/dictionary.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace tavrin::dict {

// Book handles of this driver count up from here, apart from the other drivers' ranges.
inline constexpr uint32_t kFirstHandle = 0x00D00001;
// The dictionary class of every DICT dictionary; the dictionary library serves it (ZavikApi.ini).
inline constexpr uint16_t kDictClass = 0x10;

struct OpenDictionary {
    explicit OpenDictionary(std::unique_ptr<Dictionary> d)
        : dictionary(std::move(d)), contents(*dictionary) {}
    std::unique_ptr<Dictionary> dictionary;
    Contents contents;
    // The page last made for CBIGetPageSize and CBIGetPage.
    std::mutex pageMutex;
    int32_t madePage = -1;
    std::string madeBytes;
};

class OpenDictionaries {
  public:
    // Opens `path`; the handle, or 0 with the reason kept.
    uint32_t Open(const std::string& path);
    void Close(uint32_t handle);
    OpenDictionary* Find(uint32_t handle);

    void Fail(std::string reason);
    void Succeed();
    std::string LastFailure();

  private:
    std::mutex mutex_;
    std::map<uint32_t, std::unique_ptr<OpenDictionary>> open_;
    uint32_t next_ = kFirstHandle;
    std::string failure_;
};

OpenDictionaries& Driver();

// A page of `d` in the shelf's page markup and code page into `out` (replaced); false, with the reason,
// when its definitions cannot be read.
bool MakePage(const Dictionary& d, size_t page, std::string& out, std::string* error);

} // namespace tavrin::dict
