// The settings text of a catalog page, without a driver: where the text starts and ends, how lines
// end, how sections and keys match (by prefix, without regard to case), the number readers for the
// values, and reading a page through the driver's page calls when the driver reports odd sizes.
#include "catalog/settings_page.h"
#include "catalog/settings_text.h"
#include "test_catalog_world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <optional>
#include <span>
#include <string>

using catalog_world::SettingsPage;
using tavrin::FindSetting;

namespace {

std::optional<std::string> Find(const std::string& page, const char* section, const char* key) {
    auto bytes =
        std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(page.data()), page.size());
    std::optional<std::string_view> value = FindSetting(bytes, section, key);
    if (!value) return std::nullopt;
    return std::string(*value);
}

// ---- where the text is, and its lines ----

TEST(SettingsText, StartsAtTheFirstBracketAfterTheHeadAndEndsAtTheEndMark) {
    // A complete settings text inside the 56-byte head is ignored.
    std::string head = "[CONFIG]\xFF\x0AID=head";
    std::string page = head + std::string(56 - head.size(), '.') + "[CONFIG]\xFF\x0AID=text\xFF\x06";
    EXPECT_EQ(Find(page, "CONFIG", "ID"), "text");
    EXPECT_EQ(Find(head + std::string(56 - head.size(), '.') + "ID=x", "CONFIG", "ID"), std::nullopt);
    EXPECT_EQ(Find("[CONFIG]\xFF\x0AID=1\xFF\x06", "CONFIG", "ID"), std::nullopt)
        << "no longer than the head";
    EXPECT_EQ(Find(std::string(56, '['), "", ""), std::nullopt);
    EXPECT_EQ(Find(std::string(56, '.') + "CONFIG]\xFF\x0AID=1\xFF\x06", "CONFIG", "ID"), std::nullopt)
        << "no bracket";
    EXPECT_EQ(Find(SettingsPage({"[CONFIG]", "ID=5", "RID=last"}, false), "CONFIG", "RID"), "last")
        << "without an end mark the text runs to the page's end";
    std::string ended = SettingsPage({"[CONFIG]", "ID=5"}) + "\xFF\x0ARID=after";
    EXPECT_EQ(Find(ended, "CONFIG", "ID"), "5");
    EXPECT_EQ(Find(ended, "CONFIG", "RID"), std::nullopt);
    // Only the pair ends the text: 0xFF before another byte is text.
    EXPECT_EQ(Find(SettingsPage({"[CONFIG]", "ID=a\xFF"
                                             "b"}),
                   "CONFIG", "ID"),
              "a\xFF"
              "b");
    std::string tail = std::string(60, '.') + "[X]\xFF\x06tail";
    auto text = tavrin::SettingsText(
        std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(tail.data()), tail.size()));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "[X]");
}

TEST(SettingsText, LinesEndAtACarriageReturnAndTheValueIsTheRestOfTheLine) {
    // "\rx" is a line end of two bytes: the byte after the carriage return is never read.
    std::string page = std::string(56, '.') + "[CONFIG]\rxID=3\r\nRID=4\xFF\x06";
    EXPECT_EQ(Find(page, "CONFIG", "ID"), "3");
    EXPECT_EQ(Find(page, "CONFIG", "RID"), "4");
    std::string swallowed = std::string(56, '.') + "[CONFIG]\rID=3\xFF\x06";
    EXPECT_EQ(Find(swallowed, "CONFIG", "ID"), std::nullopt) << "'I' is skipped, the line reads 'D=3'";
    std::string values = SettingsPage({"[CONFIG]", "RID=a=b  ", "ID 5", "ID="});
    EXPECT_EQ(Find(values, "CONFIG", "RID"), "a=b  ");
    EXPECT_EQ(Find(values, "CONFIG", "ID"), "") << "a key line without '=' is passed over";
}

// The search as first written: cut the text at 0xFF 0x06, turn every 0xFF 0x0A into CR LF in a copy,
// then walk the lines from carriage return to carriage return.
std::optional<std::string> ReferenceFind(const std::string& page, const std::string& section,
                                         const std::string& key) {
    if (page.size() < 56) return std::nullopt;
    size_t start = page.find('[', 56);
    if (start == std::string::npos) return std::nullopt;
    std::string text = page.substr(start);
    size_t cut = text.find("\xFF\x06");
    if (cut != std::string::npos) text.resize(cut);
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '\xFF' && text[i + 1] == '\x0A') {
            text[i] = '\r';
            text[i + 1] = '\n';
        }
    auto startsWith = [](const std::string& line, const std::string& prefix) {
        if (line.size() < prefix.size()) return false;
        for (size_t i = 0; i < prefix.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(line[i])) !=
                std::tolower(static_cast<unsigned char>(prefix[i])))
                return false;
        return true;
    };
    bool inSection = false;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\r', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        size_t open = line.find('[');
        if (!inSection) {
            inSection = open != std::string::npos && line.find(']') != std::string::npos &&
                        startsWith(line.substr(open + 1), section);
        } else if (startsWith(line, key) && line.find('=') != std::string::npos) {
            return line.substr(line.find('=') + 1);
        }
        pos = end + 2;
    }
    return std::nullopt;
}

