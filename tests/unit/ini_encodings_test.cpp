// Configuration files as publishers' editors save them: UTF-8 with and
// without a byte-order mark, UTF-16, and the system's 8-bit code page. Each is
// read as the same text and written back the way it came.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "config/big_ini_file.h"
#include "platform/code_pages.h"
#include "platform/text.h"
#include "whole_files.h"

namespace pq {
namespace {

using testing::ReadAll;
using testing::WriteAll;

const std::string kUtf8Mark = "\xEF\xBB\xBF";

// Text in UTF-16 LE after its mark, from ASCII and UTF-8.
std::string Utf16File(const std::string& text) {
  const std::u16string units = Utf8ToUtf16(text);
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// The process's code pages with the given one as the system's, for the life
// of the object.
class AnsiCodePage {
 public:
  explicit AnsiCodePage(unsigned code_page) : pages_(code_page) { InstallCodePages(&pages_); }
  ~AnsiCodePage() { InstallCodePages(nullptr); }

 private:
  NativeCodePages pages_;
};

class IniEncodings : public ::testing::Test {
 protected:
  IniEncodings() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ini_enc_XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    path = dir_ + "/toolbar.ini";
  }
  ~IniEncodings() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::unique_ptr<TBigIniFile> Load(const std::string& bytes) {
    WriteAll(path, bytes);
    return std::make_unique<TBigIniFile>(path);
  }

  std::string dir_;
  std::string path;
};

// A caption in each encoding a publisher's editor may save, read as the text
// the publisher wrote.
TEST_F(IniEncodings, EachEncodingReadsAsTheTextWritten) {
  const struct {
    const char* name;
    unsigned ansi;  // the system's code page meanwhile
    std::string bytes;
    std::string caption;
    TextEncoding found;
  } files[] = {
      {"UTF-8", 1252, "[Item]\r\nCaption=\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8\r\n",
       "\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8", TextEncoding::Utf8},
      {"UTF-8 with mark", 1252, kUtf8Mark + "[Item]\r\nCaption=\xE6\x9D\xB1\xE4\xBA\xAC\r\n",
       "\xE6\x9D\xB1\xE4\xBA\xAC", TextEncoding::Utf8Bom},
      {"UTF-16 LE with mark", 1252, Utf16File("[Item]\r\nCaption=Caf\xC3\xA9 \xE6\x9D\xB1\r\n"),
       "Caf\xC3\xA9 \xE6\x9D\xB1", TextEncoding::Utf16LeBom},
      {"Windows-1252", 1252, "[Item]\r\nCaption=Caf\xE9 \x80\r\n", "Caf\xC3\xA9 \xE2\x82\xAC",
       TextEncoding::Ansi},
      {"Windows-1251", 1251, "[Item]\r\nCaption=\xCD\xEE\xE2\xEE\xF1\xF2\xE8\r\n",
       "\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8", TextEncoding::Ansi},
      // A cut-off sequence makes the whole file the system's code page.
      {"invalid UTF-8", 1252, "[Item]\r\nCaption=\xC3\xA9\r\nHint=\xC3\r\n", "\xC3\x83\xC2\xA9",
       TextEncoding::Ansi},
      {"ASCII", 1251, "[Item]\r\nCaption=Home\r\n", "Home", TextEncoding::Utf8},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    AnsiCodePage system(file.ansi);
    auto ini = Load(file.bytes);
    EXPECT_EQ(ini->ReadString("item", "caption", "<none>"), file.caption);
    EXPECT_EQ(ini->Encoding(), file.found);
  }
}

// The store's rules hold whatever the encoding: sections and names without
// regard to case in every script, the first of two names, the value after
// the first "=", lines ending at LF or CR LF, input ending at Ctrl-Z, a later
// same-named section dropped.
TEST_F(IniEncodings, TheStoresRulesHoldInEveryEncoding) {
  const std::string cyrillic =
      "; \xD0\xBA\xD0\xBE\xD0\xBC\xD0\xBC\xD0\xB5\xD0\xBD\xD1\x82\r\n"  // a comment
      "[\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8]\r\n"   // Новости
      "\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87=\xD0\x92\xD0\xBE\xD0\xB4\xD0\xB0=2\n"  // Ключ=Вода=2
      "\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87=second\r\n"
      "[\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8]\r\n"  // новости, dropped
      "\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87=dropped\r\n";
  const std::string other_scripts =
      "[\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1]\r\n"  // Σοφία
      "Caf\xC3\x89=\xC3\xA9t\xC3\xA9\r\n";
  const std::string end = "\x1A[After]\r\nK=never\r\n";
  const struct {
    const char* name;
    TextEncoding encoding;
    unsigned ansi;
    bool every_script;
  } encodings[] = {
      {"UTF-8", TextEncoding::Utf8, 1252, true},
      {"UTF-8 with mark", TextEncoding::Utf8Bom, 1252, true},
      {"UTF-16 LE with mark", TextEncoding::Utf16LeBom, 1252, true},
      {"Windows-1251", TextEncoding::Ansi, 1251, false},
  };
  for (const auto& each : encodings) {
    SCOPED_TRACE(each.name);
    AnsiCodePage system(each.ansi);
    TextEncoding encoding = each.encoding;
    auto ini = Load(EncodeText(cyrillic + (each.every_script ? other_scripts : "") + end, encoding));
    ASSERT_EQ(encoding, each.encoding) << "the text fits the encoding";
    EXPECT_EQ(ini->Encoding(), each.encoding);
    // НОВОСТИ / КЛЮЧ: upper case finds the section and the first key.
    const std::string section = "\xD0\x9D\xD0\x9E\xD0\x92\xD0\x9E\xD0\xA1\xD0\xA2\xD0\x98";
    EXPECT_EQ(ini->ReadString(section, "\xD0\x9A\xD0\x9B\xD0\xAE\xD0\xA7", ""),
              "\xD0\x92\xD0\xBE\xD0\xB4\xD0\xB0=2");
    EXPECT_FALSE(ini->SectionExists("After"));
    TStringList sections;
    ini->ReadSections(sections);
    EXPECT_EQ(sections.Count(), each.every_script ? 2 : 1);
    if (!each.every_script) continue;
    // ΣΟΦΊΑ, with an accented capital; CAFÉ.
    EXPECT_EQ(ini->ReadString("\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x8A\xCE\x91", "caf\xC3\xA9", ""),
              "\xC3\xA9t\xC3\xA9");
  }
}

// A rewrite keeps the file's encoding while it can hold the text; what the
// system's code page cannot hold turns the file into UTF-8 with a mark. A new
// file is UTF-8, with a mark once it holds more than ASCII.
TEST_F(IniEncodings, ARewriteKeepsTheEncodingWhileItHoldsTheText) {
  const std::string tokyo = "\xE6\x9D\xB1\xE4\xBA\xAC";
  const struct {
    const char* name;
    std::string before;  // none: no file yet
    std::string written;
    std::string after;
  } cases[] = {
      {"UTF-8 stays", "[S]\r\nK=old\r\n", tokyo, "[S]\r\nK=" + tokyo + "\r\n\r\n"},
      {"UTF-8 with mark stays", kUtf8Mark + "[S]\r\nK=old\r\n", "new",
       kUtf8Mark + "[S]\r\nK=new\r\n\r\n"},
      {"UTF-16 stays", Utf16File("[S]\r\nK=old\r\n"), tokyo,
       Utf16File("[S]\r\nK=" + tokyo + "\r\n\r\n")},
      {"the code page stays while it holds the text", "[S]\r\nK=\xE9\r\n", "\xC3\xA0 \xE2\x82\xAC",
       "[S]\r\nK=\xE0 \x80\r\n\r\n"},
      {"a character beyond the code page makes it UTF-8", "[S]\r\nK=\xE9\r\n", tokyo,
       kUtf8Mark + "[S]\r\nK=" + tokyo + "\r\n\r\n"},
      {"a new file of ASCII", "", "new", "[S]\r\nK=new\r\n\r\n"},
      {"a new file beyond ASCII", "", tokyo, kUtf8Mark + "[S]\r\nK=" + tokyo + "\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AnsiCodePage system(1252);
    std::filesystem::remove(path);
    auto ini = c.before.empty() ? std::make_unique<TBigIniFile>(path) : Load(c.before);
    ini->WriteString("S", "K", c.written);
    ini->UpdateFile();
    EXPECT_EQ(ReadAll(path), c.after);
    // And the file reads back as written.
    EXPECT_EQ(TBigIniFile(path).ReadString("S", "K", ""), c.written);
  }
}

}  // namespace
}  // namespace pq
