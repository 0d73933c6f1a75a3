// What a toolbar button shows of its caption: whole up to the limit, counted
// in characters, else cut with an ellipsis.
#include <gtest/gtest.h>

#include <string>

#include "toolbar/toolbar_items.h"

namespace pq {
namespace {

std::string Repeated(const std::string& piece, size_t times) {
  std::string text;
  for (size_t i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(ButtonCaption, ShowsUpToTheLimitWholeAndCutsLongerOnesByCharacters) {
  const std::string ellipsis = "\u2026";
  const std::string zhe = "\u0416";       // two bytes
  const std::string east = "\U0001F600";  // four bytes
  const struct {
    const char* what;
    std::string caption;
    std::string shown;
    size_t length;
  } cases[] = {
      {"empty", "", "", 0},
      {"short", "News", "News", 4},
      {"exactly the limit", Repeated("a", kMaxButtonCaption), Repeated("a", kMaxButtonCaption),
       kMaxButtonCaption},
      {"one over", Repeated("a", kMaxButtonCaption + 1),
       Repeated("a", kMaxButtonCaption - 1) + ellipsis, kMaxButtonCaption + 1},
      {"two-byte letters at the limit", Repeated(zhe, kMaxButtonCaption),
       Repeated(zhe, kMaxButtonCaption), kMaxButtonCaption},
      {"two-byte letters over it", Repeated(zhe, kMaxButtonCaption + 3),
       Repeated(zhe, kMaxButtonCaption - 1) + ellipsis, kMaxButtonCaption + 3},
      {"four-byte characters over it", Repeated(east, kMaxButtonCaption + 1),
       Repeated(east, kMaxButtonCaption - 1) + ellipsis, kMaxButtonCaption + 1},
      {"a stray byte counts as one", "\xFF" + Repeated("b", kMaxButtonCaption),
       "\xFF" + Repeated("b", kMaxButtonCaption - 2) + ellipsis, kMaxButtonCaption + 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ButtonCaption(c.caption), c.shown);
    EXPECT_EQ(CaptionLength(c.caption), c.length);
  }
}

}  // namespace
}  // namespace pq
