// A fresh folder per test, under TAVRIN_TEST_TMP (set by ctest) or else the system's temporary folder,
// named after the test. It is removed with everything in it when the object ends, folders that a test
// left read-only included.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace testfs {

class TempFolder {
  public:
    TempFolder() {
        const char* base = std::getenv("TAVRIN_TEST_TMP");
        const std::filesystem::path root =
            base && *base ? base : std::filesystem::temp_directory_path().string();
        std::filesystem::create_directories(root);
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
        for (char& c : name)
            if (c == '/') c = '_';
        std::string pattern = (root / (name.substr(0, 120) + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot make a folder under " << root;
        path_ = pattern;
        // Open to others as a folder made plainly would be: some tests read it as another user.
        using std::filesystem::perms;
        std::error_code ignored;
        std::filesystem::permissions(path_,
                                     perms::owner_all | perms::group_read | perms::group_exec |
                                         perms::others_read | perms::others_exec,
                                     ignored);
    }
    ~TempFolder() {
        MakeRemovable(path_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::string operator/(const std::string& name) const { return File(name); }

    // Writes `bytes` to the file `name` in the folder and returns its path.
    std::string Write(const std::string& name, std::string_view bytes) const {
        std::ofstream(File(name), std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return File(name);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        return Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

  private:
    // Gives the owner every right on `folder` and the folders in it, so that their entries can go.
    static void MakeRemovable(const std::filesystem::path& folder) {
        std::error_code ignored, listing;
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        for (std::filesystem::directory_iterator it(folder, listing), end; !listing && it != end;
             it.increment(listing))
            if (!it->is_symlink(ignored) && it->is_directory(ignored)) MakeRemovable(it->path());
    }

    std::string path_;
};

} // namespace testfs
