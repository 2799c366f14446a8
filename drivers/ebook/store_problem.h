// What went wrong with the store folder, in words a user can act on: the reasons CBIGetErrorText gives
// and the store reports on standard error.
#pragma once

#include <string>

namespace tavrin::ebook {

// Why writing `path` in the store `folder` failed with errno `code` ("no space left on the disk
// holding <folder>", "the store folder <folder> is read-only", ...).
std::string DescribeStoreWrite(int code, const std::string& folder, const std::string& path);

// Writes "eBookDrv.dll: <text>" on standard error, whatever the debug setting: what the store did to
// itself (rebuilt its index, moved a file aside) and could not do must reach the user.
void ReportStore(const std::string& text);

} // namespace tavrin::ebook
