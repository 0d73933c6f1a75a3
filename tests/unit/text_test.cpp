#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Text is UTF-8: the literals below that are not ASCII are UTF-8 in this
// source file, which GCC and Clang keep as UTF-8 in ordinary string literals.
namespace pq {
namespace {

TEST(CaseInsensitiveText, FoldsAsciiAndLatinLettersOnly) {
  EXPECT_TRUE(SameText("Toolbar Items", "TOOLBAR items"));
  EXPECT_TRUE(SameText("\xC3\x84pfel", "\xC3\xA4PFEL")) << "A/a diaeresis";
  EXPECT_FALSE(SameText("\xC3\x97", "\xC3\xB7")) << "multiplication and division signs are no letters";
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
      {"\xC3\x89t\xC3\x89", "\xC3\xA9T\xC3\xA9", true},                             // ÉtÉ, éTé
      {"\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8", "\xC5\xA1\xC5\x93\xC5\xBE\xC3\xBF", true},  // ŠŒŽŸ, šœžÿ
      {"Options", "Optionz", false},
      {"Xptions", "Options", false},
      {"Op[ions", "Op{ions", false},
      {"\xC3\x97", "\xC3\xB7", false},  // ×, ÷
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
  EXPECT_EQ(LowerCase("MiSearch\xC3\x89"), "misearch\xC3\xA9");
}

// ---- UTF-8 ----

std::string Bytes(std::initializer_list<unsigned> bytes) {
  std::string s;
  for (unsigned b : bytes) s += static_cast<char>(b);
  return s;
}

TEST(Utf8, IsAsciiLooksAtEveryByte) {
  EXPECT_TRUE(IsAscii(""));
  EXPECT_TRUE(IsAscii("Toolbar Items"));
  const std::string long_ascii(100, 'x');
  EXPECT_TRUE(IsAscii(long_ascii));
  // A high byte at every place of texts of every length up to 40 bytes, so
  // that the eight- and 32-byte steps and the tail all meet one.
  for (size_t length = 1; length <= 40; ++length)
    for (size_t at = 0; at < length; ++at) {
      std::string s(length, 'a');
      s[at] = static_cast<char>(0x80);
      EXPECT_FALSE(IsAscii(s)) << length << " " << at;
      s[at] = static_cast<char>(0xFF);
      EXPECT_FALSE(IsAscii(s)) << length << " " << at;
    }
}

TEST(Utf8, ValidityEdgeCases) {
  const struct {
    std::string bytes;
    bool valid;
    const char* what;
  } cases[] = {
      {"", true, "empty"},
      {"plain ASCII", true, "ASCII"},
      {Bytes({0x00}), true, "NUL is a character"},
      {Bytes({0x7F}), true, "DEL"},
      {"\xC3\xA4", true, "U+00E4"},
      {Bytes({0xC2, 0x80}), true, "U+0080, the first two-byte"},
      {Bytes({0xDF, 0xBF}), true, "U+07FF, the last two-byte"},
      {Bytes({0xE0, 0xA0, 0x80}), true, "U+0800, the first three-byte"},
      {Bytes({0xED, 0x9F, 0xBF}), true, "U+D7FF, before the surrogates"},
      {Bytes({0xEE, 0x80, 0x80}), true, "U+E000, after the surrogates"},
      {Bytes({0xEF, 0xBF, 0xBD}), true, "U+FFFD"},
      {Bytes({0xEF, 0xBF, 0xBF}), true, "U+FFFF, a noncharacter but well-formed"},
      {Bytes({0xF0, 0x90, 0x80, 0x80}), true, "U+10000, the first four-byte"},
      {Bytes({0xF0, 0x90, 0x90, 0x80}), true, "U+10400 DESERET CAPITAL LONG I"},
      {Bytes({0xF4, 0x8F, 0xBF, 0xBF}), true, "U+10FFFF, the last"},
      // Overlong forms.
      {Bytes({0xC0, 0x80}), false, "overlong NUL"},
      {Bytes({0xC1, 0xBF}), false, "overlong U+007F"},
      {Bytes({0xE0, 0x80, 0xAF}), false, "overlong '/' in three bytes"},
      {Bytes({0xE0, 0x9F, 0xBF}), false, "overlong U+07FF"},
      {Bytes({0xF0, 0x80, 0x80, 0xAF}), false, "overlong '/' in four bytes"},
      {Bytes({0xF0, 0x8F, 0xBF, 0xBF}), false, "overlong U+FFFF"},
      // Surrogates.
      {Bytes({0xED, 0xA0, 0x80}), false, "U+D800"},
      {Bytes({0xED, 0xBF, 0xBF}), false, "U+DFFF"},
      {Bytes({0xED, 0xA0, 0x80, 0xED, 0xB0, 0x80}), false, "a surrogate pair in CESU-8"},
      // Above U+10FFFF.
      {Bytes({0xF4, 0x90, 0x80, 0x80}), false, "U+110000"},
      {Bytes({0xF5, 0x80, 0x80, 0x80}), false, "lead F5"},
      {Bytes({0xF8, 0x88, 0x80, 0x80, 0x80}), false, "five bytes"},
      {Bytes({0xFF}), false, "FF"},
      // Truncated and stray.
      {Bytes({0xC3}), false, "a lead byte alone"},
      {Bytes({0xE2, 0x82}), false, "two of three bytes"},
      {Bytes({0xF0, 0x9F, 0x98}), false, "three of four bytes"},
      {"a" + Bytes({0xE2, 0x82}) + "b", false, "truncated before ASCII"},
      {Bytes({0x80}), false, "a continuation byte alone"},
      {Bytes({0xC3, 0xA4, 0xA4}), false, "one continuation byte too many"},
      {"\xC4pfel", false, "Windows-1252 \"\xC4pfel\""},
      {std::string(17, 'a') + Bytes({0xE9}), false, "ill-formed after an ASCII run"},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.what;
}

TEST(Utf8, NextCodePointGivesIllFormedBytesOneByOne) {
  const std::string text = "a\xC3\xA4" + Bytes({0xE2, 0x82}) + "\xF0\x90\x90\x80" + Bytes({0xC0, 0xAF});
  std::vector<char32_t> got;
  for (size_t at = 0; at < text.size();) got.push_back(NextCodePoint(text, at));
  const std::vector<char32_t> want = {U'a',
                                      0xE4,
                                      kInvalidByteBase + 0xE2,
                                      kInvalidByteBase + 0x82,
                                      0x10400,
                                      kInvalidByteBase + 0xC0,
                                      kInvalidByteBase + 0xAF};
  EXPECT_EQ(got, want);
}

TEST(Utf8, AppendUtf8ReplacesWhatIsNoCharacter) {
  const struct {
    char32_t code_point;
    std::string utf8;
  } cases[] = {
      {0x41, "A"},
      {0xE4, "\xC3\xA4"},
      {0x7FF, Bytes({0xDF, 0xBF})},
      {0x20AC, "\xE2\x82\xAC"},
      {0x10400, "\xF0\x90\x90\x80"},
      {0x10FFFF, Bytes({0xF4, 0x8F, 0xBF, 0xBF})},
      {0xD800, "\xEF\xBF\xBD"},
      {0xDFFF, "\xEF\xBF\xBD"},
      {0x110000, "\xEF\xBF\xBD"},
      {kInvalidByteBase + 0xC4, "\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    std::string out = "x";
    AppendUtf8(out, c.code_point);
    EXPECT_EQ(out, "x" + c.utf8) << std::hex << static_cast<uint32_t>(c.code_point);
  }
}

TEST(Utf8, RoundTripsThroughUtf16) {
  const std::string texts[] = {
      "",
      "Toolbar Items",
      "\xC3\x84pfel \xE2\x82\xAC 5",                            // Äpfel € 5
      "\xCE\xA3\xCE\xAF\xCF\x83\xCF\x85\xCF\x86\xCE\xBF\xCF\x82",  // Σίσυφος
      "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0",          // Москва
      "\xF0\x90\x90\x80\xF0\x90\x90\xA8",                          // Deseret 𐐀𐐨
      "\xF0\x9F\x98\x80 smile",                                    // U+1F600
      "\xF4\x8F\xBF\xBF",                                          // U+10FFFF
      std::string("nul\0inside", 10),
  };
  for (const std::string& text : texts) {
    ASSERT_TRUE(IsValidUtf8(text));
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  }
  EXPECT_EQ(Utf8ToUtf16("\xF0\x90\x90\x80"), (std::u16string{0xD801, 0xDC00}));
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), (std::u16string{0xD83D, 0xDE00}));
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA4\xE2\x82\xAC"), (std::u16string{u'a', 0xE4, 0x20AC}));
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, 0xDE00}), "\xF0\x9F\x98\x80");
}

