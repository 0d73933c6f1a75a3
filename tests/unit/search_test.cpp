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
  std::string Opened(const std::string& url_template, const std::string& query) {
    host->log.clear();
    form->RunSearch(url_template, query);
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
      {"http://s.example/?q=[Search]", "caf\xE9 ?=/", "http://s.example/?q=caf\xE9+?=/"},
      {"http://s.example/?a=[SEARCH]&b=[SEARCH]", "x y", "http://s.example/?a=x+y&b=[SEARCH]"},
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

TEST_F(SearchTest, HistoryReceivesTheTextAsTypedAndOnlyWhenThereIsOne) {
  view.search_text = "C++ & more";
  form->RunSearch("http://s.example/?q=[SEARCH]", "C++ & more");
  form->RunSearch("http://s.example/?q=[SEARCH]", "");
  EXPECT_EQ(ReadFile(HistoryPath()), "C++ & more\r\n");
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
