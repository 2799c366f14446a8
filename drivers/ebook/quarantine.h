// Where the store puts a file named like a book ("<id>.epub") that is not a readable EPUB: moved aside
// into "<store>/quarantine/", never deleted, with a note beside it saying why and when, so that the
// user can look at it, mend it or remove it.
#pragma once

#include <string>
#include <string_view>

namespace tavrin::ebook {

inline constexpr std::string_view kQuarantineFolder = "quarantine";

// Moves "<store>/<name>" to "<store>/quarantine/<name>" (or "<name>.<n>" when that is taken), writes the
// note "<that name>.txt" beside it and reports both on standard error. false, reported as well, when
// the file cannot be moved; it then stays where it is.
bool Quarantine(const std::string& store, const std::string& name, const std::string& why);

} // namespace tavrin::ebook