TEST(Utf8, IllFormedInputBecomesReplacementCharacters) {
  const char16_t R = 0xFFFD;
  // UTF-8 to UTF-16: one U+FFFD for each maximal ill-formed subpart.
  const struct {
    std::string utf8;
    std::u16string utf16;
  } to16[] = {
      {"\xC4pfel", {R, u'p', u'f', u'e', u'l'}},
      {Bytes({0xE2, 0x82}) + "x", {R, u'x'}},
      {Bytes({0xF0, 0x9F, 0x98}), {R}},
      {Bytes({0xED, 0xA0, 0x80}), {R, R, R}},
      {Bytes({0xC0, 0xAF}), {R, R}},
      {Bytes({0xF4, 0x90, 0x80, 0x80}), {R, R, R, R}},
      {Bytes({0x80, 0xBF}), {R, R}},
  };
  for (const auto& c : to16) EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
  // UTF-16 to UTF-8: a surrogate without its partner.
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800}), r);
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, u'a'}), r + "a");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, 0xD800, 0xDC00}), r + "\xF0\x90\x80\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xD83D}), "a" + r);
  for (const auto& c : to16) EXPECT_TRUE(IsValidUtf8(Utf16ToUtf8(Utf8ToUtf16(c.utf8))));
}

// ---- Case folding ----

