// Paths the user names on the command line, examined without letting a file system error escape.
#pragma once

#include <filesystem>
#include <string>

namespace tavrin::host {

struct ExaminedPath {
    std::filesystem::path path;                                         // absolute, made lexically normal
    std::filesystem::file_type type = std::filesystem::file_type::none; // not_found when nothing is there
    std::string problem; // why it could not be examined (too long a name, no permission, ...); else empty
};

ExaminedPath Examine(const std::string& name);

} // namespace tavrin::host
