#include "platform/code_pages.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

// Literals that are not ASCII are UTF-8 in this source file; bytes of other
// encodings are written as escapes.
namespace pq {
namespace {

// Makes the native converters' ANSI code page another for one test.
class AnsiCodePageScope {
 public:
  explicit AnsiCodePageScope(unsigned code_page) : code_pages_(code_page) {
    InstallCodePages(&code_pages_);
  }
  ~AnsiCodePageScope() { InstallCodePages(nullptr); }

 private:
  NativeCodePages code_pages_;
};

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(CodePages, NativeAnsiCodePageIsWindows1252UnlessATestNamesAnother) {
  EXPECT_EQ(SystemCodePages().AnsiCodePage(), kCodePageWindows1252);
  {
    AnsiCodePageScope cyrillic(1251);
    EXPECT_EQ(SystemCodePages().AnsiCodePage(), 1251u);
  }
  EXPECT_EQ(SystemCodePages().AnsiCodePage(), kCodePageWindows1252);
}

TEST(CodePages, InstalledAdapterStandsInUntilRemoved) {
  struct Fixed : CodePages {
    unsigned AnsiCodePage() override { return 437; }
    unsigned CodePageNamed(std::string_view) override { return 0; }
    std::string ToUtf8(std::string_view, unsigned) override { return "converted"; }
    std::optional<std::string> FromUtf8(std::string_view, unsigned) override { return "x"; }
  } fixed;
  InstallCodePages(&fixed);
  EXPECT_EQ(&SystemCodePages(), &fixed);
  EXPECT_EQ(DecodeText("caf\xE9").text, "converted");
  InstallCodePages(nullptr);
  EXPECT_NE(&SystemCodePages(), &fixed);
  EXPECT_EQ(DecodeText("caf\xE9").text, "café");
}

TEST(CodePages, CodePageNamedKnowsTheUsualCharsetNames) {
  const struct {
    const char* name;
    unsigned code_page;
  } cases[] = {
      {"windows-1251", 1251},     {"Windows-1252", 1252},   {"WINDOWS-1250", 1250},
      {"cp1252", 1252},           {"CP850", 850},           {"x-cp1251", 1251},
      {"cp65001", 65001},         {"iso-8859-1", 28591},    {"ISO-8859-2", 28592},
      {"iso-8859-5", 28595},      {"iso-8859-15", 28605},   {"iso-8859-13", 28603},
      {"koi8-r", 20866},          {"KOI8-U", 21866},        {"shift_jis", 932},
      {"Shift_JIS", 932},         {"gbk", 936},             {"GB2312", 936},
      {"ks_c_5601-1987", 949},    {"EUC-KR", 949},          {"big5", 950},
      {"euc-jp", 20932},          {"us-ascii", 20127},      {"utf-8", 65001},
      {"UTF-8", 65001},           {" utf-8 ", 65001},       {"", 0},
      {"klingon", 0},             {"windows-", 0},          {"windows-12a", 0},
      {"cp99999999", 0},          {"iso-8859-0", 0},        {"iso-8859-99", 0},
      {"utf-16", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SystemCodePages().CodePageNamed(c.name), c.code_page) << '"' << c.name << '"';
}

TEST(CodePages, ToUtf8ConvertsAndReplacesUndefinedBytes) {
  const struct {
    std::string bytes;
    unsigned code_page;
    std::string utf8;
  } cases[] = {
      {"plain", 1252, "plain"},
      {"\xC4pfel \x80 5", 1252, "Äpfel € 5"},
      {"\x8A\x9C\x9F", 1252, "ŠœŸ"},
      {"a\x81z", 1252, "a" + kReplacement + "z"},  // 0x81 is undefined in Windows-1252
      {"\xCC\xEE\xF1\xEA\xE2\xE0", 1251, "Москва"},
      {"\xCD\xCF\xD3\xCB\xD7\xC1", 20866, "москва"},  // KOI8-R
      {"\xA4", 28605, "€"},                           // ISO 8859-15
      {"\x93\xFA\x96\x7B", 932, "日本"},              // Shift_JIS
      {"\x93", 932, kReplacement},                    // half a Shift_JIS character
      {"caf\xC3\xA9", kCodePageUtf8, "café"},
      {"caf\xE9", kCodePageUtf8, "caf" + kReplacement},
  };
  for (const auto& c : cases) {
    const std::string utf8 = SystemCodePages().ToUtf8(c.bytes, c.code_page);
    EXPECT_EQ(utf8, c.utf8) << c.code_page;
    EXPECT_TRUE(IsValidUtf8(utf8));
  }
}

TEST(CodePages, FromUtf8RefusesTextTheCodePageCannotHoldExactly) {
  const struct {
    std::string utf8;
    unsigned code_page;
    std::optional<std::string> bytes;
  } cases[] = {
      {"plain", 1252, "plain"},
      {"Äpfel € 5", 1252, "\xC4pfel \x80 5"},
      {"Москва", 1251, "\xCC\xEE\xF1\xEA\xE2\xE0"},
      {"Москва", 1252, std::nullopt},
      {"Ā", 1252, std::nullopt},       // no best fit to "A"
      {"\xC2\x81", 1252, std::nullopt},  // U+0081: 0x81 is undefined
      {"日本", 932, "\x93\xFA\x96\x7B"},
      {"€", 28605, "\xA4"},
      {"€", 28591, std::nullopt},
      {"😀", 65001, "😀"},
      {"caf\xE9", 1252, std::nullopt},  // not UTF-8
      {"caf\xE9", 65001, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SystemCodePages().FromUtf8(c.utf8, c.code_page), c.bytes) << c.utf8 << " " << c.code_page;
}

TEST(TextFiles, EncodingNames) {
  EXPECT_STREQ(EncodingName(TextEncoding::Ansi), "ANSI");
  EXPECT_STREQ(EncodingName(TextEncoding::Utf8), "UTF-8");
  EXPECT_STREQ(EncodingName(TextEncoding::Utf8Bom), "UTF-8 with BOM");
  EXPECT_STREQ(EncodingName(TextEncoding::Utf16LeBom), "UTF-16 LE with BOM");
}

TEST(TextFiles, DecodeTextByByteOrderMarkElseUtf8ElseAnsi) {
  const struct {
    const char* what;
    std::string bytes;
    unsigned ansi_code_page;
    std::string text;
    TextEncoding encoding;
  } files[] = {
      {"empty", "", 1252, "", TextEncoding::Utf8},
      {"ASCII", "[Options]\r\nName=Bar\r\n", 1252, "[Options]\r\nName=Bar\r\n", TextEncoding::Utf8},
      {"UTF-8", "[Äpfel]\r\nK=€\r\n", 1252, "[Äpfel]\r\nK=€\r\n", TextEncoding::Utf8},
      {"UTF-8, astral", "K=𐐀😀", 1252, "K=𐐀😀", TextEncoding::Utf8},
      {"UTF-8 BOM", "\xEF\xBB\xBF[Äpfel]", 1252, "[Äpfel]", TextEncoding::Utf8Bom},
      {"UTF-8 BOM alone", "\xEF\xBB\xBF", 1252, "", TextEncoding::Utf8Bom},
      {"UTF-8 BOM, ill-formed after it", "\xEF\xBB\xBF" "caf\xE9", 1252, "caf" + kReplacement,
       TextEncoding::Utf8Bom},
      {"UTF-16 LE BOM", std::string("\xFF\xFE[\0\xC4\0]\0", 8), 1252, "[Ä]", TextEncoding::Utf16LeBom},
      {"UTF-16 LE BOM, astral", std::string("\xFF\xFE" "A\0\x3D\xD8\x00\xDE", 8), 1252, "A😀",
       TextEncoding::Utf16LeBom},
      {"UTF-16 LE BOM, odd last byte", std::string("\xFF\xFE" "A\0B", 5), 1252, "A" + kReplacement,
       TextEncoding::Utf16LeBom},
      {"UTF-16 LE BOM, lone surrogate", std::string("\xFF\xFE\x3D\xD8" "A\0", 6), 1252,
       kReplacement + "A", TextEncoding::Utf16LeBom},
      {"UTF-16 LE BOM alone", "\xFF\xFE", 1252, "", TextEncoding::Utf16LeBom},
      {"Windows-1252", "[\xC4pfel]\r\nK=\x80 5\r\n", 1252, "[Äpfel]\r\nK=€ 5\r\n", TextEncoding::Ansi},
      {"Windows-1252, an undefined byte", "a\x81z", 1252, "a" + kReplacement + "z",
       TextEncoding::Ansi},
      {"Windows-1251", "[\xCC\xEE\xF1\xEA\xE2\xE0]", 1251, "[Москва]", TextEncoding::Ansi},
      {"Windows-1251 read as 1252", "[\xCC\xEE\xF1\xEA\xE2\xE0]", 1252, "[Ìîñêâà]",
       TextEncoding::Ansi},
      {"ill-formed UTF-8: overlong", "a\xC0\xAF", 1252, "aÀ¯", TextEncoding::Ansi},
      {"ill-formed UTF-8: truncated", "caf\xC3", 1252, "cafÃ", TextEncoding::Ansi},
      {"ill-formed UTF-8: surrogate", "\xED\xA0\x80", 1252, "\xC3\xAD\xC2\xA0\xE2\x82\xAC", TextEncoding::Ansi},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.what);
    AnsiCodePageScope ansi(file.ansi_code_page);
    const DecodedText decoded = DecodeText(file.bytes);
    EXPECT_EQ(decoded.text, file.text);
    EXPECT_EQ(EncodingName(decoded.encoding), EncodingName(file.encoding));
    EXPECT_TRUE(IsValidUtf8(decoded.text));
  }
}

TEST(TextFiles, EncodeTextKeepsTheEncodingOrSwitchesToUtf8WithBom) {
  const struct {
    const char* what;
    std::string text;
    TextEncoding encoding;
    unsigned ansi_code_page;
    std::string bytes;
    TextEncoding encoding_after;
  } cases[] = {
      {"UTF-8", "K=Äpfel", TextEncoding::Utf8, 1252, "K=Äpfel", TextEncoding::Utf8},
      {"UTF-8 BOM", "K=Äpfel", TextEncoding::Utf8Bom, 1252, "\xEF\xBB\xBFK=Äpfel",
       TextEncoding::Utf8Bom},
      {"UTF-16 LE BOM", "[Ä]😀", TextEncoding::Utf16LeBom, 1252,
       std::string("\xFF\xFE[\0\xC4\0]\0\x3D\xD8\x00\xDE", 12), TextEncoding::Utf16LeBom},
      {"ANSI, ASCII", "K=v\r\n", TextEncoding::Ansi, 1252, "K=v\r\n", TextEncoding::Ansi},
      {"ANSI 1252", "K=Äpfel €", TextEncoding::Ansi, 1252, "K=\xC4pfel \x80", TextEncoding::Ansi},
      {"ANSI 1251", "K=Москва", TextEncoding::Ansi, 1251, "K=\xCC\xEE\xF1\xEA\xE2\xE0",
       TextEncoding::Ansi},
      {"ANSI 1252, Cyrillic", "K=Москва", TextEncoding::Ansi, 1252, "\xEF\xBB\xBFK=Москва",
       TextEncoding::Utf8Bom},
      {"ANSI 1251, German", "K=Äpfel", TextEncoding::Ansi, 1251, "\xEF\xBB\xBFK=Äpfel",
       TextEncoding::Utf8Bom},
      {"ANSI 1252, no best fit", "K=Ā", TextEncoding::Ansi, 1252, "\xEF\xBB\xBFK=Ā",
       TextEncoding::Utf8Bom},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AnsiCodePageScope ansi(c.ansi_code_page);
    TextEncoding encoding = c.encoding;
    const std::string bytes = EncodeText(c.text, encoding);
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_EQ(EncodingName(encoding), EncodingName(c.encoding_after));
    // What is written reads back as the same text, in the encoding it was written in.
    const DecodedText decoded = DecodeText(bytes);
    EXPECT_EQ(decoded.text, c.text);
    if (!IsAscii(c.text) || encoding != TextEncoding::Ansi) {
      EXPECT_EQ(EncodingName(decoded.encoding), EncodingName(encoding));
    }
  }
}

}  // namespace
}  // namespace pq