TEST(CaseFolding, SimpleFoldingOfSingleCodePoints) {
  const struct {
    char32_t from, to;
    const char* what;
  } cases[] = {
      {U'A', U'a', "ASCII"},
      {U'z', U'z', "lower case stays"},
      {U'@', U'@', "no letter"},
      {0xC4, 0xE4, "Ä"},
      {0xD7, 0xD7, "× is no letter"},
      {0xDF, 0xDF, "ß stays ß: its full folding ss is no simple folding"},
      {0x1E9E, 0xDF, "ẞ folds to ß"},
      {0x178, 0xFF, "Ÿ"},
      {0x17F, U's', "ſ, long s"},
      {0xB5, 0x3BC, "µ micro sign to Greek mu"},
      {0x3A3, 0x3C3, "Σ"},
      {0x3C2, 0x3C3, "ς final sigma"},
      {0x410, 0x430, "Cyrillic А"},
      {0x401, 0x451, "Cyrillic Ё"},
      {0x531, 0x561, "Armenian Ա"},
      {0x10400, 0x10428, "Deseret, astral"},
      {0x212A, U'k', "KELVIN SIGN"},
      {0x2126, 0x3C9, "OHM SIGN"},
      {0x130, 0x130, "İ has no simple folding (only full i + U+0307, and Turkic i)"},
      {0x131, 0x131, "ı is its own folding"},
      {0x100, 0x101, "Ā, a stride-2 range"},
      {0x101, 0x101, "ā, between the members of a stride-2 range"},
      {0x1E921, 0x1E943, "Adlam, the last range"},
      {0x10FFFF, 0x10FFFF, "the last code point"},
      {kInvalidByteBase + 0xC4, kInvalidByteBase + 0xC4, "an ill-formed byte"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(static_cast<uint32_t>(FoldCodePoint(c.from)), static_cast<uint32_t>(c.to)) << c.what;
}

TEST(CaseFolding, SameTextCompareTextAndFoldedHashAgreeInEveryScript) {
  const struct {
    const char* a;
    const char* b;
    bool same;
    const char* what;
  } pairs[] = {
      {"Search URL", "SEARCH url", true, "ASCII"},
      {"Search URL", "Search URI", false, "ASCII"},
      {"Äpfel", "äPFEL", true, "Latin-1"},
      {"Ærøskøbing", "ÆRØSKØBING", true, "Latin-1"},
      {"Łódź", "ŁÓDŹ", true, "Latin Extended-A"},
      {"Łódź", "Lodz", false, "no accents dropped"},
      {"ΣΊΣΥΦΟΣ", "σίσυφος", true, "Greek, Σ and final ς both fold to σ"},
      {"σίσυφοσ", "σίσυφος", true, "final sigma and sigma"},
      {"ΣΊΣΥΦΟΣ", "ΣΙΣΥΦΟΣ", false, "Greek accents stay"},
      {"Москва", "МОСКВА", true, "Cyrillic"},
      {"Ёлка", "ёЛКА", true, "Cyrillic Ё"},
      {"Москва", "Mockba", false, "Cyrillic is not Latin"},
      {"Հայաստան", "ՀԱՅԱՍՏԱՆ", true, "Armenian"},
      {"𐐀𐐁𐐂", "𐐨𐐩𐐪", true, "Deseret, astral"},
      {"𐐀", "𐐁", false, "Deseret"},
      {"straße", "STRASSE", false, "ß folds to itself in simple folding, not to ss"},
      {"straße", "STRAẞE", true, "capital ẞ folds to ß"},
      {"İstanbul", "istanbul", false, "İ has no simple folding: it is not i"},
      {"İstanbul", "İSTANBUL", true, "İ is itself"},
      {"ısparta", "ISPARTA", false, "dotless ı is not I"},
      {"ISPARTA", "isparta", true, "I folds to i, not ı (no Turkic folding)"},
      {"200 K", "200 \xE2\x84\xAA", true, "KELVIN SIGN is k, three bytes for one"},
      {"ſtraße", "STRAẞE", true, "long s and capital sharp s: other lengths"},
      {"Ohm Ω", "ohm \xE2\x84\xA6", true, "OHM SIGN"},
      {"\xC4pfel", "\xE4pfel", false, "ill-formed bytes are themselves, not Latin-1"},
      {"a\xC4", "A\xC4", true, "the same ill-formed byte"},
      {"a\xC3", "a\xC3\xA4", false, "a truncated sequence"},
      {"a\xFF", "a\xC3\xBF", false, "an ill-formed byte is no character"},
      {"é", "e\xCC\x81", false, "no normalisation"},
      {"", "\xE2\x84\xAA", false, "empty"},
  };
  for (const auto& p : pairs) {
    SCOPED_TRACE(std::string(p.what) + ": " + p.a + " | " + p.b);
    EXPECT_EQ(SameText(p.a, p.b), p.same);
    EXPECT_EQ(SameText(p.b, p.a), p.same);
    EXPECT_EQ(CompareText(p.a, p.b) == 0, p.same);
    EXPECT_EQ(CompareText(p.b, p.a) == 0, p.same);
    EXPECT_EQ((CompareText(p.a, p.b) < 0), (CompareText(p.b, p.a) > 0));
    EXPECT_EQ(SameText(LowerCase(p.a), LowerCase(p.b)), p.same);
    EXPECT_EQ(LowerCase(p.a) == LowerCase(p.b), p.same);
    EXPECT_TRUE(SameText(p.a, LowerCase(p.a)));
    if (p.same) {
      EXPECT_EQ(FoldedHash(p.a), FoldedHash(p.b));
    } else {
      EXPECT_NE(FoldedHash(p.a), FoldedHash(p.b));
    }
  }
}

// The comparisons skip eight alike bytes at a time and decode from the start
// of the code point where the texts first differ: differences on either side
// of the eighth byte, in a character that straddles it, and at the end of
// texts of other lengths.
TEST(CaseFolding, LongTextsDifferingAnywhere) {
  const struct {
    std::string a, b;
    bool same;
  } pairs[] = {
      {"1234567Ä", "1234567ä", true},            // Ä straddles the eighth byte
      {"1234567Ä", "1234567Å", false},
      {"1234567Äbcdefgh", "1234567äBCDEFGH", true},
      {"12345678Ä", "12345678ä", true},
      {"abcdefgh\xC3", "abcdefgh\xC3\xA4", false},
      {"abcdefghijklmnopqrstuvwxyzKelvin K", "ABCDEFGHIJKLMNOPQRSTUVWXYZkelvin \xE2\x84\xAA", true},
      {"abcdefghijklmnopqrstuvwxyz long s", "ABCDEFGHIJKLMNOPQRSTUVWXYZ LONG \xC5\xBF", true},
      {"abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrstuvwxyzz", false},
      {"abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrstuvwxyZ", true},
      {"Ωmega ΣΊΣΥΦΟΣ twelve", "ωMEGA σίσυφος TWELVE", true},
      {"𐐀𐐁𐐂𐐃𐐄𐐅", "𐐨𐐩𐐪𐐫𐐬𐐭", true},
      {"𐐀𐐁𐐂𐐃𐐄𐐅", "𐐨𐐩𐐪𐐫𐐬𐐮", false},
  };
  for (const auto& p : pairs) {
    SCOPED_TRACE(p.a + " | " + p.b);
    EXPECT_EQ(SameText(p.a, p.b), p.same);
    EXPECT_EQ(SameText(p.b, p.a), p.same);
    EXPECT_EQ(CompareText(p.a, p.b) == 0, p.same);
    EXPECT_EQ((CompareText(p.a, p.b) < 0), (CompareText(p.b, p.a) > 0));
    EXPECT_EQ(LowerCase(p.a) == LowerCase(p.b), p.same);
    if (p.same) {
      EXPECT_EQ(FoldedHash(p.a), FoldedHash(p.b));
    }
  }
  EXPECT_LT(CompareText("1234567Ä", "1234567Å"), 0);
  EXPECT_LT(CompareText("abcdefgh", "ABCDEFGHI"), 0);
  EXPECT_LT(CompareText("abcdefgh\xC3\xA4", "ABCDEFGH\xC3"), 0) << "ä before an ill-formed byte";
}

TEST(CaseFolding, OrdersByFoldedCodePoints) {
  EXPECT_LT(CompareText("Zebra", "Äpfel"), 0) << "code point order, not a locale's";
  EXPECT_LT(CompareText("äpfel", "ÄPFELN"), 0);
  EXPECT_LT(CompareText("α", "Β"), 0);
  EXPECT_GT(CompareText("Я", "а"), 0);
  EXPECT_LT(CompareText("\xEF\xBF\xBD", "\xF0\x90\x90\x80"), 0) << "BMP before astral";
  EXPECT_GT(CompareText("\xFF", "\xF4\x8F\xBF\xBF"), 0) << "ill-formed bytes after every character";
  EXPECT_LT(CompareText("\xC3", "\xC4"), 0) << "ill-formed bytes by their value";
  EXPECT_LT(CompareText("a", "a\xE2\x84\xAA"), 0);
  EXPECT_GT(CompareText("ak", "A"), 0);
}

TEST(CaseFolding, LowerCaseFoldsEveryCodePointAndKeepsIllFormedBytes) {
  const struct {
    std::string from, to;
  } cases[] = {
      {"MiSearch", "misearch"},
      {"ÄÖÜ ß ẞ", "äöü ß ß"},
      {"ΣΊΣΥΦΟΣ", "σίσυφοσ"},
      {"МОСКВА Ё", "москва ё"},
      {"𐐀𐐁", "𐐨𐐩"},
      {"İI ı", "İi ı"},
      {"\xE2\x84\xAA", "k"},
      {"A\xC4" "B\xE2\x82", "a\xC4" "b\xE2\x82"},
      {Bytes({0xED, 0xA0, 0x80}) + "Z", Bytes({0xED, 0xA0, 0x80}) + "z"},
  };
  for (const auto& c : cases) EXPECT_EQ(LowerCase(c.from), c.to) << c.from;
}

}  // namespace
}  // namespace pq
