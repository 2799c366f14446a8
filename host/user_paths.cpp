// Paths the user names on the command line.
#include "user_paths.h"

#include <system_error>

namespace tavrin::host {

ExaminedPath Examine(const std::string& name) {
    ExaminedPath examined;
    std::error_code ec;
    examined.path = std::filesystem::absolute(name, ec).lexically_normal();
    if (!ec) {
        const std::filesystem::file_status status = std::filesystem::status(examined.path, ec);
        examined.type = status.type();
    }
    if (ec && examined.type != std::filesystem::file_type::not_found)
        examined.problem = "cannot examine it: " + ec.message();
    return examined;
}

} // namespace tavrin::host