TEST(SettingsLines, SearchAgreesWithTheCopyAndConvertReadingOnRandomPages) {
    // Pieces of settings text and the bytes that make or break lines, mixed at random.
    const char* pieces[] = {"[",        "]",   "=",   "ID",          "I",           "d",
                            "x",        "\r",  "\n",  "\xFF",        "\x0A",        "\xFF\x0A",
                            "\xFF\x06", "[I]", "ID=", "\xFF\x0A[x]", "\xFF\x0AID=v"};
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    int found = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string page(56, '.');
        size_t count = next() % 16;
        for (size_t i = 0; i < count; ++i)
            page += pieces[next() % (sizeof pieces / sizeof pieces[0])];
        const char* sections[] = {"", "I", "x"};
        const char* keys[] = {"", "I", "ID", "d"};
        std::string section = sections[next() % 3];
        std::string key = keys[next() % 4];
        std::optional<std::string> expected = ReferenceFind(page, section, key);
        ASSERT_EQ(Find(page, section.c_str(), key.c_str()), expected)
            << "round " << round << " section '" << section << "' key '" << key << "'";
        found += expected.has_value();
    }
    EXPECT_GT(found, 1000) << "the random pages exercise the found case";
}

// ---- sections and keys ----

TEST(SettingsMatching, KeysMatchByPrefixIgnoringCaseAndOnlyAfterTheirSection) {
    std::string page = SettingsPage({"[CONFIG]", "IDB=131 155 131 155", "ID=7"});
    EXPECT_EQ(Find(page, "CONFIG", "ID"), "131 155 131 155") << "ID finds an earlier IDB line";
    EXPECT_EQ(Find(SettingsPage({"[CONFIG]", "ID=7", "IDB=1 2 3 4"}), "CONFIG", "ID"), "7");
    EXPECT_EQ(Find(SettingsPage({"[config]", "TextColor=1 2 3"}), "Config", "TEXTCOLOR"), "1 2 3");
    std::string two = SettingsPage({"[BOOKS]", "ID=1", "[CONFIG]", "RID=2", "[OTHER]", "abc.ebd=1"});
    EXPECT_EQ(Find(two, "CONFIG", "ID"), std::nullopt) << "a key before its section is not found";
    EXPECT_EQ(Find(two, "BOOKS", "ID"), "1");
    EXPECT_EQ(Find(two, "CONFIG", "abc.ebd"), "1") << "later sections do not end the search";
}

TEST(SettingsMatching, SectionMatchesByPrefixAfterTheFirstBracketWithBothBracketsOnItsLine) {
    EXPECT_EQ(Find(SettingsPage({"[CONFIGURATION]", "ID=1"}), "CONFIG", "ID"), "1");
    EXPECT_EQ(Find(SettingsPage({"[ CONFIG]", "ID=1"}), "CONFIG", "ID"), std::nullopt);
    EXPECT_EQ(Find(SettingsPage({"[CONF]", "ID=1"}), "CONFIG", "ID"), std::nullopt);
    EXPECT_EQ(Find(SettingsPage({"[CONFIG", "ID=1"}), "CONFIG", "ID"), std::nullopt);
    EXPECT_EQ(Find(SettingsPage({"[X]", "][CONFIG", "ID=2"}), "CONFIG", "ID"), "2");
}

// ---- numbers in values ----

TEST(SettingValues, ColourTakesRedGreenBlueByTheirLowBytesAndMissingPartsAreZero) {
    EXPECT_EQ(tavrin::ParseColorValue("255 0 0"), 0x0000FFu);
    EXPECT_EQ(tavrin::ParseColorValue(" 1\t2  3"), 0x030201u);
    EXPECT_EQ(tavrin::ParseColorValue("256 -1 513"), 0x01FF00u);
    EXPECT_EQ(tavrin::ParseColorValue("1180591620717411303429 0 0"), 0x05u) << "low byte of a long number";
    EXPECT_EQ(tavrin::ParseColorValue("12 34"), 0x00220Cu);
    EXPECT_EQ(tavrin::ParseColorValue("red"), 0u);
    EXPECT_EQ(tavrin::ParseColorValue("1,2,3"), 0x000001u);
}

TEST(SettingValues, FlagsAreNumbersOtherThanZeroAndNumbersStopAtAWordAndSaturate) {
    for (const char* off : {"0", "000", "", "yes"})
        EXPECT_FALSE(tavrin::ParseFlagValue(off)) << off;
    for (const char* on : {"2", " -1", "1x"})
        EXPECT_TRUE(tavrin::ParseFlagValue(on)) << on;
    int n[4] = {9, 9, 9, 9};
    tavrin::ParseNumbers("131 155 abc 7", n, 4);
    EXPECT_EQ(std::vector<int>(n, n + 4), (std::vector<int>{131, 155, 0, 0})) << "none after a word";
    tavrin::ParseNumbers("99999999999 -99999999999", n, 2);
    EXPECT_EQ(n[0], INT_MAX);
    EXPECT_EQ(n[1], INT_MIN);
}

