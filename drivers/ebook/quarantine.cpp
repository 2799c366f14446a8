#include "ebook/quarantine.h"

#include "ebook/durable_file.h"
#include "ebook/store_problem.h"

#include <cerrno>
#include <ctime>
#include <sys/stat.h>

namespace tavrin::ebook {
namespace {

std::string UtcNow() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return text;
}

} // namespace

bool Quarantine(const std::string& store, const std::string& name, const std::string& why) {
    const std::string from = store + "/" + name;
    const std::string folder = store + "/" + std::string(kQuarantineFolder);
    struct stat st {};
    int code = 0;
    if (lstat(folder.c_str(), &st) == 0 ? !S_ISDIR(st.st_mode) : mkdir(folder.c_str(), 0755) != 0) {
        code = errno;
        ReportStore(from + " is not a readable EPUB book (" + why + ") and cannot be moved aside: " +
                    (code ? DescribeStoreWrite(code, store, folder) : folder + " is not a folder") +
                    "; it stays where it is");
        return false;
    }
    // Never over another file: "<name>", else "<name>.2", "<name>.3", ...
    std::string to = folder + "/" + name;
    bool moved = RenameNoReplace(from, to, &code);
    for (int n = 2; !moved && code == EEXIST && n < 1000; ++n) {
        to = folder + "/" + name + "." + std::to_string(n);
        moved = RenameNoReplace(from, to, &code);
    }
    if (!moved) {
        ReportStore(from + " is not a readable EPUB book (" + why + ") and cannot be moved aside: " +
                    DescribeStoreWrite(code, store, to) + "; it stays where it is");
        return false;
    }
    SyncFolder(store);
    const std::string note = "eBookDrv.dll moved this file here on " + UtcNow() + " from " + from +
                             ".\nIt is named like a book of the e-book store, but it is not a readable EPUB "
                             "book: " +
                             why +
                             ".\nThe store did not delete it. Mend it and add it again, or "
                             "remove it.\n";
    if (!WriteFileSynced(to + ".txt", note, &code))
        ReportStore("the note " + to +
                    ".txt cannot be written: " + DescribeStoreWrite(code, store, to + ".txt"));
    ReportStore(from + " is not a readable EPUB book (" + why + "): moved to " + to + " (the note " + to +
                ".txt says why)");
    return true;
}

} // namespace tavrin::ebook
