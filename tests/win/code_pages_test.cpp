// The system's code pages through the Win32 adapter: names as the system
// knows them, conversions both ways, and refusal of what a code page cannot
// hold.
#include "win32/win32_code_pages.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <optional>
#include <string>
#include <thread>

namespace pq::win32 {
namespace {

constexpr char kCafe[] = "Caf\xC3\xA9";
constexpr char kNews[] = "\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8";
constexpr char kTokyo[] = "\xE6\x9D\xB1\xE4\xBA\xAC";

class CodePagesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override { CoUninitialize(); }
  Win32CodePages pages_;
};

TEST_F(CodePagesTest, CharsetNamesGiveTheirCodePages) {
  const struct {
    const char* name;
    unsigned code_page;
  } cases[] = {
      {"windows-1251", 1251}, {"WINDOWS-1252", 1252}, {"koi8-r", 20866},
      {"shift_jis", 932},     {"utf-8", 65001},       {"iso-8859-1", 28591},
      {"cp1250", 1250},       {"no-such-charset", 0}, {"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(pages_.CodePageNamed(c.name), c.code_page);
  }
}

// A thread without COM has no MLang: the names that carry their number and
// the common ones still work, the others are unknown.
TEST(CodePagesWithoutMultiLanguage, NamesWithTheirNumberStillWork) {
  const struct {
    const char* name;
    unsigned code_page;
  } cases[] = {
      {"windows-1251", 1251}, {"Windows-932", 932}, {"CP1252", 1252},
      {"UTF-8", 65001},       {"koi8-r", 20866},    {"windows-", 0},
      {"cp12x", 0},           {"x-mac-cyrillic", 0},
  };
  std::thread([&] {
    Win32CodePages pages;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      EXPECT_EQ(pages.CodePageNamed(c.name), c.code_page);
    }
  }).join();
}

TEST_F(CodePagesTest, TextMakesTheRoundTripThroughCodePagesThatHoldIt) {
  const struct {
    unsigned code_page;
    const char* text;
    std::string bytes;
  } cases[] = {
      {1252, kCafe, "Caf\xE9"},
      {1252, "\xE2\x82\xAC 5", "\x80 5"},  // the euro sign
      {1251, kNews, "\xCD\xEE\xE2\xEE\xF1\xF2\xE8"},
      {932, kTokyo, "\x93\x8C\x8B\x9E"},
      {65001, kTokyo, kTokyo},
      {1252, "", ""},
      // The system converts neither; the language library does.
      {51932, kTokyo, "\xC5\xEC\xB5\xFE"},  // EUC-JP
      {51932, "to \xE3\x81\x82 \xE6\x9D\xB1", "to \xA4\xA2 \xC5\xEC"},  // ASCII, kana, kanji
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.code_page) + " " + c.text);
    EXPECT_EQ(pages_.FromUtf8(c.text, c.code_page), std::optional<std::string>(c.bytes));
    EXPECT_EQ(pages_.ToUtf8(c.bytes, c.code_page), c.text);
  }
}

TEST_F(CodePagesTest, TextACodePageCannotHoldIsRefused) {
  const struct {
    unsigned code_page;
    std::string text;
  } cases[] = {
      {1252, kNews},
      {1251, kTokyo},
      {932, "\xD7\x90"},          // Hebrew alef
      {1252, "\xC4\x80"},         // A with macron: no best-fit "A"
      {1252, "Caf\xC3"},          // not UTF-8
      {42, kCafe},                // converted without flags: checked by converting back
      {1251, std::string("a\xE6\x9D\xB1", 4)},
      {51932, "\xD7\x90"},  // Hebrew alef: the library's stand-in is refused
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.code_page) + " " + c.text);
    EXPECT_EQ(pages_.FromUtf8(c.text, c.code_page), std::nullopt);
  }
}

}  // namespace
}  // namespace pq::win32
