// Why a file that is no native book, and that no driver could open, was not registered, when a driver
// reads files of its kind: a damaged dictionary is told by its own driver, not by the e-book store.
#pragma once

#include <string>
#include <vector>

namespace tavrin {

// Asks each "*.dll" of `folders` whether it reads `filePath` (CBICheckVersion) and, for the first that
// does, why it cannot open it (CBIOpenBook, then CBIGetErrorText): "<driver>: <reason>". Empty when no
// driver claims the file, or the one that does opens it. Every library is released again.
std::string ClaimingDriverReason(const std::string& filePath, const std::vector<std::string>& folders);

} // namespace tavrin
