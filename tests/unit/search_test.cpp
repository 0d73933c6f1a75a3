// Searching: the query put into the search type's address template, the
// Enter key, and the search box's editing commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "toolbar_window_fixture.h"

namespace pq {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SearchTest : public ToolbarWindowTest {
 protected:
  SearchTest() { Open(); }
  std::string Opened(const std::string& url_template, const std::string& query,
                     const std::string& encoding = "") {
    host->log.clear();
    form->RunSearch(url_template, query, encoding);
    return host->log.empty() ? "<nothing>" : host->log.back().substr(sizeof "navigate");
  }
};

struct QueryCase {
  const char* url_template;
  const char* query;
  const char* url;
};

TEST_F(SearchTest, QueryTakesThePlaceOfTheFirstPlaceholder) {
  const QueryCase cases[] = {
      // In the query part the characters that would change the request are escaped.
      {"http://s.example/?q=[SEARCH]", "C++ & AT&T 50% #1",
       "http://s.example/?q=C%2B%2B+%26+AT%26T+50%25+%231"},
      {"http://s.example/?q=[search]&lang=en", "tab\there",
       "http://s.example/?q=tab%09here&lang=en"},
      {"http://s.example/?q=[Search]", "caf\xC3\xA9 ?=/", "http://s.example/?q=caf%C3%A9+?=/"},
      {"http://s.example/?a=[SEARCH]&b=[SEARCH]", "x y", "http://s.example/?a=x+y&b=[SEARCH]"},
      // Only ASCII letters match in either case: a character whose folded
      // form is shorter ("\u017F" folds to "s") neither matches nor moves the place.
      {"http://s.example/\xC5\xBF/?q=[SEARCH]", "x", "http://s.example/\xC5\xBF/?q=x"},
      {"http://s.example/?q=[\xC5\xBF"
       "earch]",
       "x",
       "http://s.example/?q=[\xC5\xBF"
       "earch]x"},
      {"http://s.example/?q=", "a+b c", "http://s.example/?q=a%2Bb+c"},
      // Elsewhere only blanks change.
      {"http://s.example/[SEARCH]/all?x=1", "C++ & 50%", "http://s.example/C+++&+50%/all?x=1"},
      {"[SEARCH]", "a&b c#", "a&b+c#"},
      {"http://s.example/wiki/", "New York", "http://s.example/wiki/New+York"},
      // Control characters are escaped wherever the query goes.
      {"http://s.example/wiki/[SEARCH]", "line\nbreak\x7F\x01",
       "http://s.example/wiki/line%0Abreak%7F%01"},
      // An empty query removes the placeholder; an empty template is the configured one.
      {"http://s.example/?q=[SEARCH]&x=1", "", "http://s.example/?q=&x=1"},
      {"", "fjord", "http://find.example/s?q=fjord"},
  };
  for (const QueryCase& c : cases) {
    SCOPED_TRACE(c.url_template);
    EXPECT_EQ(Opened(c.url_template, c.query), c.url);
  }
}

// "ж é € 中": Cyrillic, Latin, a sign and a Han character, which no single
// 8-bit code page holds all of.
constexpr char kMixed[] = "\xD0\xB6 \xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD";
constexpr char kMixedUtf8[] = "%D0%B6+%C3%A9+%E2%82%AC+%E4%B8%AD";

struct EncodingCase {
  const char* url_template;
  const char* encoding;
  const char* query;
  std::string url;
};

TEST_F(SearchTest, CharactersBeyondAsciiAreEscapedInTheEnginesEncoding) {
  const std::string query_part = "http://s.example/find?q=";
  const std::string path = "http://s.example/wiki/";
  const EncodingCase cases[] = {
      // The query part: UTF-8 unless the engine names its code page. What
      // that code page cannot hold goes as a form sends it, "&#N;" escaped.
      {"http://s.example/find?q=[SEARCH]", "", kMixed, query_part + kMixedUtf8},
      {"http://s.example/find?q=[SEARCH]", "windows-1251", kMixed,
       query_part + "%E6+%26%23233%3B+%88+%26%2320013%3B"},
      {"http://s.example/find?q=[SEARCH]", "windows-1252", kMixed,
       query_part + "%26%231078%3B+%E9+%80+%26%2320013%3B"},
      // Every byte of a character is escaped, also one that is ASCII alone.
      {"http://s.example/find?q=[SEARCH]", "shift_jis", kMixed,
       query_part + "%84%77+%26%23233%3B+%26%238364%3B+%92%86"},
      {"http://s.example/find?q=[SEARCH]", "koi8-r", kMixed,
       query_part + "%D6+%26%23233%3B+%26%238364%3B+%26%2320013%3B"},
      {"http://s.example/find?q=[SEARCH]", "Windows-1251", "\xD0\xB6\xD1\x83\xD0\xBA",
       query_part + "%E6%F3%EA"},
      {"http://s.example/find?q=[SEARCH]", "KOI8-R", "\xD0\xB6\xD1\x83\xD0\xBA",
       query_part + "%D6%D5%CB"},
      {"http://s.example/find?q=[SEARCH]", "UTF-8", kMixed, query_part + kMixedUtf8},
      {"http://s.example/find?q=[SEARCH]", "no-such-charset", kMixed, query_part + kMixedUtf8},
      // The escapes of the query part stay, beside converted characters.
      {"http://s.example/find?q=[SEARCH]", "windows-1251", "C++ & 50%",
       query_part + "C%2B%2B+%26+50%25"},
      {"http://s.example/find?q=[SEARCH]", "windows-1251", "\xD0\xA6++ 100%\t#",
       query_part + "%D6%2B%2B+100%25%09%23"},
      {"http://s.example/find?q=[SEARCH]&lang=ru", "shift_jis", "\xE6\x97\xA5\xE6\x9C\xAC",
       query_part + "%93%FA%96%7B&lang=ru"},
      // Without a placeholder after a "?" the query part ends the address.
      {"http://s.example/find?q=", "", kMixed, query_part + kMixedUtf8},
      {"http://s.example/find?q=", "koi8-r", "\xD1\x89\xD0\xB8 C++", query_part + "%DD%C9+C%2B%2B"},
      // A path is UTF-8 whatever the engine, and keeps "+", "&" and "%".
      {"http://s.example/wiki/[SEARCH]", "", kMixed, path + kMixedUtf8},
      {"http://s.example/wiki/[SEARCH]", "windows-1251", kMixed, path + kMixedUtf8},
      {"http://s.example/wiki/[SEARCH]", "shift_jis", "C++ & 50% \xE4\xB8\xAD",
       path + "C+++&+50%+%E4%B8%AD"},
      {"http://s.example/wiki/", "windows-1252", kMixed, path + kMixedUtf8},
      {"http://s.example/[SEARCH]?q=1", "koi8-r", kMixed,
       "http://s.example/" + std::string(kMixedUtf8) + "?q=1"},
      // Bytes that are no UTF-8 (a lone byte, a cut sequence, a surrogate)
      // are escaped as themselves, never lost.
      {"http://s.example/find?q=[SEARCH]", "", "caf\xE9 \xE4\xB8", query_part + "caf%E9+%E4%B8"},
      {"http://s.example/find?q=[SEARCH]", "windows-1251", "\xFF\xD0\xB6\xED\xA0\x80",
       query_part + "%FF%E6%ED%A0%80"},
      {"http://s.example/wiki/[SEARCH]", "", "a\x80/b", path + "a%80/b"},
  };
  for (const EncodingCase& c : cases) {
    SCOPED_TRACE(std::string(c.url_template) + " " + c.encoding + " " + c.query);
    EXPECT_EQ(Opened(c.url_template, c.query, c.encoding), c.url);
  }
}

TEST_F(SearchTest, TheConfiguredSearchAddressIsUtf8WhateverTheEncoding) {
  EXPECT_EQ(Opened("", kMixed, "windows-1251"),
            std::string("http://find.example/s?q=") + kMixedUtf8);
}

// Search types and search links carry their engine's encoding from the
// configuration to the address.
constexpr char kEncodedItems[] =
    "[Toolbar Items]\r\nmiSearch=\r\nRu=\r\nJp=\r\nWeb=\r\nNoAddress=\r\nRuLink=\r\n"
    "[miSearch]\r\nParent=Toolbar\r\nCount=4\r\n"
    "[Ru]\r\nParent=miSearch\r\nTag=1\r\nGroupIndex=1\r\nEncoding=windows-1251\r\n"
    "URL=http://ru.example/?text=[SEARCH]\r\n"
    "[Jp]\r\nParent=miSearch\r\nTag=2\r\nGroupIndex=1\r\nEncoding=Shift_JIS\r\n"
    "URL=http://jp.example/search?p=[SEARCH]\r\n"
    "[Web]\r\nParent=miSearch\r\nTag=3\r\nGroupIndex=1\r\nURL=http://web.example/?q=[SEARCH]\r\n"
    "[NoAddress]\r\nParent=miSearch\r\nTag=4\r\nGroupIndex=1\r\nEncoding=koi8-r\r\n"
    "[RuLink]\r\nParent=Toolbar\r\nEncoding=koi8-r\r\nURL=http://ru.example/wiki?t=[SEARCH]\r\n";

class ConfiguredSearchTest : public ToolbarWindowTest {
 protected:
  // The address opened by a window started with `search_type` brought back,
  // after a click on `clicked` (a search link searches at once; anything
  // else is followed by Enter in the search box).
  std::string Searched(const char* search_type, const std::string& clicked, const char* typed) {
    WriteConfig(kEncodedItems);
    registry.PutText(RegRoot::LocalMachine, kBandKey, "Search Type", search_type);
    Open();
    host->log.clear();
    view.search_text = typed;
    if (!clicked.empty()) Click(clicked);
    if (clicked != "RuLink") Search(typed);
    return host->log.empty() ? "<nothing>" : host->log.back().substr(sizeof "navigate");
  }
};

struct ConfiguredCase {
  const char* search_type;  // brought back at the start
  const char* clicked;      // "" for none
  const char* typed;
  const char* url;
};

TEST_F(ConfiguredSearchTest, SearchTypesAndLinksSendTheirEncoding) {
  const ConfiguredCase cases[] = {
      {"1", "", "\xD0\xB6\xD1\x83\xD0\xBA", "http://ru.example/?text=%E6%F3%EA"},
      {"1", "Jp", "\xE6\x97\xA5\xE6\x9C\xAC", "http://jp.example/search?p=%93%FA%96%7B"},
      {"2", "Web", "\xD0\xB6", "http://web.example/?q=%D0%B6"},
      {"3", "Ru", "\xE4\xB8\xAD", "http://ru.example/?text=%26%2320013%3B"},
      // A search type without an address searches with "Search URL", in UTF-8.
      {"4", "", "\xD0\xB6", "http://find.example/s?q=%D0%B6"},
      // A search link has its own encoding, whatever search type is chosen.
      {"2", "RuLink", "\xD1\x89\xD0\xB8", "http://ru.example/wiki?t=%DD%C9"},
  };
  for (const ConfiguredCase& c : cases) {
    SCOPED_TRACE(std::string(c.search_type) + " " + c.clicked);
    EXPECT_EQ(Searched(c.search_type, c.clicked, c.typed), c.url);
  }
}

TEST_F(SearchTest, HistoryReceivesTheTextAsTypedAndOnlyWhenThereIsOne) {
  view.search_text = "C++ & more";
  form->RunSearch("http://s.example/?q=[SEARCH]", "C++ & more");
  form->RunSearch("http://s.example/?q=[SEARCH]", "");
  EXPECT_EQ(ReadFile(HistoryPath()), kHistoryMark + "C++ & more\r\n");
  EXPECT_THAT(view.search_list, ElementsAre("C++ & more"));
}

TEST_F(SearchTest, EnterSearchesOnceAndIsConsumedOtherKeysAreNot) {
  view.search_text = "fjord";
  char enter = '\r', letter = 'a';
  form->SearchBoxKeyPress(letter);
  form->SearchBoxKeyPress(enter);
  EXPECT_EQ(letter, 'a');
  EXPECT_EQ(enter, '\0');
  EXPECT_THAT(host->log, ElementsAre("navigate http://find.example/s?q=fjord"));
  // A failing search is shown, and the key is still the box's no more.
  host->fail = "Offline";
  enter = '\r';
  form->SearchBoxKeyPress(enter);
  EXPECT_EQ(enter, '\0');
  EXPECT_THAT(Messages(), ElementsAre("Offline."));
}

struct EditCase {
  const char* command;
  std::optional<std::string> clipboard_before;
  std::string text_after;
  std::optional<std::string> clipboard_after;
};

TEST_F(SearchTest, EditingCommandsWorkOnTheWholeTextOrTheSelection) {
  const EditCase cases[] = {
      {"miCut", std::nullopt, "", "whole text"},
      {"miCopy", std::nullopt, "whole text", "text"},
      {"miPaste", "pasted", "pasted", "pasted"},
      {"miPaste", std::nullopt, "whole text", std::nullopt},
      {"miDelete", "kept", "", "kept"},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.command);
    view.search_text = "whole text";
    view.selection = "text";
    ui.clipboard = c.clipboard_before;
    Click(c.command);
    EXPECT_EQ(view.search_text, c.text_after);
    EXPECT_EQ(ui.clipboard, c.clipboard_after);
  }
  Click("miSelectAll");
  EXPECT_TRUE(view.all_selected);
  EXPECT_THAT(view.search_list, IsEmpty());
}

}  // namespace
}  // namespace pq
