// ZavikApi.dll: a small dictionary engine. dicCreateHDICT opens a dictionary by id when the
// configuration beside the library serves it; every handle is checked before use, so a stray or
// doubled dicFreeHDICT does nothing.
#include "zavikapi.h"

#include "dictionary_config.h"

#include <sys/stat.h>

#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

struct CBIDict_ {
    tavrin::dict::ServedDictionary dictionary;
};

namespace tavrin::dict {

namespace {

constexpr const char* kConfigName = "ZavikApi.ini";

// "ZavikApi.ini" in the folder this library was loaded from.
std::string ConfigPath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ConfigPath), &info) || !info.dli_fname) return kConfigName;
    std::string path = info.dli_fname;
    size_t slash = path.find_last_of('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + kConfigName;
}

// The configuration, read again when the file's identity, size or time changes.
class ConfigCache {
  public:
    const Config& Current() {
        struct stat st {};
        std::string path = ConfigPath();
        if (stat(path.c_str(), &st) != 0) {
            config_ = Config{};
            known_ = false;
            return config_;
        }
        if (!known_ || st.st_ino != inode_ || st.st_size != size_ || st.st_mtim.tv_sec != seconds_ ||
            st.st_mtim.tv_nsec != nanoseconds_) {
            std::ifstream file(path, std::ios::binary);
            std::ostringstream text;
            text << file.rdbuf();
            config_ = ParseConfig(text.str());
            known_ = true;
            inode_ = st.st_ino;
            size_ = st.st_size;
            seconds_ = st.st_mtim.tv_sec;
            nanoseconds_ = st.st_mtim.tv_nsec;
        }
        return config_;
    }

  private:
    Config config_;
    bool known_ = false;
    ino_t inode_ = 0;
    off_t size_ = 0;
    time_t seconds_ = 0;
    long nanoseconds_ = 0;
};

ConfigCache& Cache() {
    static ConfigCache cache;
    return cache;
}

std::set<CBI_HDICT>& OpenHandles() {
    static std::set<CBI_HDICT> handles;
    return handles;
}

bool IsOpen(CBI_HDICT dict) {
    return dict && OpenHandles().count(dict) != 0;
}

} // namespace

} // namespace tavrin::dict

using namespace tavrin::dict;

CBI_EXPORT CBI_HDICT dicCreateHDICT(uint32_t dictId) {
    try {
        std::optional<ServedDictionary> served = Cache().Current().Find(dictId);
        if (!served) return nullptr;
        auto dict = std::make_unique<CBIDict_>();
        dict->dictionary = std::move(*served);
        OpenHandles().insert(dict.get());
        return dict.release();
    } catch (...) {
        return nullptr;
    }
}

CBI_EXPORT void dicFreeHDICT(CBI_HDICT dict) {
    if (!IsOpen(dict)) return;
    OpenHandles().erase(dict);
    delete dict;
}

CBI_EXPORT uint32_t dicGetDictId(CBI_HDICT dict) {
    return IsOpen(dict) ? dict->dictionary.id : 0;
}

CBI_EXPORT int dicGetDictName(CBI_HDICT dict, char* buffer, int capacity) {
    if (!IsOpen(dict) || !buffer || capacity <= 0) return -1;
    const std::string& name = dict->dictionary.name;
    size_t n = name.size() < static_cast<size_t>(capacity) ? name.size() : static_cast<size_t>(capacity) - 1;
    if (n > 0) std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(name.size());
}
