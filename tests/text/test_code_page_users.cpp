// The former owners of a conversion held to the one rule: the platform's ToUtf8/FromUtf8, the book
// builder's code page (sources in, dump out) and the string-table generator. (The e-book driver's
// texts: tests/drivers/test_ebook_shelf_text.cpp.)
#include "bookc/codepage.h"
#include "codepage/code_page.h"
#include "common/temp_folder.h"
#include "plat/resources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

namespace cp = tavrin::codepage;
const std::string kFffd(cp::kReplacement);

TEST(PlatformConversion, IllFormedUtf8LosesNoCharacterAfterIt) {
    // A three-byte lead with one continuation byte: the "A" after it is a character of its own.
    EXPECT_EQ(plat::FromUtf8("\xE4\xB8"
                             "A",
                             1252),
              "??A");
    EXPECT_EQ(plat::FromUtf8("\xC0\xAF"
                             "x",
                             1252),
              "??x")
        << "overlong";
    EXPECT_EQ(plat::FromUtf8("\xED\xA0\x80", 950), "???") << "surrogate";
    EXPECT_EQ(plat::FromUtf8("\xF4\x90\x80\x80", 936), "????") << "above U+10FFFF";
    EXPECT_EQ(plat::FromUtf8("\xE4\xB8\xAD", 950), "\xA4\xA4");
    EXPECT_EQ(plat::ToUtf8("x\x81y", 1252), "x" + kFffd + "y");
    EXPECT_EQ(plat::ToUtf8("\xA4\xA4\xA4", 950), "\xE4\xB8\xAD" + kFffd);
}

TEST(PlatformConversion, ZeroIsTheActiveCodePage) {
    plat::SetCodePage(950);
    EXPECT_EQ(plat::FromUtf8("\xE4\xB8\xAD"), "\xA4\xA4");
    EXPECT_EQ(plat::ToUtf8("\xA4\xA4"), "\xE4\xB8\xAD");
    EXPECT_TRUE(plat::IsLeadByte(0xA4));
    plat::SetCodePage(1252);
    EXPECT_EQ(plat::FromUtf8("\xE4\xB8\xAD"), "?");
    EXPECT_FALSE(plat::IsLeadByte(0xA4));
}

std::unique_ptr<tavrin::bookc::CodePage> Open(uint16_t number) {
    std::string error;
    auto page = tavrin::bookc::CodePage::Open(number, &error);
    EXPECT_TRUE(page) << error;
    return page;
}

TEST(BookBuilderConversion, IllFormedUtf8InASourceIsNamedAsSuch) {
    auto big5 = Open(950);
    ASSERT_TRUE(big5);
    for (const char* bad : {"ab\xC0\xAF", "ab\xED\xA0\x80", "ab\xF4\x90\x80\x80", "ab\xE0\x80\xAF"}) {
        std::string error;
        EXPECT_FALSE(big5->Encode(bad, &error));
        EXPECT_EQ(error, "the source is not valid UTF-8 at column 3") << bad;
    }
    std::string error;
    EXPECT_EQ(big5->Encode("\xE4\xB8\xAD", &error), "\xA4\xA4");
    EXPECT_FALSE(big5->Encode("x\xC3\xA9", &error));
    EXPECT_NE(error.find("\"\xC3\xA9\" cannot be written in code page 950"), std::string::npos) << error;
}

TEST(BookBuilderConversion, DumpShowsRejectedCharactersAsEscapes) {
    auto western = Open(1252);
    auto big5 = Open(950);
    auto none = Open(0);
    ASSERT_TRUE(western && big5 && none);
    EXPECT_EQ(western->Decode("caf\xE9\x81"), "caf\xC3\xA9\\x81");
    EXPECT_EQ(big5->Decode("\xA4\xA4"
                           "a\xA4"),
              "\xE4\xB8\xAD"
              "a\\xA4");
    EXPECT_EQ(none->Decode("a\xE9"), "a\\xE9");
}

// Runs the string-table generator on one table of `text`; its exit status and what it said.
int GenStrings(const std::string& codePage, const std::string& text, std::string* said) {
    const testfs::TempFolder dir;
    const std::string command = std::string(TAVRIN_GEN_STRINGS) + " " + dir.File("out.cpp") + " 0x0404 " +
                                codePage + " " + dir.Write("table.txt", text) + " 2>&1";
    said->clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        said->append(buffer, n);
    int status = pclose(pipe);
    std::ifstream out(dir.File("out.cpp"));
    std::ostringstream generated;
    generated << out.rdbuf();
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) *said = generated.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(StringTableConversion, TextsConvertByTheRuleAndFailuresSayWhere) {
    std::string said;
    // Big5 as the platform reads it (code page 950): the full-width question mark and the euro sign.
    ASSERT_EQ(GenStrings("950", "27\t\xE7\xA2\xBA\xE5\xAE\x9A\xEF\xBC\x9F\\x41 \xE2\x82\xAC\n", &said), 0)
        << said;
    EXPECT_NE(said.find("{0x0404, 27, \"\\275T\\251w\\241HA \\243\\341\", 10}"), std::string::npos) << said;
    EXPECT_NE(GenStrings("950", "5\tok \xC0\xAF\n", &said), 0);
    EXPECT_NE(said.find("table.txt:1: column 6: the text is not well-formed UTF-8"), std::string::npos)
        << said;
    EXPECT_NE(GenStrings("950", "5\t\\\\\xC3\xA9\n", &said), 0);
    EXPECT_NE(said.find("column 5: \"\xC3\xA9\" cannot be written in code page 950"), std::string::npos)
        << said;
    EXPECT_NE(GenStrings("BIG5", "5\tx\n", &said), 0);
    EXPECT_NE(said.find("unknown code page BIG5"), std::string::npos) << said;
}

} // namespace
