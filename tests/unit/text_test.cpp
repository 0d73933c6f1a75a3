#include "platform/text.h"

#include <gtest/gtest.h>

namespace pq {
namespace {

TEST(CaseInsensitiveText, FoldsAsciiAndLatinLettersOnly) {
  EXPECT_TRUE(SameText("Toolbar Items", "TOOLBAR items"));
  EXPECT_TRUE(SameText("\xC4pfel", "\xE4PFEL")) << "A/a diaeresis";
  EXPECT_FALSE(SameText("\xD7", "\xF7")) << "multiplication and division signs are no letters";
  EXPECT_FALSE(SameText("[", "{")) << "only letters fold";
  EXPECT_FALSE(SameText("abc", "abcd"));
}

TEST(CaseInsensitiveText, OrdersByFoldedBytesThenLength) {
  EXPECT_LT(CompareText("apple", "Banana"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(CompareText("ab", "ABC"), 0);
  EXPECT_EQ(CompareText("", ""), 0);
  EXPECT_EQ(LowerCase("MiSearch\xC9"), "misearch\xE9");
}

}  // namespace
}  // namespace pq
