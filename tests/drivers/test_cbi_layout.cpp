// The public driver and host headers: the records have the same layout in C and in C++, the
// function-pointer types match the prototypes, and the entry point list is the interface's 28 names.
#include "c_layout.h"
#include "tavrin/cbi.h"
#include "tavrin/host_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

namespace {

#define CHECK_PROTOTYPE(name)                                                                                \
    static_assert(std::is_same_v<decltype(&name), PFN_##name>, #name " matches its typedef");
CBI_FOR_EACH_ENTRY_POINT(CHECK_PROTOTYPE)
CHECK_PROTOTYPE(dicCreateHDICT)
CHECK_PROTOTYPE(dicFreeHDICT)
#undef CHECK_PROTOTYPE

std::vector<std::string> CppEntryPointNames() {
    return {
#define NAME_OF(name) #name,
        CBI_FOR_EACH_ENTRY_POINT(NAME_OF)
#undef NAME_OF
    };
}

TavrinCLayout CLayout() {
    TavrinCLayout c{};
    TavrinCLayoutGet(&c);
    return c;
}

TEST(DriverInterfaceLayout, DriverAndHostRecordsAndMessageNumbersAreTheSameInCAndCpp) {
    const TavrinCLayout c = CLayout();
    EXPECT_EQ(c.capsSize, sizeof(CBICaps));
    EXPECT_EQ(c.capsSize, 88u);
    EXPECT_EQ(c.capsClassOffset, offsetof(CBICaps, wBookClass));
    EXPECT_EQ(c.capsClassOffset, 2u);
    EXPECT_EQ(c.capsReservedOffset, 4u);
    EXPECT_EQ(c.dictAttrSize, sizeof(CBIDictAttrBlock));
    EXPECT_EQ(c.dictAttrSize, 12u);
    EXPECT_EQ(c.dictLowOffset, offsetof(CBIDictAttrBlock, bIdLow));
    EXPECT_EQ(c.dictLowOffset, 4u);
    EXPECT_EQ(c.dictHighOffset, 5u);
    EXPECT_EQ(c.shelfBlockSize, sizeof(CBIShelfBlock));
    EXPECT_EQ(c.shelfBlockSize, 2u);
    EXPECT_EQ(c.pageInfoSize, sizeof(PageInfo));
    EXPECT_EQ(c.pageInfoSize, 12u);
    EXPECT_EQ(c.pageInfoDriverOffset, 4u);
    EXPECT_EQ(c.pageInfoPageOffset, 8u);
    EXPECT_EQ(c.trunkInfoSize, sizeof(TrunkInfo));
    EXPECT_EQ(c.trunkInfoSize, 528u);
    EXPECT_EQ(c.trunkShelfOffset, 4u);
    EXPECT_EQ(c.trunkTrunkOffset, 8u);
    EXPECT_EQ(c.trunkNameOffset, 268u);
    EXPECT_EQ(c.descInfoSize, sizeof(CatalogDescInfo));
    EXPECT_EQ(c.descInfoSize, 293u);
    EXPECT_EQ(c.descUrlOffset, 33u);
    // The dropped text is a real pointer: pointer-sized and pointer-aligned after the 32-bit handle.
    EXPECT_EQ(c.dropTextSize, sizeof(DropTextInfo));
    EXPECT_EQ(c.dropTextTextOffset, offsetof(DropTextInfo, pszText));
    EXPECT_EQ(c.dropTextTextOffset, sizeof(void*));
    EXPECT_EQ(sizeof(DropTextInfo::dwBookHandle), 4u);
    EXPECT_EQ(c.wmNotify, 2024u);
    EXPECT_EQ(c.wmDropText, 2025u);
    EXPECT_EQ(c.wmBookClosed, 2026u);
    EXPECT_EQ(WM_SHELF_DROPTEXT, WM_USER + 1001);
    EXPECT_EQ(SHELF_NOTIFY_BOOK, 1);
    EXPECT_EQ(SHELF_NOTIFY_CATALOG_DESC, 4);
}

TEST(DriverInterfaceLayout, EntryPointListHasEveryNameOnceInBothLanguages) {
    const std::vector<std::string> names = CppEntryPointNames();
    ASSERT_EQ(names.size(), size_t{CBI_ENTRY_POINT_COUNT});
    EXPECT_EQ(CLayout().entryPointCount, CBI_ENTRY_POINT_COUNT);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i], kTavrinCEntryPointNames[i]);
    // Names the shelf looks up, spelled as drivers export them.
    for (const char* name : {"CBIOpenBook", "CBIVPGetNextSiblingItem", "GetDescFileURLbyClassID",
                             "CBIShelfClose", "CBIDictClassNo", "CBIExBookNoLength", "CBIGetCodePage",
                             "CBIGetErrorText"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
}

} // namespace
