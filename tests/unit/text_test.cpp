#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

namespace pq {
namespace {

TEST(CaseInsensitiveText, FoldsAsciiAndLatinLettersOnly) {
  EXPECT_TRUE(SameText("Toolbar Items", "TOOLBAR items"));
  EXPECT_TRUE(SameText("\xC4pfel", "\xE4PFEL")) << "A/a diaeresis";
  EXPECT_FALSE(SameText("\xD7", "\xF7")) << "multiplication and division signs are no letters";
  EXPECT_FALSE(SameText("[", "{")) << "only letters fold";
  EXPECT_FALSE(SameText("abc", "abcd"));
}

// SameText answers as CompareText does, and texts it equates hash alike;
// the pairs differ in the first, a middle and the last byte.
TEST(CaseInsensitiveText, SameTextAgreesWithCompareTextAndFoldedHash) {
  const struct {
    const char* a;
    const char* b;
    bool same;
  } pairs[] = {
      {"", "", true},
      {"Options", "Options", true},
      {"options", "OPTIONS", true},
      {"Search URL", "search url", true},
      {"\xC9t\xC9", "\xE9T\xE9", true},
      {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF", true},
      {"Options", "Optionz", false},
      {"Xptions", "Options", false},
      {"Op[ions", "Op{ions", false},
      {"\xD7", "\xF7", false},
      {"Options", "Options ", false},
  };
  for (const auto& p : pairs) {
    SCOPED_TRACE(std::string(p.a) + " | " + p.b);
    EXPECT_EQ(SameText(p.a, p.b), p.same);
    EXPECT_EQ(SameText(p.b, p.a), p.same);
    EXPECT_EQ(CompareText(p.a, p.b) == 0, p.same);
    if (p.same) {
      EXPECT_EQ(FoldedHash(p.a), FoldedHash(p.b));
    }
  }
  EXPECT_NE(FoldedHash("Options"), FoldedHash("Optionz"));
  EXPECT_NE(FoldedHash("ab"), FoldedHash("ba"));
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
