// Pending registrations: a registration is written whole under a key of its own, named
// "~Registering <process id>", beside the book key it is meant for, and then renamed to the book
// number in one step (RegRenameKey). A book key that is already there moves aside first, to
// "~Registering <process id> replaced", and is deleted once the new one is in place. A program that is
// killed on the way leaves only keys of these names, never half a book key: the registry walk never
// takes them for books but notes that it met one, and the next registration after such a walk deletes
// those of processes that are gone (and its own). Without one met, a registration does not look for
// them, so that registering many books does not list the whole registration root for each.
#pragma once

#include "registry/book_registry.h"

#include <string>
#include <string_view>

namespace tavrin {

inline constexpr std::string_view kPendingKeyPrefix = "~Registering ";
inline constexpr std::string_view kReplacedKeySuffix = " replaced";

inline std::string PendingKeyName(long processId) {
    return std::string(kPendingKeyPrefix) + std::to_string(processId);
}

inline std::string ReplacedKeyName(long processId) {
    return PendingKeyName(processId) + std::string(kReplacedKeySuffix);
}

// True for a key name of a pending registration (or of a book key being replaced).
inline bool IsPendingKeyName(std::string_view name) {
    return name.size() >= kPendingKeyPrefix.size() &&
           EqualNoCase(name.substr(0, kPendingKeyPrefix.size()), kPendingKeyPrefix);
}

// Whether a pending key may be in the registry: set when the registry walk met one or a registration
// could not remove all it found (or its own), cleared when a registration removed every one. One shelf
// per process, like the driver table.
bool& PendingKeysMet();

// The process that wrote a pending key; 0 when the name holds none.
inline long PendingKeyOwner(std::string_view name) {
    if (!IsPendingKeyName(name)) return 0;
    long id = 0;
    for (char c : name.substr(kPendingKeyPrefix.size())) {
        if (c < '0' || c > '9') break;
        if (id > 100000000L) return 0;
        id = id * 10 + (c - '0');
    }
    return id;
}

} // namespace tavrin
