// The builder's table of page labels: every label is found again under its own number, however many
// there are and however alike they look, and its page is kept.
#include "bookc/label_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tavrin::bookc::LabelTable;

TEST(LabelTable, ManyAlikeLabelsEachKeepTheirNumberTextAndPage) {
    LabelTable table;
    constexpr uint32_t kCount = 100000; // the table grows many times
    auto label = [](uint32_t i) { return i % 3 == 0 ? "p" + std::to_string(i) : std::to_string(i) + "p"; };
    for (uint32_t i = 0; i < kCount; ++i) {
        ASSERT_EQ(table.Intern(label(i)), i);
        EXPECT_EQ(table.Page(i), -1);
        if (i % 2) table.SetPage(i, static_cast<int32_t>(kCount - i));
    }
    EXPECT_EQ(table.Intern(""), kCount); // the empty word too
    for (uint32_t i = 0; i < kCount; ++i) {
        ASSERT_EQ(table.Intern(label(i)), i) << label(i);
        ASSERT_EQ(table.Text(i), label(i));
        ASSERT_EQ(table.Page(i), i % 2 ? static_cast<int32_t>(kCount - i) : -1);
    }
    EXPECT_EQ(table.Intern("p1x"), kCount + 1); // a label that only begins like one it holds is new
    EXPECT_EQ(table.Text(kCount), "");
}

} // namespace
