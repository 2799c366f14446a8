// Damaged user catalog streams: the reader trusts no length, count, chain or text, stops at the first
// damage and keeps what it read before; the control then loads that much and reports FALSE.
#include "test_user_catalogs_world.h"

using namespace user_world;
using tavrin::ReadUserCatalogStream;
using tavrin::UserCatalogItem;
using tavrin::UserCatalogStream;

namespace {

UserCatalogStream Read(const std::string& bytes) {
    return ReadUserCatalogStream(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// A good block: catalog `name` under the root, holding one catalog.
std::string GoodBlock(const char* name, DWORD stamp) {
    return Block({RootRecord()},
                 {Item(CATA_USER, name, 1, 0, stamp), Item(CATA_USER, "inside", 0, 0, stamp + 1)});
}

TEST(UserCatalogReader, TheSignatureIsKs2InAnyCaseAndNothingShorter) {
    for (const char* good : {"KS2", "ks2", "kS2"})
        EXPECT_TRUE(Read(Header(good)).whole) << good;
    for (const char* bad : {"KS", "KS3"})
        EXPECT_FALSE(Read(Header(bad)).whole) << bad;
    std::string wrongMagic = Header();
    wrongMagic[3] = 'B';
    EXPECT_FALSE(Read(wrongMagic).whole);
    EXPECT_FALSE(Read(Header().substr(0, 255)).whole);
    EXPECT_FALSE(Read("").whole);
}

TEST(UserCatalogReader, GoodBlocksAreReadWithTheirStructure) {
    UserCatalogStream s = Read(Header() + GoodBlock("a", 10) + GoodBlock("b", 20));
    ASSERT_TRUE(s.whole);
    ASSERT_EQ(s.blocks.size(), 2u);
    EXPECT_EQ(s.blocks[1].ancestors.size(), 1u);
    ASSERT_EQ(s.blocks[1].entries.size(), 2u);
    EXPECT_STREQ(s.blocks[1].entries[0].szLabel, "b");
    EXPECT_EQ(s.blocks[1].parent, (std::vector<int>{-1, 0}));
}

TEST(UserCatalogReader, LengthsAndCountsThatDoNotFitEndTheReadAfterTheBlocksBefore) {
    const std::string good = Header() + GoodBlock("a", 10);
    const auto entries = std::vector<UserCatalogItem>{Item(CATA_USER, "x")};
    const size_t size = 8 + 312 + 1064;
    struct Case {
        const char* what;
        std::string block;
    } cases[] = {
        {"length past the stream", Block({RootRecord()}, entries, static_cast<long>(size + 1))},
        {"length below the header", Block({RootRecord()}, entries, 4)},
        {"length zero", Block({RootRecord()}, entries, 0)},
        {"no ancestors", Block({}, entries)},
        {"ancestors past the block", Block({RootRecord()}, entries, -1, 5)},
        {"ancestors past any stream", Block({RootRecord()}, entries, -1, 0x7FFFFFFF)},
        {"entries not whole records", Block({RootRecord()}, entries, static_cast<long>(size - 1)) + "z"},
        {"no entries", Block({RootRecord()}, {})},
        {"a block header cut short", std::string("\x10\x00\x00", 3)},
    };
    for (const Case& c : cases) {
        UserCatalogStream s = Read(good + c.block);
        EXPECT_FALSE(s.whole) << c.what;
        ASSERT_EQ(s.blocks.size(), 1u) << c.what;
        EXPECT_STREQ(s.blocks[0].entries[0].szLabel, "a") << c.what;
    }
}

TEST(UserCatalogReader, ChainsThatRunPastTheirBlockOrLeaveRecordsUnreachedAreDamage) {
    // A next sibling announced but not there.
    UserCatalogStream s = Read(Header() + Block({RootRecord()}, {Item(CATA_USER, "a", 0, 1)}));
    EXPECT_FALSE(s.whole);
    // Children announced but not there: the first record is kept, as read before the damage.
    s = Read(Header() + Block({RootRecord()}, {Item(CATA_USER, "a", 1, 0), Item(CATA_USER, "b", 1, 0)}));
    EXPECT_FALSE(s.whole);
    ASSERT_EQ(s.blocks.size(), 1u);
    EXPECT_EQ(s.blocks[0].entries.size(), 2u);
    // A chain that runs into the next block's bytes is still only this block's records.
    s = Read(Header() + Block({RootRecord()}, {Item(CATA_USER, "a", 0, 1)}) + GoodBlock("b", 3));
    EXPECT_FALSE(s.whole);
    // A record the structure never reaches.
    s = Read(Header() + Block({RootRecord()}, {Item(CATA_USER, "a"), Item(CATA_USER, "stray")}));
    EXPECT_FALSE(s.whole);
}

TEST(UserCatalogReader, NestingStopsAfterSixtyFourLevels) {
    auto chain = [](int levels) {
        std::vector<UserCatalogItem> items;
        for (int i = 0; i < levels; ++i)
            items.push_back(Item(CATA_USER, "n", i + 1 < levels ? 1 : 0, 0, static_cast<DWORD>(i + 1)));
        return Header() + Block({RootRecord()}, items);
    };
    UserCatalogStream deepest = Read(chain(64));
    EXPECT_TRUE(deepest.whole);
    EXPECT_EQ(deepest.blocks[0].entries.size(), 64u);
    UserCatalogStream tooDeep = Read(chain(65));
    EXPECT_FALSE(tooDeep.whole);
    EXPECT_LT(tooDeep.blocks[0].entries.size(), 65u);
}

TEST(UserCatalogReader, TextsWithoutATerminatorAreDamage) {
    UserCatalogItem label = Item(CATA_USER, "a");
    std::memset(label.szLabel, 'L', sizeof label.szLabel);
    EXPECT_FALSE(Read(Header() + Block({RootRecord()}, {label})).whole);
    UserCatalogItem file = Item(NODE_BOOK, "B");
    std::memset(file.szFilePath, 'F', sizeof file.szFilePath);
    EXPECT_FALSE(Read(Header() + Block({RootRecord()}, {file})).whole);
    UserCatalogItem driver = Item(NODE_BOOK, "B");
    std::memset(driver.szDriverPath, 'D', sizeof driver.szDriverPath);
    EXPECT_FALSE(Read(Header() + Block({RootRecord()}, {driver})).whole);
    CatalogRecord name = RootRecord();
    std::memset(name.szCataName, 'N', sizeof name.szCataName);
    EXPECT_FALSE(Read(Header() + Block({name}, {Item(CATA_USER, "a")})).whole);
    CatalogRecord key = RootRecord();
    std::memset(key.szCataKey, 'K', sizeof key.szCataKey);
    UserCatalogStream s = Read(Header() + GoodBlock("a", 1) + Block({key}, {Item(CATA_USER, "b")}));
    EXPECT_FALSE(s.whole);
    EXPECT_EQ(s.blocks.size(), 1u);
}

class DamagedStream : public UserWorld {};

TEST_F(DamagedStream, TheLoadKeepsWhatWasReadBeforeTheDamageAndReportsIt) {
    ASSERT_TRUE(StartUser());
    SetStreamBytes(Header() + GoodBlock("First", 10) +
                   Block({RootRecord()}, {Item(CATA_USER, "Lost", 0, 1)}, -1) + GoodBlock("Never", 30));
    EXPECT_FALSE(Load());
    HTREEITEM first = Find("First");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(TreeView_GetParent(Tree(), first), Shelf().Root());
    EXPECT_EQ(ChildTexts(first), (std::vector<std::string>{"inside"}));
    EXPECT_EQ(Find("Never"), nullptr);
}

TEST_F(DamagedStream, AStreamWithoutAHeaderLoadsNothing) {
    ASSERT_TRUE(StartUser());
    std::string before = Dump();
    SetStreamBytes("CATAKS");
    EXPECT_FALSE(Load());
    SetStreamBytes("");
    EXPECT_FALSE(Load());
    EXPECT_EQ(Dump(), before);
}

} // namespace
