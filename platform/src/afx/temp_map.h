// Temporary wrapper objects for handles the framework hands out without owning them (FromHandle).
// A wrapper lives until its handle is found dead at a later look-up or the map is cleared, so a
// pointer handed out stays valid for the handler call that asked for it and longer. Wrappers never
// own their handle: the map clears the handle member before deleting one.
#pragma once

#include <functional>
#include <map>
#include <memory>

namespace afx::detail {

template <class Handle, class Object> class TempMap {
public:
    using IsAlive = bool (*)(Handle);
    using Release = void (*)(Object&); // clears the handle member so the destructor leaves it alone

    TempMap(IsAlive alive, Release release) : m_alive(alive), m_release(release) {}
    ~TempMap() { Clear(); }

    Object* Lookup(Handle h) {
        auto it = m_objects.find(h);
        return it == m_objects.end() ? nullptr : it->second.get();
    }

    // The wrapper for h, made by `make` when there is none. Dead handles are dropped first, each
    // time the map has grown by half since the last sweep, so the map stays as small as the set of
    // live handles asked about.
    Object* Get(Handle h, const std::function<std::unique_ptr<Object>(Handle)>& make) {
        if (Object* existing = Lookup(h)) return existing;
        if (m_objects.size() >= m_sweepAt) Sweep();
        auto obj = make(h);
        Object* raw = obj.get();
        m_objects.emplace(h, std::move(obj));
        return raw;
    }

    void Remove(Handle h) {
        auto it = m_objects.find(h);
        if (it == m_objects.end()) return;
        m_release(*it->second);
        m_objects.erase(it);
    }

    void Clear() {
        for (auto& [h, obj] : m_objects)
            m_release(*obj);
        m_objects.clear();
        m_sweepAt = kMinSweep;
    }

    size_t Size() const { return m_objects.size(); }

private:
    static constexpr size_t kMinSweep = 64;

    void Sweep() {
        for (auto it = m_objects.begin(); it != m_objects.end();) {
            if (m_alive(it->first)) {
                ++it;
            } else {
                m_release(*it->second);
                it = m_objects.erase(it);
            }
        }
        m_sweepAt = m_objects.size() + m_objects.size() / 2 + kMinSweep;
    }

    IsAlive m_alive;
    Release m_release;
    std::map<Handle, std::unique_ptr<Object>> m_objects;
    size_t m_sweepAt = kMinSweep;
};

} // namespace afx::detail
