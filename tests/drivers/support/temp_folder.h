// A fresh folder per test under TAVRIN_TEST_TMP (or the system temporary folder), removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

class TempFolder {
  public:
    TempFolder() {
        const char* base = std::getenv("TAVRIN_TEST_TMP");
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info ? info->test_suite_name() : "suite") + "." +
                           (info ? info->name() : "test") + "." + std::to_string(getpid());
        for (char& c : name)
            if (c == '/') c = '_';
        path_ = std::filesystem::path(base && *base ? base : std::filesystem::temp_directory_path().c_str()) /
                "drivers" / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path() const { return path_.string(); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};
