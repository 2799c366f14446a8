// The description pages of the store's classes, which the shelf hands its host when the user selects
// the class's catalog: "<store>/descriptions/<page>.html", an HTML page in UTF-8 listing the titles of
// the class's books. <page> is the class key in lower case when it is made of a-z, 0-9 and "-" only (as
// the keys the driver makes are), else "_" and a hash of the key. The pages are written again (to
// "<page>.html.part", synced, renamed) whenever the store changes what they would show; a file there
// that the driver did not write (it lacks the driver's mark on its second line) is never overwritten,
// and a class whose page cannot be written has no description.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::ebook {

inline constexpr std::string_view kDescriptionFolder = "descriptions";

struct ClassPage {
    std::string key;
    std::string name;
    std::vector<std::string> titles; // in the order of the books' ids
};

// The page's file name inside the description folder.
std::string DescriptionFileName(std::string_view key);

// The page's HTML.
std::string RenderDescriptionPage(const ClassPage& page);

// Writes the page into "<store>/descriptions/" unless the same page is there already. false and *error
// when the folder or page is not the driver's own or cannot be written.
bool WriteDescriptionPage(const std::string& store, const ClassPage& page, std::string* error);

// True when "<store>/descriptions/<file>" is a page the driver wrote.
bool IsOwnDescriptionPage(const std::string& store, const std::string& file);

// Removes the driver's own pages of classes that are no longer in `current`.
void RemoveStaleDescriptionPages(const std::string& store, const std::vector<ClassPage>& current);

// The "file://" address of an absolute path, every byte but letters, digits, "-._~" and "/" escaped.
std::string FileAddress(std::string_view absolutePath);

} // namespace tavrin::ebook
