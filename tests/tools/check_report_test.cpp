// What the check prints and how it ends: the nearest known key it suggests,
// its counts, its exit status for a publisher's CI, and text for terminals
// that do not take UTF-8.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "check/config_check.h"
#include "check/rules.h"
#include "platform/code_pages.h"

namespace pq::check {
namespace {

TEST(CheckReport, AMistypedKeyNamesTheNearestKnownOneOnlyWhenClose) {
  const std::vector<std::string> known{"Name", "Parent", "Caption", "ImageIndex", "URL", "Tag"};
  const struct {
    const char* typed;
    std::optional<std::string> meant;
  } cases[] = {
      {"Captoin", "Caption"},         // two letters swapped: one edit
      {"CAPTON", "Caption"},          // letter case aside
      {"caption2", "Caption"},
      {"ImgIndex", "ImageIndex"},     // two edits in a long name
      {"Image", std::nullopt},        // five edits
      {"Url2", "URL"},                // one edit in a short name
      {"Tags", "Tag"},
      {"Ta", "Tag"},
      {"Icon", std::nullopt},         // two edits in a short name is no slip
      {"Color", std::nullopt},
      {"Parrent", "Parent"},
      {"Nmae", "Name"},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(NearestKey(c.typed, known), c.meant);
  }
  // Letters beyond ASCII fold too.
  EXPECT_EQ(NearestKey("\u041D\u041E\u0412\u041E\u0421\u0422\u0418", {"\u043D\u043E\u0432\u043E\u0441\u0442\u044C"}),
            "\u043D\u043E\u0432\u043E\u0441\u0442\u044C");
}

CheckResult WithFindings(int errors, int warnings, int notes) {
  CheckResult result;
  for (int i = 0; i < errors; ++i) result.findings.push_back({"", 1, Severity::Error, "e", ""});
  for (int i = 0; i < warnings; ++i) result.findings.push_back({"", 1, Severity::Warning, "w", ""});
  for (int i = 0; i < notes; ++i) result.findings.push_back({"", 1, Severity::Note, "n", ""});
  return result;
}

TEST(CheckReport, CountsAreSingularForOneAndStrictFailsOnWarnings) {
  const struct {
    int errors, warnings, notes;
    const char* line;
    int status, strict_status;
  } cases[] = {
      {0, 0, 0, "0 errors, 0 warnings, 0 notes", 0, 0},
      {1, 1, 1, "1 error, 1 warning, 1 note", 1, 1},
      {0, 1, 0, "0 errors, 1 warning, 0 notes", 0, 1},
      {0, 0, 2, "0 errors, 0 warnings, 2 notes", 0, 0},
      {2, 0, 1, "2 errors, 0 warnings, 1 note", 1, 1},
      {0, 11, 21, "0 errors, 11 warnings, 21 notes", 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const CheckResult result = WithFindings(c.errors, c.warnings, c.notes);
    EXPECT_EQ(CountsLine(result), c.line);
    EXPECT_EQ(ExitStatus(result, false), c.status);
    EXPECT_EQ(ExitStatus(result, true), c.strict_status);
  }
}

TEST(CheckReport, TextGoesToTheTerminalInItsLocalesCharacterSet) {
  const std::string text = "News \u041D\u043E\u0432\u043E\u0441\u0442\u0438 Caf\u00E9 \u6771";
  const struct {
    const char* codeset;
    unsigned code_page;
    std::string shown;
  } cases[] = {
      {"UTF-8", kCodePageUtf8, text},
      {"ANSI_X3.4-1968", kCodePageUtf8, text},  // the C locale chose nothing
      {"", kCodePageUtf8, text},
      {nullptr, kCodePageUtf8, text},
      {"no-such-set", kCodePageUtf8, text},
      {"KOI8-R", 20866, "News \xEE\xCF\xD7\xCF\xD3\xD4\xC9 Caf? ?"},
      {"ISO-8859-1", 28591, "News ??????? Caf\xE9 ?"},
      {"CP1251", 1251, "News \xCD\xEE\xE2\xEE\xF1\xF2\xE8 Caf? ?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codeset ? c.codeset : "(none)");
    const unsigned code_page = TerminalCodePage(c.codeset);
    EXPECT_EQ(code_page, c.code_page);
    EXPECT_EQ(ForTerminal(text, code_page), c.shown);
  }
}

}  // namespace
}  // namespace pq::check