// ---- reading the page through the driver ----

// A driver's page calls with sizes and pages each test chooses.
struct FakePages {
    int32_t entryPage = 0;
    int32_t childPage = -1;
    CBI_HITEM child = 0;
    int32_t reportedSize = 0;
    std::string data;
    int32_t written = -2; // -2: what was copied
    int32_t askedSize = -1;
    int itemToPageCalls = 0;
    CBI_HITEM lastItemAsked = 0;
};
FakePages g_fake;

CbiTable FakeTable() {
    CbiTable cbi{};
    cbi.CBIVPItemToPage = [](CBI_HBOOK, CBI_HITEM item) -> int32_t {
        ++g_fake.itemToPageCalls;
        g_fake.lastItemAsked = item;
        return item == 1 ? g_fake.entryPage : g_fake.childPage;
    };
    cbi.CBIVPGetChildItem = [](CBI_HBOOK, CBI_HITEM) -> CBI_HITEM { return g_fake.child; };
    cbi.CBIGetPageSize = [](CBI_HBOOK, int32_t) -> int32_t { return g_fake.reportedSize; };
    cbi.CBIGetPage = [](CBI_HBOOK, int32_t, unsigned char* buffer, int32_t size) -> int32_t {
        g_fake.askedSize = size;
        size_t n = std::min(g_fake.data.size(), static_cast<size_t>(size));
        std::memcpy(buffer, g_fake.data.data(), n);
        return g_fake.written == -2 ? static_cast<int32_t>(n) : g_fake.written;
    };
    return cbi;
}

class SettingsPageReading : public ::testing::Test {
  protected:
    void SetUp() override { g_fake = FakePages(); }
};

TEST_F(SettingsPageReading, PageIsHeldToWhatWasWrittenAndToItsBuffer) {
    g_fake.data = SettingsPage({"[CONFIG]", "ID=5"}, false);
    g_fake.reportedSize = 4096;
    std::vector<unsigned char> page = tavrin::ReadSettingsPage(FakeTable(), 1, 1);
    EXPECT_EQ(g_fake.askedSize, 4096);
    ASSERT_EQ(page.size(), g_fake.data.size());
    EXPECT_EQ(Find(std::string(page.begin(), page.end()), "CONFIG", "ID"), "5") << "no stale bytes after it";
    g_fake.data = std::string(100, 'x');
    g_fake.reportedSize = 100;
    g_fake.written = 1 << 30;
    EXPECT_EQ(tavrin::ReadSettingsPage(FakeTable(), 1, 1).size(), 100u) << "a claim past the buffer";
    g_fake.written = -5;
    EXPECT_TRUE(tavrin::ReadSettingsPage(FakeTable(), 1, 1).empty());
}

TEST_F(SettingsPageReading, AbsurdPageSizeIsCappedAndANegativeOneReadsNothing) {
    g_fake.data = SettingsPage({"[CONFIG]", "ID=5"});
    g_fake.reportedSize = INT32_MAX;
    std::vector<unsigned char> page = tavrin::ReadSettingsPage(FakeTable(), 1, 1);
    EXPECT_EQ(g_fake.askedSize, static_cast<int32_t>(tavrin::kMaxSettingsPageSize));
    EXPECT_EQ(page.size(), g_fake.data.size());
    g_fake.reportedSize = -1;
    g_fake.askedSize = -1;
    EXPECT_TRUE(tavrin::ReadSettingsPage(FakeTable(), 1, 1).empty());
    EXPECT_EQ(g_fake.askedSize, -1) << "no page read for a negative size";
}

TEST_F(SettingsPageReading, EntryWithoutPageUsesItsFirstChildsPageIfAny) {
    g_fake.entryPage = -1;
    g_fake.child = 7;
    g_fake.childPage = 3;
    EXPECT_EQ(tavrin::SettingsPageNumber(FakeTable(), 1, 1), 3);
    EXPECT_EQ(g_fake.lastItemAsked, 7u) << "the page of the first child";
    g_fake.childPage = -1;
    EXPECT_EQ(tavrin::SettingsPageNumber(FakeTable(), 1, 1), std::nullopt);
    g_fake.child = 0;
    g_fake.itemToPageCalls = 0;
    EXPECT_EQ(tavrin::SettingsPageNumber(FakeTable(), 1, 1), std::nullopt);
    EXPECT_EQ(g_fake.itemToPageCalls, 1) << "no page is asked for a missing child";
}

TEST_F(SettingsPageReading, MissingPageCallsReadNothing) {
    g_fake.reportedSize = 10;
    CbiTable cbi = FakeTable();
    cbi.CBIGetPage = nullptr;
    EXPECT_TRUE(tavrin::ReadSettingsPage(cbi, 1, 1).empty());
    cbi = FakeTable();
    cbi.CBIVPItemToPage = nullptr;
    EXPECT_TRUE(tavrin::ReadSettingsPage(cbi, 1, 1).empty());
}

} // namespace
