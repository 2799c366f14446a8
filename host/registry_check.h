// The check the host makes before it builds the shelf: that the registry store it will read can be
// read at all.
#pragma once

namespace tavrin::host {

// True when the registry store can be read whole, or does not exist yet (a first run: the shelf then
// has no registered books). Otherwise prints "tavrin-host: the registry <path> cannot be read:
// <error>: <reason>" to stderr and returns false: a store that is locked by another program beyond a
// short wait, unreadable, damaged or not a registry database would otherwise give an empty shelf.
bool RegistryReadable();

} // namespace tavrin::host
