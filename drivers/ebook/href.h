// Names inside an EPUB container: which entry names are safe, and how a reference (an href of the
// package, the navigation document or the NCX) becomes the name of an entry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrin::ebook {

// True for an entry name that stays inside the container: not empty, not absolute ("/x", "\x",
// "C:x"), no NUL or backslash tricks, and no ".." that climbs above the top folder.
bool IsSafeEntryName(std::string_view name);

// Decodes %XX escapes; a "%" not followed by two hex digits stays as it is.
std::string PercentDecode(std::string_view text);

// The folder part of an entry name, with its trailing "/" ("OEBPS/" for "OEBPS/content.opf", "" for
// a name without a folder).
std::string FolderOf(std::string_view entryName);

// The entry that `href` names when written in a document that lives in `baseFolder` (as FolderOf
// gives it): the fragment ("#...") and query ("?...") are dropped, escapes decoded, "." and ".."
// resolved. Empty when the href is empty, names another scheme or host ("http:", "//x"), is absolute,
// or climbs above the top folder. *fragment receives what followed "#" (may be null).
std::optional<std::string> ResolveHref(std::string_view baseFolder, std::string_view href,
                                       std::string* fragment = nullptr);

} // namespace tavrin::ebook
