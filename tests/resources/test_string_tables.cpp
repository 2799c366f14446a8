// The shelf's string tables: the English texts byte for byte, every id in all three languages (the
// Simplified Chinese table without 24, 25 and 40022), and Chinese texts that are valid Big5 / GBK.
#include "resources/resource_ids.h"
#include "resources/shelf_resources.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iconv.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace tavrin;

const std::map<UINT, std::string>& Table(WORD lang) {
    static const std::map<UINT, std::string> empty;
    const auto& strings = ShelfResources().strings;
    auto it = strings.find(lang);
    return it == strings.end() ? empty : it->second;
}

const std::vector<UINT> kAllIds = {1,  2,  3,     4,     5,     6,     7,     8,     9,     10,   11,
                                   12, 13, 22,    23,    24,    25,    26,    27,    28,    29,   30,
                                   31, 32, 40015, 40016, 40017, 40018, 40019, 40020, 40021, 40022};

// Converts `bytes` from `charset` to UTF-8; false when they are not valid text of that charset.
bool Decode(const std::string& bytes, const char* charset, std::string* utf8) {
    iconv_t cd = iconv_open("UTF-8", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in = bytes, out(bytes.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0) return false;
    out.resize(out.size() - outLeft);
    *utf8 = out;
    return true;
}

TEST(StringTables, EnglishTextsAreQuotedExactly) {
    const std::map<UINT, std::string> expected = {
        {1, "The file can't be opened."},
        {2, "The file can't be read."},
        {3, "It's not a Zavik book."},
        {4, "You must initial OLE, if you may not use the dragdrop function."},
        {5, "This book's driver can't be found."},
        {6, "This book has been added into bookshelf"},
        {7, "Dictionaries"},
        {8, "Unclassfied"},
        {9, "Online Books"},
        {10, "Stored Books"},
        {11, "Bookshelf"},
        {12, "Error"},
        {13, "This catalog  has already existed."},
        {22, "Warning"},
        {23, "Do you realy want to delete this item."},
        {24, "(On-line)"},
        {25, "(Off-line)"},
        {26, "Don't to remove the book from the Register database."},
        {27, "Are sure\xA1\x48"},
        {28, "Remove a book"},
        {29, "The book could not be added to the e-book store."},
        {30, "The dictionary library doesn't list this dictionary."},
        {31, "dictionary id"},
        {32, "The dictionary library ZavikApi.dll can't be loaded."},
        {40015, "New Catalog(&N)"},
        {40016, "Delete(&D)"},
        {40017, "Rename(&M)"},
        {40018, "Open(&O)"},
        {40019, "Close(&C)"},
        {40020, "Property(&P)"},
        {40021, "Register Book(&R)"},
        {40022, "Selection too many."},
    };
    EXPECT_EQ(Table(kLangEnglish), expected);
}

TEST(StringTables, TheOddBytesOfIds13And27AreKept) {
    const std::string& s13 = Table(kLangEnglish).at(IDS_CATALOG_EXISTS);
    EXPECT_NE(s13.find("catalog  has"), std::string::npos); // two blanks
    const std::string& s27 = Table(kLangEnglish).at(IDS_CONFIRM_REMOVE_BOOK);
    ASSERT_EQ(s27.size(), 10u);
    EXPECT_EQ(static_cast<unsigned char>(s27[8]), 0xA1);
    EXPECT_EQ(static_cast<unsigned char>(s27[9]), 0x48);
    // Those two bytes are the Big5 full-width question mark.
    std::string utf8;
    ASSERT_TRUE(Decode(s27.substr(8), "BIG5", &utf8));
    EXPECT_EQ(utf8, "\xEF\xBC\x9F");
}

TEST(StringTables, EveryIdInEveryLanguageExceptTheThreeSimplifiedGaps) {
    const std::set<UINT> missingInSimplified = {IDS_ONLINE_MARK, IDS_OFFLINE_MARK, IDS_SELECTION_TOO_MANY};
    for (UINT id : kAllIds) {
        SCOPED_TRACE(id);
        EXPECT_EQ(Table(kLangEnglish).count(id), 1u);
        EXPECT_EQ(Table(kLangChineseTraditional).count(id), 1u);
        EXPECT_EQ(Table(kLangChineseSimplified).count(id), missingInSimplified.count(id) ? 0u : 1u);
    }
    EXPECT_EQ(Table(kLangEnglish).size(), kAllIds.size());
    EXPECT_EQ(Table(kLangChineseTraditional).size(), kAllIds.size());
    EXPECT_EQ(Table(kLangChineseSimplified).size(), kAllIds.size() - 3);
    EXPECT_EQ(ShelfResources().strings.size(), 3u);
}

TEST(StringTables, ChineseTextsAreValidInTheirCodePagesAndTranslated) {
    for (auto [lang, charset] : {std::pair<WORD, const char*>{kLangChineseTraditional, "BIG5"},
                                 std::pair<WORD, const char*>{kLangChineseSimplified, "GBK"}}) {
        for (const auto& [id, text] : Table(lang)) {
            SCOPED_TRACE(std::to_string(lang) + "/" + std::to_string(id));
            std::string utf8;
            ASSERT_TRUE(Decode(text, charset, &utf8));
            EXPECT_FALSE(text.empty());
            EXPECT_NE(text, Table(kLangEnglish).at(id)); // translated, not copied
            bool hasDoubleByte = false;
            for (unsigned char c : text)
                hasDoubleByte |= c >= 0x81;
            EXPECT_TRUE(hasDoubleByte);
        }
    }
}

TEST(StringTables, MenuTextsKeepTheirAccessKeysInEveryLanguage) {
    const std::map<UINT, std::string> keys = {
        {ID_NEW_CATALOG, "(&N)"}, {ID_DELETE, "(&D)"},   {ID_RENAME, "(&M)"},       {ID_OPEN, "(&O)"},
        {ID_CLOSE, "(&C)"},       {ID_PROPERTY, "(&P)"}, {ID_REGISTER_BOOK, "(&R)"}};
    for (WORD lang : {kLangEnglish, kLangChineseTraditional, kLangChineseSimplified})
        for (const auto& [id, key] : keys) {
            const std::string& text = Table(lang).at(id);
            ASSERT_GE(text.size(), key.size());
            EXPECT_EQ(text.substr(text.size() - key.size()), key) << lang << "/" << id;
        }
}

TEST(StringTables, SameTextsInTheSameCodePageAsTheSources) {
    // Spot checks that the build converted from UTF-8 rather than copying the source bytes.
    EXPECT_EQ(Table(kLangChineseTraditional).at(IDS_ERROR), "\xBF\xF9\xBB\x7E"); // Big5
    EXPECT_EQ(Table(kLangChineseSimplified).at(IDS_ERROR), "\xB4\xED\xCE\xF3");  // GBK
}

} // namespace
