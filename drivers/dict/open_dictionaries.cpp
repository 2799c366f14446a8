#include "dict/open_dictionaries.h"

#include "dict/shelf_text.h"

namespace tavrin::dict {

uint32_t OpenDictionaries::Open(const std::string& path) {
    std::string error;
    std::unique_ptr<Dictionary> d = Dictionary::Open(path, &error);
    if (!d) {
        Fail(error);
        return 0;
    }
    auto open = std::make_unique<OpenDictionary>(std::move(d));
    std::lock_guard<std::mutex> lock(mutex_);
    while (open_.count(next_) || next_ == 0)
        ++next_;
    const uint32_t handle = next_++;
    open_.emplace(handle, std::move(open));
    failure_.clear();
    return handle;
}

void OpenDictionaries::Close(uint32_t handle) {
    std::unique_ptr<OpenDictionary> closing;
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = open_.find(handle);
    if (it == open_.end()) return;
    closing = std::move(it->second);
    open_.erase(it);
}

OpenDictionary* OpenDictionaries::Find(uint32_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = open_.find(handle);
    return it == open_.end() ? nullptr : it->second.get();
}

void OpenDictionaries::Fail(std::string reason) {
    std::lock_guard<std::mutex> lock(mutex_);
    failure_ = std::move(reason);
}

void OpenDictionaries::Succeed() {
    std::lock_guard<std::mutex> lock(mutex_);
    failure_.clear();
}

std::string OpenDictionaries::LastFailure() {
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

OpenDictionaries& Driver() {
    static OpenDictionaries driver;
    return driver;
}

bool MakePage(const Dictionary& d, size_t page, std::string& out, std::string* error) {
    thread_local std::string definitions;
    definitions.clear();
    out.clear();
    if (!d.PageDefinitions(page, definitions, error)) return false;
    AppendPage(definitions, ShelfCodePage(), out);
    return true;
}

} // namespace tavrin::dict
