// The configuration check against a table of broken configurations: each
// finding once, on its line, with its severity, and nothing else.
#include "check/config_check.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "check/curl_internet.h"
#include "check/openssl_verifier.h"
#include "config/update_signature.h"
#include "check/rules.h"
#include "toolbar/toolbar_items.h"
#include "toolbar/banner_animation.h"

namespace pq::check {
namespace {

namespace fs = std::filesystem;

// Every case starts with these options, unless its text has [Options] of its own.
constexpr char kOptionsBlock[] =
    "[Options]\n"
    "Toolbar Name=Test Bar\n"
    "Company Name=Test Publishing\n"
    "Home Page URL=http://www.test.example.org/\n"
    "Contact E-Mail=mailto:help@test.example.org\n"
    "Search URL=http://find.example.org/?q=[SEARCH]\n"
    "\n";

// A valid "Update Key", made by ./run keygen.
constexpr char kKey[] =
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEUyVz1kgfAe0C4csf4/"
    "IdJZjHClzxD89FQo+ju2poyxSzH6A5kkQJ5C0QYfT5"
    "KSrI6Jo5Q0OGl/wm76QDKnw7Bg==";

// A search button with one search type, listed first in every case that
// wants no note about the default search button.
constexpr char kSearch[] =
    "[miSearch]\nParent=Toolbar\nCount=1\n"
    "[Web]\nParent=miSearch\nTag=1\nGroupIndex=1\nURL=http://find.example.org/?q=[SEARCH]\n";

// [Toolbar Items] with the search button, its search type and `entries`;
// their sections, then `sections`.
std::string Items(const std::string& entries = "", const std::string& sections = "") {
  return "[Toolbar Items]\nmiSearch=\nWeb=\n" + entries + kSearch + sections;
}

const std::string kHome = "[Home]\nParent=Toolbar\nURL=http://a.example.org/\n";

// `count` submenus on the toolbar, each inside the one before; the Parent
// line of the one at `marked` carries the marker "deep". Items() around them,
// and `more` entries listed after them.
std::string NestedItems(int count, int marked = -1, const std::string& more = "") {
  std::string entries, sections, parent = "Toolbar";
  for (int i = 0; i < count; ++i) {
    std::string key = "Level" + std::to_string(i) + "SubMenu";
    entries += key + "=\n";
    sections += "[" + key + "]\nParent=" + parent + (i == marked ? "  @deep\n" : "\n");
    parent = std::move(key);
  }
  return Items(entries + more, sections);
}

// The common options, the header marked "options", with lines changed:
// "Key=value" replaces the key's line or is added, "-Key" removes it. Items() follows.
std::string WithOptions(std::vector<std::string> changes) {
  std::string block = "[Options]  @options\n";
  std::istringstream lines(kOptionsBlock + sizeof "[Options]");
  for (std::string line; std::getline(lines, line) && !line.empty();) {
    const std::string key = line.substr(0, line.find('='));
    const auto change = std::find_if(changes.begin(), changes.end(), [&](const std::string& c) {
      return c == "-" + key || c.starts_with(key + "=");
    });
    if (change == changes.end()) {
      block += line + "\n";
      continue;
    }
    if (change->front() != '-') block += *change + "\n";
    changes.erase(change);
  }
  for (const std::string& line : changes) block += line + "\n";
  return block + Items();
}

std::string Bitmap(int32_t width, int32_t height) {
  std::string bytes = "BM";
  auto put = [&](uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  const uint32_t pixels =
      (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4 * static_cast<uint32_t>(height);
  put(54 + pixels, 4), put(0, 4), put(54, 4);
  put(40, 4), put(width, 4), put(height, 4), put(1, 2), put(24, 2);
  put(0, 4), put(pixels, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
  bytes.append(pixels, '\x7F');
  return bytes;
}

struct Expected {
  const char* code;
  const char* at;  // the marker of the line, "" for the file as a whole
  Severity severity;
};

// How a case's text is written to the file.
enum class Form { AsWritten, Utf8Bom, Utf16LeBom };

struct Case {
  const char* name;
  // Lines may end with "  @X": the marker X names the line in `expected`.
  std::string text;
  // Every case expects the note of the file's encoding, as UTF-8 unless it
  // lists an "encoding" finding of its own.
  std::vector<Expected> expected;
  const char* message = "";              // text the first expected finding's message holds
  std::string banner = Bitmap(105, 22);  // empty: no banner file
  Form form = Form::AsWritten;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

// UTF-8 text of characters up to U+FFFF as UTF-16 LE with its byte-order mark.
std::string Utf16Le(const std::string& text) {
  std::string bytes = "\xFF\xFE";
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    uint32_t unit = length == 1 ? lead : lead & (length == 2 ? 0x1F : 0x0F);
    for (int k = 1; k < length; ++k)
      unit = unit << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
    i += length;
  }
  return bytes;
}

std::string InForm(const std::string& text, Form form) {
  switch (form) {
    case Form::Utf8Bom:
      return "\xEF\xBB\xBF" + text;
    case Form::Utf16LeBom:
      return Utf16Le(text);
    default:
      return text;
  }
}

// The text without its markers, and the line number of each marker.
std::string Unmarked(const std::string& text, std::map<std::string, int>& lines) {
  std::string plain;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (const size_t marker = line.find("  @"); marker != std::string::npos) {
      const bool crlf = line.back() == '\r';
      lines[line.substr(marker + 3, line.size() - marker - 3 - crlf)] = number;
      line.erase(marker);
      if (crlf) line += '\r';
    }
    plain += line + "\n";
  }
  return plain;
}

// The check of Test.ini with `text`, beside Test.bmp with `banner` unless
// that is empty, in a folder of their own.
CheckResult Check(const std::string& text, const std::string& banner,
                  const CheckOptions& options = {}) {
  static int counter = 0;
  const fs::path folder = fs::temp_directory_path() / ("pq-check-test-" + std::to_string(getpid()) +
                                                       "-" + std::to_string(++counter));
  fs::create_directories(folder);
  std::ofstream(folder / "Test.ini", std::ios::binary) << text;
  if (!banner.empty()) std::ofstream(folder / "Test.bmp", std::ios::binary) << banner;
  CheckResult result = CheckConfiguration((folder / "Test.ini").string(), options);
  fs::remove_all(folder);
  return result;
}

std::string Describe(const std::vector<Finding>& findings) {
  std::string text;
  for (const Finding& finding : findings) text += "  " + FormatFinding("Test.ini", finding) + "\n";
  return text;
}

class ConfigCheckTable : public ::testing::TestWithParam<Case> {};

TEST_P(ConfigCheckTable, ReportsEachProblemOnceOnItsLine) {
  const Case& c = GetParam();
  const bool own_options = c.text.starts_with("[Options]") || c.text.starts_with("Toolbar");
  std::map<std::string, int> lines;
  const CheckResult result = Check(
      InForm(Unmarked(own_options ? c.text : kOptionsBlock + c.text, lines), c.form), c.banner);

  std::vector<std::tuple<std::string, int, Severity>> expected, found;
  for (const Expected& e : c.expected) {
    ASSERT_TRUE(*e.at == '\0' || lines.count(e.at)) << "no marker @" << e.at;
    expected.emplace_back(e.code, *e.at ? lines[e.at] : 0, e.severity);
  }
  if (std::none_of(c.expected.begin(), c.expected.end(),
                   [](const Expected& e) { return std::string(e.code) == "encoding"; })) {
    expected.emplace_back("encoding", 0, Severity::Note);
    const auto note = std::find_if(result.findings.begin(), result.findings.end(),
                                   [](const Finding& f) { return f.code == "encoding"; });
    ASSERT_NE(note, result.findings.end()) << Describe(result.findings);
    EXPECT_EQ(note->message, "encoding: UTF-8 (no byte-order mark)");
  }
  for (const Finding& f : result.findings) found.emplace_back(f.code, f.line, f.severity);
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, expected) << "findings:\n" << Describe(result.findings);

  if (*c.message) {
    const auto first = std::find_if(result.findings.begin(), result.findings.end(),
                                    [&](const Finding& f) { return f.code == c.expected[0].code; });
    ASSERT_NE(first, result.findings.end());
    EXPECT_NE(first->message.find(c.message), std::string::npos) << first->message;
  }
}

const Severity E = Severity::Error, W = Severity::Warning, N = Severity::Note;

// clang-format off
const Case kCases[] = {
    {"Valid", Items("News=\nNewsSubMenu=\nWorld=\nSeparator1=\n",
        "[News]\nParent=miSearch\nTag=2\nGroupIndex=1\nURL=http://news.example.org/?q=[search]\n"
        "[NewsSubMenu]\nParent=Toolbar\nCaption=News\nImageIndex=0\n"
        "[World]\nParent=NewsSubMenu\nCaption=World\nURL=Pages|http://news.example.org/world\n"
        "[Separator1]\nParent=Toolbar\n"), {}},
    {"InvalidNameStopsConstruction", Items("Bad Item=  @bad\nAfter=\nLast=\n",
        "[Bad Item]\nParent=Toolbar\nURL=http://a.example.org/\n"
        "[After]\nParent=Toolbar\nURL=http://b.example.org/\n"
        "[Last]\nParent=Toolbar\nURL=http://c.example.org/\n"), {{"invalid-name", "bad", E}},
     "''Bad Item'' is not a valid component name: construction stops here and the toolbar shows "
     "this message; the 2 entries after it are missing (After, Last)"},
    {"InvalidNameInNameKey", Items("Home=\n",
        "[Home]\nName=2nd  @name\nParent=Toolbar\nURL=http://a.example.org/\n"),
     {{"invalid-name", "name", E}}, "''2nd'' is not a valid component name"},
    {"CommentedOutEntryIsAnEntry", Items(";Old=  @old\n"), {{"invalid-name", "old", E}},
     "not a comment"},
    {"EntryListedTwice", Items("Home=\nhome=  @again\n", kHome), {{"duplicate-name", "again", E}},
     "A component named home already exists (home is listed twice in [Toolbar Items]"},
    {"NameOfTheToolbarsOwnComponent", Items("Image=  @image\n",
        "[Image]\nParent=Toolbar\nURL=http://a.example.org/\n"),
     {{"duplicate-name", "image", E}}, "one of the toolbar's own components"},
    {"EveryStopIsReported", Items("Bad One=  @one\nBad Two=  @two\n",
        "[Bad One]\nParent=Toolbar\nURL=http://a.example.org/\n"
        "[Bad Two]\nParent=Toolbar\nURL=http://b.example.org/\n"),
     {{"invalid-name", "one", E}, {"invalid-name", "two", E}}},
    {"ChildListedBeforeItsParent", Items("Child=\nMoreSubMenu=\n",
        "[Child]\nParent=MoreSubMenu  @parent\nURL=http://a.example.org/\n"
        "[MoreSubMenu]\nParent=Toolbar\n"), {{"unplaced", "parent", W}}, "is listed after it"},
    {"ParentNamesNothing", Items("Child=\n",
        "[Child]\nParent=Nowhere  @parent\nURL=http://a.example.org/\n"),
     {{"unplaced", "parent", W}}, "names no item"},
    {"ParentToolbarInOtherLetterCase", Items("Home=\n",
        "[Home]\nParent=toolbar  @parent\nURL=http://a.example.org/\n"),
     {{"unplaced", "parent", W}}, "letter case"},
    {"NoParent", Items("Home=\n", "[Home]  @home\nURL=http://a.example.org/\n"),
     {{"unplaced", "home", W}}},
    {"ThirtyTwoLevels", NestedItems(32), {}},
    {"NestedDeeperThanTheToolbarBuilds", NestedItems(40, 32), {{"too-deep", "deep", W}},
     "Level32SubMenu's \"Parent\" Level31SubMenu stands at level 32, the deepest the toolbar "
     "builds: Level32SubMenu is not built, nor are the 7 entries under it (Level33SubMenu, "},
    // Entries left out before a stop: the stop is told of the right one.
    {"StopAfterEntriesLeftOut", NestedItems(34, 32, "Home=  @home\nBad Item=  @bad\nLast=  @last\n"),
     {{"invalid-name", "bad", E}, {"too-deep", "deep", W}, {"no-section", "home", W},
      {"no-section", "last", W}},
     "''Bad Item'' is not a valid component name: construction stops here and the toolbar shows "
     "this message; the 1 entries after it are missing (Last)"},
    {"ParentIsAPlainItem", Items("Home=\nChild=\n",
        kHome + "[Child]\nParent=Home  @parent\nURL=http://b.example.org/\n"),
     {{"hidden-parent", "parent", W}}, "a plain item"},
    {"SearchTypesUnderAPlainSearchButton",
     "[Toolbar Items]\nmiSearch=\nWeb=\n[miSearch]\nParent=Toolbar\nCount=0\n"
     "[Web]\nParent=miSearch  @web\nTag=1\nGroupIndex=1\nURL=http://find.example.org/?q=[SEARCH]\n",
     {{"hidden-parent", "web", W}}, "\"Count\" in [miSearch] is 0"},
    {"SearchTypeBeyondThirty", Items("Far=\n", "[Far]\nParent=miSearch\nTag=31  @tag\n"
        "GroupIndex=1\nURL=http://far.example.org/?q=[SEARCH]\n"), {{"search-tag", "tag", W}}},
    {"SearchTypeNumberTwice", Items("Other=\n", "[Other]\nParent=miSearch\nTag=0x1  @tag\n"
        "GroupIndex=1\nURL=http://o.example.org/?q=[SEARCH]\n"),
     {{"search-tag-twice", "tag", W}}, "search type 1 is also Web"},
    {"SearchTemplateWithoutPlaceholder", Items("Other=\n",
        "[Other]\nParent=miSearch\nTag=2\nGroupIndex=1\nURL=http://o.example.org/?q=  @url\n"),
     {{"search-placeholder", "url", W}}},
    // "\u017F" folds to "s", but the toolbar matches ASCII letters alone.
    {"PlaceholderWithALetterThatOnlyFoldsLikeOne", Items("Other=\n",
        "[Other]\nParent=miSearch\nTag=2\nGroupIndex=1\n"
        "URL=http://o.example.org/?q=[\xC5\xBF" "earch]  @url\n"),
     {{"search-placeholder", "url", W}, {"implausible-url", "url", W}}},
    {"SearchTypeWithoutAddress", Items("Other=\n",
        "[Other]  @other\nParent=miSearch\nTag=2\nGroupIndex=1\n"),
     {{"no-url", "other", W}}, "search type 2 can never be chosen"},
    {"SearchTypeWithoutGroup", Items("Other=\n",
        "[Other]  @other\nParent=miSearch\nTag=2\nURL=http://o.example.org/?q=[SEARCH]\n"),
     {{"search-group", "other", N}}},
    {"SearchTagOnAnOrdinaryButton",
     "[Toolbar Items]\nmiSearch=\nHome=\nWeb=\n[miSearch]\nParent=Toolbar\nCount=1\n"
     "[Home]\nParent=Toolbar\nTag=1  @tag\nURL=http://a.example.org/\n"
     "[Web]\nParent=miSearch\nTag=1\nGroupIndex=1\nURL=http://find.example.org/?q=[SEARCH]\n",
     {{"search-tag-elsewhere", "tag", W}}},
    {"NoSearchButtonListed", "[Toolbar Items]  @items\nHome=\n" + kHome,
     {{"default-search", "items", N}}},
    {"SectionTwice", Items("Home=\n", kHome + "[home]  @again\nCaption=Never read\n"),
     {{"duplicate-section", "again", W}}},
    {"KeyTwice", Items("Home=\n", kHome + "url=http://b.example.org/  @again\n"),
     {{"duplicate-key", "again", W}}},
    {"EntryWithoutSection", Items("Home=  @home\n"), {{"no-section", "home", W}}},
    {"EntryWithoutEquals", Items("Home  @home\n"), {{"no-equals", "home", W}}},
    {"BlanksAroundEquals", Items("Home=\n",
        "[Home]\nParent=Toolbar\nCaption = Home  @caption\nURL=http://a.example.org/\n"),
     {{"blank-around-equals", "caption", W}}},
    {"KeyTheToolbarDoesNotRead", Items("Home=\nSeparator1=\n",
        "[Home]\nParent=Toolbar\nCaptoin=Home  @typo\nURL=http://a.example.org/\n"
        "[Separator1]\nParent=Toolbar\nCaption=Line  @ignored\n"),
     {{"unknown-key", "typo", W}, {"ignored-key", "ignored", N}}},
    {"HeaderWithALeadingBlank", Items("", " [Extra]  @header\n"), {{"not-a-header", "header", W}}},
    {"AddressTheToolbarRefuses", Items("Home=\nMail=\n",
        "[Home]\nParent=Toolbar\nURL=Start|www.  @home\n"
        "[Mail]\nParent=Toolbar\nURL=mailto:a.b@c  @mail\n"),
     {{"implausible-url", "home", W}, {"implausible-url", "mail", W}},
     "\"www.\" does not look like an address"},
    {"ImageBeyondTheList", Items("Home=\n",
        "[Home]\nParent=Toolbar\nImageIndex=144  @image\nURL=http://a.example.org/\n"),
     {{"image-index", "image", W}}},
    {"SpeedButtonWithoutItsTag", Items("SpeedBtn1=\n",
        "[SpeedBtn1]\nName=SpeedBtn1  @name\nParent=Toolbar\nURL=http://a.example.org/\n"),
     {{"speed-button", "name", N}}},
    {"OptionsLeftAtTheirStandIns", WithOptions({"-Home Page URL", "-Contact E-Mail",
        "-Search URL", "Company Name=Pendleworth, Inc.  @company"}),
     {{"default-option", "company", W}, {"default-option", "options", W},
      {"default-option", "options", W}, {"default-option", "options", W}}},
    {"NoToolbarName", WithOptions({"-Toolbar Name", "Updates URL=http://up.example.org  @up"}),
     {{"no-toolbar-name", "options", E}, {"updates-unsigned", "up", W}},
     "\"Error Loading Configuration File! Test.ini! Please contact Test Publishing\""},
    {"EmptyToolbarName", WithOptions({"Toolbar Name=  @name"}), {{"no-toolbar-name", "name", E}},
     "\"Toolbar Name\" is empty"},
    {"ToolbarNameNoFileCanHave", WithOptions({"Toolbar Name=Either/Or  @name"}),
     {{"toolbar-name", "name", E}}},
    {"SearchUrlWithoutPlaceholder",
     WithOptions({"Search URL=http://find.example.org/?q=  @search"}),
     {{"search-placeholder", "search", W}}},
    {"UpdateAddressTheToolbarRefuses", WithOptions({"Updates URL=http://up example.org  @up"}),
     {{"updates-url", "up", W}, {"updates-unsigned", "up", W}}, "tested as written"},
    {"UpdateAddressEndingInSlash", WithOptions({"Updates URL=http://up.example.org/  @up"}),
     {{"updates-slash", "up", N}, {"updates-unsigned", "up", W}},
     "http://up.example.org//toolbar.ini"},
    {"UnsignedUpdatesOverPlainHttp", WithOptions({"Updates URL=HTTP://up.example.org/bar  @up"}),
     {{"updates-unsigned", "up", W}}, "over plain HTTP and unsigned"},
    {"UnsignedUpdatesOverHttps", WithOptions({"Updates URL=https://up.example.org/bar"}), {}},
    {"SignedUpdatesOverPlainHttp",
     WithOptions({"Updates URL=http://up.example.org/bar", std::string("Update Key=") + kKey,
                  "Config Version=1"}),
     {}},
    {"SignedUpdatesWithoutVersion",
     WithOptions({"Updates URL=http://up.example.org/bar", std::string("Update Key=") + kKey +
                  "  @key"}),
     {{"config-version", "key", E}}, "there is no \"Config Version\""},
    {"SignedUpdatesWithAVersionThatIsNoWholeNumber",
     WithOptions({"Updates URL=http://up.example.org/bar", std::string("Update Key=") + kKey,
                  "Config Version=2.1  @version"}),
     {{"config-version", "version", E}}, "is not a whole number"},
    {"UnsignedVersionThatIsNoWholeNumber",
     WithOptions({"Updates URL=https://up.example.org/bar", "Config Version=-3  @version"}),
     {{"config-version", "version", W}}},
    {"UpdateIntervalThatIsNoWholeNumber",
     WithOptions({"Updates URL=https://up.example.org/bar", "Update Interval=1h  @interval"}),
     {{"update-interval", "interval", W}}, "every window asks"},
    {"UpdateIntervalPastItsLimit",
     WithOptions({"Updates URL=https://up.example.org/bar", "Update Interval=1000001  @interval"}),
     {{"update-interval", "interval", W}}, "from 0 to 1000000"},
    {"UpdateIntervalsTheToolbarReads",
     WithOptions({"Updates URL=https://up.example.org/bar", "Update Interval= 0 "}), {}},
    {"UpdateIntervalOfAnHour",
     WithOptions({"Updates URL=https://up.example.org/bar", "Update Interval=60"}), {}},
    {"UpdateKeyThatIsNoKey",
     WithOptions({"Updates URL=https://up.example.org/bar", "Update Key=MFkwEwYHKoZIzj0C  @key"}),
     {{"update-key", "key", E}}, "refuses every update"},
    {"ScriptAddressesInOptions",
     WithOptions({"Home Page URL=javascript:alert(document.cookie)  @home",
                  "Contact E-Mail= VBScript:MsgBox(1)  @mail"}),
     {{"script-address", "home", W}, {"script-address", "mail", W}},
     "runs as a script inside whatever page the user has open"},
    {"ScriptAddressOfAnItem", Items("Bad=\n",
        "[Bad]\nParent=Toolbar\nCaption=Bad\nURL=Run|JavaScript:void(0)  @url\n"),
     {{"script-address", "url", W}}},
    {"LineBeforeTheFirstSection",
     std::string("Toolbar Name=Test Bar  @stray\n") + kOptionsBlock + Items(),
     {{"outside-section", "stray", W}}},
    {"NothingReadAfterCtrlZ", Items("", "\x1A  @end\n[Other]\nA=b\n"), {{"end-of-file", "end", W}}},
    {"NoItemSection", "", {{"no-items", "", W}, {"default-search", "", N}}},
    {"CarriageReturnsDoNotCountAsLines",
     "[Toolbar Items]\r\nmiSearch=\r\nWeb=\r\nBad\rItem=  @cr\r\nBad Item=  @bad\r\n" +
         std::string(kSearch),
     {{"no-section", "cr", W}, {"invalid-name", "bad", E}}, "BadItem has no section"},
    // The file's encoding. Captions here: "Жук" and "Café".
    {"Utf8WithoutByteOrderMark", Items("Home=\n",
        "[Home]\nParent=Toolbar\nCaption=\xD0\x96\xD1\x83\xD0\xBA\nURL=http://a.example.org/\n"),
     {{"encoding", "", N}}, "encoding: UTF-8 (no byte-order mark)"},
    // The mark leaves [Options] on the first line a header.
    {"Utf8WithByteOrderMark", Items("Home=\n",
        "[Home]\nParent=Toolbar\nCaption=\xD0\x96\xD1\x83\xD0\xBA\nURL=http://a.example.org/\n"),
     {{"encoding", "", N}}, "encoding: UTF-8 with byte-order mark", Bitmap(105, 22), Form::Utf8Bom},
    {"Utf8ByteOrderMarkBeforeBytesThatAreNoUtf8", Items("Home=\n",
        "[Home]\nParent=Toolbar\nCaption=Caf\xE9  @cafe\nURL=http://a.example.org/\n"),
     {{"invalid-utf8", "cafe", W}, {"encoding", "", N}}, "no UTF-8", Bitmap(105, 22),
     Form::Utf8Bom},
    // Lines keep their numbers, also where construction is run again
    // without an entry that stops it: the item after it is still checked.
    {"Utf16WithByteOrderMark", Items("Bad Item=  @bad\nHome=\n",
        "[Bad Item]\nParent=Toolbar\n"
        "[Home]\nParent=Toolbar\nCaption=\xD0\x96\xD1\x83\xD0\xBA\nImageIndex=144  @image\n"
        "URL=http://a.example.org/\nurl=http://b.example.org/  @again\n"),
     {{"encoding", "", N}, {"invalid-name", "bad", E}, {"image-index", "image", W},
      {"duplicate-key", "again", W}},
     "encoding: UTF-16 LE with byte-order mark", Bitmap(105, 22), Form::Utf16LeBom},
    {"SystemCodePage", Items("Home=\n",
        "[Home]\nParent=Toolbar\nCaption=Caf\xE9  @cafe\nURL=http://a.example.org/\n"
        "[Other]  @other\nCaption=Caf\xE9 \xE0 la carte\n"),
     {{"encoding", "", N}, {"not-utf8", "cafe", N}, {"unlisted-section", "other", N}},
     "encoding: the system's code page, Windows-1252 (no byte-order mark)"},
    {"SystemCodePageNamedInTheAdvice", Items("Home=\n",
        "[Home]\nParent=Toolbar\nCaption=Caf\xE9  @cafe\nURL=http://a.example.org/\n"),
     {{"not-utf8", "cafe", N}, {"encoding", "", N}},
     "not UTF-8: read as the system's code page (Windows-1252); save it as UTF-8"},
    {"BytesTheCodePageLeavesUndefined", Items("Home=\n",
        "[Home]\nParent=Toolbar\nCaption=Caf\xE9 \x81  @first\nURL=http://a.example.org/\n"
        "; \x8D\x8F\x90\x9D  @more\n"),
     {{"undefined-byte", "first", W}, {"undefined-byte", "more", W}, {"not-utf8", "first", N},
      {"encoding", "", N}},
     "byte 0x81 that Windows-1252"},
    {"ControlCharactersInTheCodePage", Items("Home=\n",
        "[Home]\nParent=Toolbar\nCaption=Caf\xE9\tBar  @cafe\r\nURL=http://a.example.org/\n"
        "; bell \x07  @bell\n; \x7F  @delete\n"),
     {{"control-byte", "bell", W}, {"control-byte", "delete", W}, {"not-utf8", "cafe", N},
      {"encoding", "", N}},
     "byte 0x07 is a control character"},
    // An item's "Encoding".
    {"EncodingsTheSystemKnows", Items("Ru=\nJp=\nLink=\n",
        "[Ru]\nParent=miSearch\nTag=2\nGroupIndex=1\nEncoding=windows-1251\n"
        "URL=http://ru.example.org/?text=[SEARCH]\n"
        "[Jp]\nParent=miSearch\nTag=3\nGroupIndex=1\nEncoding=Shift_JIS\n"
        "URL=http://jp.example.org/search?p=[SEARCH]\n"
        "[Link]\nParent=Toolbar\nEncoding=KOI8-R\nURL=http://ru.example.org/wiki?t=[SEARCH]\n"),
     {}},
    {"EncodingTheSystemDoesNotKnow", Items("Ru=\n",
        "[Ru]\nParent=miSearch\nTag=2\nGroupIndex=1\nEncoding=windows1251  @encoding\n"
        "URL=http://ru.example.org/?text=[SEARCH]\n"),
     {{"unknown-encoding", "encoding", W}}, "no character set named \"windows1251\""},
    {"EncodingWithoutEffect", Items("Home=\nPath=\nNoAddress=\n",
        "[Home]\nParent=Toolbar\nEncoding=koi8-r  @home\nURL=http://a.example.org/\n"
        "[Path]\nParent=Toolbar\nEncoding=koi8-r  @path\nURL=http://a.example.org/[SEARCH]?x=1\n"
        "[NoAddress]  @none\nParent=miSearch\nTag=2\nGroupIndex=1\nEncoding=koi8-r  @fallback\n"),
     {{"encoding-unused", "home", N}, {"encoding-unused", "path", N},
      {"encoding-unused", "fallback", N}, {"no-url", "none", W}},
     "Home does not search"},
    // Suggestion services.
    {"SuggestionServicesWithPlaceholders",
     WithOptions({"Suggest URL=http://ac.example.org/s?q=[SEARCH]"}), {}},
    {"SuggestionServiceOfASearchTypeWithPlaceholder", Items("News=\n",
        "[News]\nParent=miSearch\nTag=2\nGroupIndex=1\nURL=http://news.example.org/?q=[SEARCH]\n"
        "Suggest URL=http://news.example.org/ac?q=[search]&l=en\n"),
     {}},
    {"SuggestionServiceWithoutPlaceholder",
     WithOptions({"Suggest URL=http://ac.example.org/s?q=  @suggest"}),
     {{"suggest-placeholder", "suggest", W}}, "the typed text is appended to its end"},
    {"SuggestionServiceOfASearchTypeWithoutPlaceholder", Items("News=\n",
        "[News]\nParent=miSearch\nTag=2\nGroupIndex=1\nURL=http://news.example.org/?q=[SEARCH]\n"
        "Suggest URL=http://news.example.org/ac  @item\n"),
     {{"suggest-placeholder", "item", W}}, "has no \"[SEARCH]\""},
    {"BannerMissing", Items(), {{"banner-missing", "", W}}, "", ""},
    {"BannerOfTheWrongSize", Items(), {{"banner-size", "", W}}, "is 100 by 20 pixels",
     Bitmap(100, 20)},
    {"BannerBeyondTheLimits", Items(), {{"banner-too-large", "", W}},
     "is 1100 by 1000 pixels in 3300054 bytes, more than the toolbar loads", Bitmap(1100, 1000)},
    {"BannerNotABitmap", Items(), {{"banner-unreadable", "", W}}, "not a BMP file",
     "\x89PNG\r\n\x1a\n not a bitmap at all"},
    {"BannerCutShort", Items(), {{"banner-unreadable", "", W}}, "cut short",
     Bitmap(105, 22).substr(0, 200)},
    {"MistypedKeyNamesTheNearestKnown", Items("Home=\n",
        "[Home]\nParent=Toolbar\nimageindx=3  @typo\nURL=http://a.example.org/\n"),
     {{"unknown-key", "typo", W}}, "; did you mean \"ImageIndex\"?"},
    {"MistypedOptionNamesTheNearestKnown", WithOptions({"Update URL=  @typo"}),
     {{"unknown-key", "typo", W}}, "; did you mean \"Updates URL\"?"},
    {"SubmenuLeftEmptyByAnUnlistedEntry", Items("MoreSubMenu=\n",
        "[MoreSubMenu]  @menu\nParent=Toolbar\nCaption=More\n"
        "[Child]  @child\nParent=MoreSubMenu\nURL=http://a.example.org/\n"),
     {{"empty-submenu", "menu", W}, {"unlisted-section", "child", N}},
     "MoreSubMenu opens an empty menu: [Child] names it as \"Parent\" but is not listed"},
    {"CaptionLongerThanAButtonShows", Items("Home=\n",
        "[Home]\nParent=Toolbar\nURL=http://a.example.org/\n"
        "Caption=" + std::string(kMaxButtonCaption + 1, 'x') + "  @caption\n"),
     {{"long-caption", "caption", W}},
     "has 41 characters; a toolbar button shows at most 40, so it shows as "
     "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\u2026\""},
    {"SearchTypeCaptionLongerThanTheSearchButtonShows", Items("Long=\n",
        "[Long]\nParent=miSearch\nTag=2\nGroupIndex=1\nURL=http://find.example.org/?q=[SEARCH]\n"
        "Caption=" + std::string(kMaxButtonCaption + 5, 's') + "  @caption\n"),
     {{"long-caption", "caption", W}}, "the search button shows it, once chosen, as"},
    // Characters count, not bytes; menus show captions whole.
    {"CaptionsAButtonShowsWhole", Items("Home=\nMoreSubMenu=\nInside=\n",
        "[Home]\nParent=Toolbar\nURL=http://a.example.org/\nCaption=" +
        std::string(kMaxButtonCaption, 'x') + "\n"
        "[MoreSubMenu]\nParent=Toolbar\nCaption=" + [] {
          std::string cyrillic;
          for (size_t i = 0; i < kMaxButtonCaption; ++i) cyrillic += "\u0416";
          return cyrillic;
        }() + "\n"
        "[Inside]\nParent=MoreSubMenu\nURL=http://b.example.org/\nCaption=" +
        std::string(3 * kMaxButtonCaption, 'm') + "\n"), {}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Configurations, ConfigCheckTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigCheck, SampleHasNoProblems) {
  const CheckResult result = CheckConfiguration(PQ_SOURCE_DIR "/samples/SampleBar.ini", {});
  EXPECT_EQ(result.Count(Severity::Error), 0) << Describe(result.findings);
  EXPECT_EQ(result.Count(Severity::Warning), 0) << Describe(result.findings);
  EXPECT_EQ(result.toolbar_name, "SampleBar");
  // The first search type is chosen at the first start, under the search button.
  for (const char* line : {"  miSearch", "    SearchWeb", "search type 1, group 1, checked"})
    EXPECT_NE(result.tree.find(line), std::string::npos) << line << "\n" << result.tree;
}

// What the installers take from [Options]: the company and the version as the
// toolbar reads them, its defaults for what is absent or not a number.
TEST(ConfigCheck, GivesTheInstallersTheCompanyAndVersionAsTheToolbarReadsThem) {
  const struct {
    const char* options;
    const char* company;
    const char* version;
  } cases[] = {
      {"Company Name=Test Publishing\nConfig Version=7\n", "Test Publishing", "7"},
      // Blanks stay around the company, as in the About box.
      {"Company Name=  Blanks Around  \nConfig Version= 12 \n", "  Blanks Around  ", "12"},
      {"Config Version=3\n", "Pendleworth, Inc.", "3"},
      {"Company Name=Test Publishing\n", "Test Publishing", ""},
      {"Company Name=Test Publishing\nConfig Version=1.5\n", "Test Publishing", ""},
      {"Company Name=Test Publishing\nConfig Version=-2\n", "Test Publishing", ""},
      {"Company Name=Test Publishing\nConfig Version=4294967296\n", "Test Publishing",
       "4294967296"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const CheckResult result =
        Check(std::string("[Options]\nToolbar Name=Test Bar\n") + c.options + Items(), "");
    EXPECT_EQ(result.toolbar_name, "Test Bar");
    EXPECT_EQ(result.company_name, c.company);
    EXPECT_EQ(result.config_version, c.version);
  }
}

// The installers install the animation the toolbar will look for: its name as
// the toolbar reads it, whatever the file's encoding.
TEST(ConfigCheck, GivesTheInstallersTheAnimationAsTheToolbarReadsIt) {
  const std::string options = "[Options]\nToolbar Name=Test Bar\nBanner Animation=Sun Rise.gif\n";
  for (const std::string& text : {options + Items(), Utf16Le(options + Items())}) {
    const CheckResult result = Check(text, "");
    EXPECT_EQ(result.toolbar_name, "Test Bar");
    EXPECT_EQ(result.banner_animation, "Sun Rise.gif");
  }
  EXPECT_EQ(Check("[Options]\nToolbar Name=Test Bar\n" + Items(), "").banner_animation, "");
}

// A GIF of the given screen size and frames, its picture data left out of
// account: the check walks the blocks only.
std::string GifBytes(uint16_t width, uint16_t height, int frames) {
  auto word = [](uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  };
  std::string gif = "GIF89a" + word(width) + word(height) + std::string("\0\0\0", 3);
  for (int i = 0; i < frames; ++i)
    gif += "\x2C" + word(0) + word(0) + word(width) + word(height) +
           std::string("\0\x02\x02\x4C\x01\0", 6);
  return gif + "\x3B";
}

TEST(ConfigCheck, BannerAnimationIsAGifBesideTheConfiguration) {
  struct Case {
    const char* name;
    const char* value;
    const char* file;  // written beside Test.ini; none when empty
    std::string bytes;
    const char* code;  // the one finding, "" for none
    Severity severity;
    const char* message;
  };
  const Case cases[] = {
      {"fits", "Anim.gif", "Anim.gif", GifBytes(105, 22, 3), "", N, ""},
      {"found without regard to case", "anim.GIF", "Anim.gif", GifBytes(105, 22, 3), "", N, ""},
      {"missing", "Anim.gif", "", "", "animation-missing", W, "there is no Anim.gif"},
      {"a folder", "art\\Anim.gif", "", "", "animation-name", W, "without a folder"},
      {"not a GIF", "Anim.gif", "Anim.gif", Bitmap(105, 22), "animation-unreadable", W,
       "not a GIF picture"},
      {"cut short", "Anim.gif", "Anim.gif", GifBytes(105, 22, 2).substr(0, 30),
       "animation-unreadable", W, "cut short"},
      {"too many frames", "Anim.gif", "Anim.gif",
       GifBytes(1, 1, static_cast<int>(kMaxAnimationFrames) + 1), "animation-unreadable", W,
       "more than 500 frames"},
      {"too large", "Anim.gif", "Anim.gif", GifBytes(2000, 1000, 1), "animation-unreadable", W,
       "larger than"},
      {"larger than the banner", "Anim.gif", "Anim.gif", GifBytes(210, 44, 2), "animation-size", N,
       "it shows at 105 by 22"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    static int counter = 0;
    const fs::path folder =
        fs::temp_directory_path() /
        ("pq-check-anim-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    fs::create_directories(folder);
    // The key in [Options], after the block's other keys.
    std::string text = kOptionsBlock;
    text.insert(text.find("\n\n") + 1, std::string("Banner Animation=") + c.value + "\n");
    std::ofstream(folder / "Test.ini", std::ios::binary) << text << Items();
    std::ofstream(folder / "Test.bmp", std::ios::binary) << Bitmap(105, 22);
    if (*c.file) std::ofstream(folder / c.file, std::ios::binary) << c.bytes;
    const CheckResult result = CheckConfiguration((folder / "Test.ini").string(), {});
    fs::remove_all(folder);
    std::vector<const Finding*> about;
    for (const Finding& f : result.findings)
      if (f.code.starts_with("animation")) about.push_back(&f);
    if (!*c.code) {
      EXPECT_TRUE(about.empty()) << Describe(result.findings);
      continue;
    }
    ASSERT_EQ(about.size(), 1u) << Describe(result.findings);
    EXPECT_EQ(about[0]->code, c.code);
    EXPECT_EQ(about[0]->severity, c.severity);
    EXPECT_EQ(about[0]->line, 7);  // the key's line
    EXPECT_NE(about[0]->message.find(c.message), std::string::npos) << about[0]->message;
  }
}

TEST(ConfigCheck, TreeListsItemsThatAreNeverShownOrBuilt) {
  const CheckResult result =
      Check(kOptionsBlock +
                std::string("[Toolbar Items]\nLost=\nBad Item=\nAfter=\n[Lost]\nParent=Nowhere\n"),
            "");
  for (const char* text : {"Never shown (no place on the toolbar):\n  Lost",
                           "Construction stops at Bad Item; never built:\n  After\n"})
    EXPECT_NE(result.tree.find(text), std::string::npos) << text << "\n" << result.tree;
}

// A file an update may well bring: 20,000 submenus, one in the other.
TEST(ConfigCheck, DeepNestingIsReportedOnceWhereItPassesTheLimit) {
  std::map<std::string, int> lines;
  const CheckResult result = Check(Unmarked(kOptionsBlock + NestedItems(20000, 32), lines), "");
  ASSERT_EQ(result.Count(Severity::Warning), 2) << Describe(result.findings);
  const auto deep = std::find_if(result.findings.begin(), result.findings.end(),
                                 [](const Finding& f) { return f.code == "too-deep"; });
  ASSERT_NE(deep, result.findings.end()) << Describe(result.findings);
  EXPECT_EQ(deep->line, lines["deep"]);
  EXPECT_NE(deep->message.find("nor are the 19967 entries under it"), std::string::npos)
      << deep->message;
  // The tree shows the 32 levels built and names what is not.
  EXPECT_NE(result.tree.find("\n" + std::string(2 + 2 * 31, ' ') + "Level31SubMenu"),
            std::string::npos);
  const std::string shown = result.tree.substr(0, result.tree.find("Never built"));
  EXPECT_EQ(shown.find("Level32SubMenu"), std::string::npos) << "shown as built";
  EXPECT_NE(result.tree.find("Never built (deeper than 32 levels):\n"
                             "  Level32SubMenu and the 19967 entries under it\n"),
            std::string::npos)
      << result.tree.substr(result.tree.size() - std::min<size_t>(result.tree.size(), 500));
}

// --- the update address, fetched

// A listening or just closed socket on 127.0.0.1, and its port.
int Loopback(int& port, bool listening) {
  const int socket_id = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(socket_id, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      (listening && listen(socket_id, 4) != 0) ||
      getsockname(socket_id, reinterpret_cast<sockaddr*>(&address), &size) != 0)
    throw std::runtime_error("no loopback socket");
  port = ntohs(address.sin_port);
  if (!listening) close(socket_id);
  return socket_id;
}

// Answers every connection with one fixed response.
class OneAnswerServer {
 public:
  explicit OneAnswerServer(std::string response)
      : response_(std::move(response)), listener_(Loopback(port_, true)), thread_([this] {
          for (int client; (client = accept(listener_, nullptr, nullptr)) >= 0; close(client)) {
            char request[4096];
            (void)!read(client, request, sizeof request);
            (void)!write(client, response_.data(), response_.size());
          }
        }) {}
  ~OneAnswerServer() {
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    thread_.join();
  }
  int port() const { return port_; }

 private:
  std::string response_;
  int port_ = 0;
  int listener_;
  std::thread thread_;
};

std::string HttpResponse(const std::string& status, const std::string& body) {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

struct OnlineCase {
  const char* name;
  std::string response;  // the answer to every request; empty: nothing answers
  std::vector<std::pair<std::string, Severity>> findings;
  bool signed_updates = false;  // the configuration names an Update Key
};

void PrintTo(const OnlineCase& c, std::ostream* out) { *out << c.name; }

class UpdateSourceTable : public ::testing::TestWithParam<OnlineCase> {};

TEST_P(UpdateSourceTable, ReportsWhatTheUpdateAddressServes) {
  const OnlineCase& c = GetParam();
  std::unique_ptr<OneAnswerServer> server;
  int port = 0;  // a port that was just given back: nothing listens on it
  if (c.response.empty())
    Loopback(port, false);
  else
    port = (server = std::make_unique<OneAnswerServer>(c.response))->port();
  std::string options = kOptionsBlock;
  options.insert(
      options.size() - 1,
      "Updates URL=http://127.0.0.1:" + std::to_string(port) + "/bar\n" +
          (c.signed_updates ? std::string("Update Key=") + kKey + "\nConfig Version=5\n" : ""));

  CurlInternet internet;
  CheckOptions check;
  check.internet = &internet;
  check.online = true;
  const CheckResult result = Check(options + Items(), Bitmap(105, 22), check);
  std::vector<std::pair<std::string, Severity>> online;
  for (const Finding& finding : result.findings) {
    // The address's own, and the file's encoding: tested above.
    if (finding.code == "updates-unsigned" || finding.code == "encoding") continue;
    online.emplace_back(finding.code, finding.severity);
    EXPECT_EQ(finding.line, 7) << finding.code;
  }
  EXPECT_EQ(online, c.findings) << Describe(result.findings);
}

const std::string kServedConfig =
    HttpResponse("200 OK", "[Options]\r\nToolbar Name=Test Bar\r\n[Toolbar Items]\r\n");

const OnlineCase kOnlineCases[] = {
    {"Configuration", kServedConfig, {{"update-ok", N}}},
    {"ConfigurationOfAnotherToolbar",
     HttpResponse("200 OK", "[Options]\r\nToolbar Name=Other Bar\r\n"),
     {{"update-name", W}}},
    {"ErrorPage", HttpResponse("404 Not Found", "<html>Not here</html>"), {{"update-invalid", E}}},
    {"NoAnswer", "", {{"update-unreachable", E}}},
    // The signature's address answers with the configuration too.
    {"SignedConfigurationWithoutSignature",
     kServedConfig,
     {{"update-ok", N}, {"update-signature", E}},
     true},
    // A file not newer than what toolbars may have installed is refused by them.
    {"SignedConfigurationNotNewerThanTheServedOne",
     HttpResponse("200 OK", "[Options]\r\nToolbar Name=Test Bar\r\nConfig Version=5\r\n"),
     {{"update-ok", N}, {"update-version", E}, {"update-signature", E}},
     true},
};

// What a suggestion service answers to a typed letter.
struct SuggestCase {
  const char* name;
  std::string response;  // empty: nothing answers
  std::pair<std::string, Severity> finding;
};

void PrintTo(const SuggestCase& c, std::ostream* out) { *out << c.name; }

class SuggestionServiceTable : public ::testing::TestWithParam<SuggestCase> {};

TEST_P(SuggestionServiceTable, ReportsWhetherTheServiceAnswersInTheFormat) {
  const SuggestCase& c = GetParam();
  std::unique_ptr<OneAnswerServer> server;
  int port = 0;
  if (c.response.empty())
    Loopback(port, false);
  else
    port = (server = std::make_unique<OneAnswerServer>(c.response))->port();
  CurlInternet internet;
  CheckOptions check;
  check.internet = &internet;
  check.online = true;
  std::string options = kOptionsBlock;
  options.insert(options.size() - 1,
                 "Suggest URL=http://127.0.0.1:" + std::to_string(port) + "/ac?q=[SEARCH]\n");
  const CheckResult result = Check(options + Items(), Bitmap(105, 22), check);
  std::vector<std::pair<std::string, Severity>> found;
  for (const Finding& finding : result.findings)
    if (finding.code.starts_with("suggest-")) found.emplace_back(finding.code, finding.severity);
  EXPECT_EQ(found, (std::vector<std::pair<std::string, Severity>>{c.finding}))
      << Describe(result.findings);
}

const SuggestCase kSuggestCases[] = {
    {"Answers", HttpResponse("200 OK", R"(["a",["apple","ant"]])"), {"suggest-ok", N}},
    {"AnswersWithMoreMembers", HttpResponse("200 OK", R"(["a",["apple"],[""],{"x":1}])"),
     {"suggest-ok", N}},
    {"AnswersAnObject", HttpResponse("200 OK", R"({"a":["apple"]})"), {"suggest-invalid", W}},
    {"AnswersHtml", HttpResponse("200 OK", "<html>a</html>"), {"suggest-invalid", W}},
    {"AnswersAnError", HttpResponse("500 Server Error", R"(["a",["apple"]])"),
     {"suggest-invalid", W}},
    {"NoAnswer", "", {"suggest-invalid", W}},
};

INSTANTIATE_TEST_SUITE_P(Online, SuggestionServiceTable, ::testing::ValuesIn(kSuggestCases),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Online, UpdateSourceTable, ::testing::ValuesIn(kOnlineCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A key made with ./run keygen's openssl, and its signature over kSignedBody
// as ./run sign writes it.
constexpr char kVectorKey[] =
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAErVeUTgJOmF4RfoC+zryCBZ8dc4W5uuvvV1YXQwAsQbRtHyJonTsoMYCb"
    "O1tePVCCmknlQe06b5WjfDcGcegFhQ==";
const std::string kSignedBody = "[Options]\r\nToolbar Name=Test Bar\r\n";
const std::string kVectorSignature = [] {
  const std::string hex =
      "3046022100f36b9e8e18a655bd2b1ad4e4d854650e769bf107dcbdba652614b3d2710177f4022100ef5ba2fe5d"
      "706b52ce3851d072c3faa2496ea89174dd55193bfd2ed6f4130ffc";
  std::string bytes;
  for (size_t i = 0; i < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}();

TEST(OpenSslVerifier, VerifiesOnlyTheSignatureOfTheseBytesWithThisKey) {
  const std::string point = *ParseUpdateKey(kVectorKey);
  const std::string raw = *RawSignatureFromDer(kVectorSignature);
  std::string other_point = point;
  other_point[40] ^= 1;
  std::string other_raw = raw;
  other_raw[63] ^= 1;
  const struct {
    const char* what;
    std::string key, message, signature;
    bool verifies;
  } cases[] = {
      {"the signed bytes", point, kSignedBody, raw, true},
      {"one byte more", point, kSignedBody + " ", raw, false},
      {"another signature", point, kSignedBody, other_raw, false},
      {"another key (no point of the curve)", other_point, kSignedBody, raw, false},
      {"another key", *ParseUpdateKey(kKey), kSignedBody, raw, false},
      {"a short signature", point, kSignedBody, raw.substr(1), false},
      {"a short key", point.substr(1), kSignedBody, raw, false},
  };
  OpenSslVerifier verifier;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(verifier.VerifyP256(c.key, c.message, c.signature), c.verifies);
  }
}

// Answers each path with its own response, anything else with 404.
class PathServer {
 public:
  explicit PathServer(std::map<std::string, std::string> responses)
      : responses_(std::move(responses)), listener_(Loopback(port_, true)), thread_([this] {
          for (int client; (client = accept(listener_, nullptr, nullptr)) >= 0; close(client)) {
            char request[4096] = {};
            (void)!read(client, request, sizeof request - 1);
            std::istringstream line(request);
            std::string method, path;
            line >> method >> path;
            const auto found = responses_.find(path);
            const std::string response =
                found == responses_.end() ? HttpResponse("404 Not Found", "") : found->second;
            (void)!write(client, response.data(), response.size());
          }
        }) {}
  ~PathServer() {
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    thread_.join();
  }
  int port() const { return port_; }

 private:
  std::map<std::string, std::string> responses_;
  int port_ = 0;
  int listener_;
  std::thread thread_;
};

TEST(ConfigCheckOnline, SaysWhetherTheServedSignatureVerifiesWithTheKey) {
  const struct {
    const char* what;
    const char* key;  // the checked file's "Update Key"
    std::string served;
    std::vector<std::pair<std::string, Severity>> findings;
  } cases[] = {
      {"the signature of the served file", kVectorKey, kSignedBody,
       {{"update-ok", N}, {"update-signed", N}}},
      {"a signature of other bytes", kVectorKey, kSignedBody + "[Toolbar Items]\r\n",
       {{"update-ok", N}, {"update-signature", E}}},
      {"a signature made with another key", kKey, kSignedBody,
       {{"update-ok", N}, {"update-signature", E}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PathServer server({{"/bar/toolbar.ini", HttpResponse("200 OK", c.served)},
                       {"/bar/toolbar.ini.sig", HttpResponse("200 OK", kVectorSignature)}});
    std::string options = kOptionsBlock;
    options.insert(options.size() - 1, "Updates URL=http://127.0.0.1:" +
                                           std::to_string(server.port()) + "/bar\nUpdate Key=" +
                                           c.key + "\nConfig Version=5\n");
    CurlInternet internet;
    OpenSslVerifier verifier;
    CheckOptions check;
    check.internet = &internet;
    check.online = true;
    check.verifier = &verifier;
    const CheckResult result = Check(options + Items(), Bitmap(105, 22), check);
    std::vector<std::pair<std::string, Severity>> online;
    for (const Finding& finding : result.findings)
      if (finding.code.starts_with("update-") && finding.code != "updates-unsigned")
        online.emplace_back(finding.code, finding.severity);
    EXPECT_EQ(online, c.findings) << Describe(result.findings);
  }
}

}  // namespace
}  // namespace pq::check
