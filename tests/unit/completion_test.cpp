// The search box's completion: which history entries match the typed text and
// in what order, what a suggestion service's answer yields, and when the
// toolbar asks for suggestions at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/thread_background.h"
#include "toolbar/completion.h"
#include "toolbar_window_fixture.h"

namespace pq {
namespace {

TStringList ListOf(const std::vector<std::string>& entries) {
  TStringList list;
  for (const std::string& entry : entries) list.Add(entry);
  return list;
}

std::vector<std::string> Entries(const TStringList& list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list.Count(); ++i) entries.emplace_back(list[i]);
  return entries;
}

TEST(StartsWithTextTest, ComparesLettersWithoutRegardToCase) {
  struct Case {
    std::string entry, prefix;
    bool starts;
  } cases[] = {
      {"Apple pie", "app", true},
      {"apple pie", "APPLE P", true},
      {"apple", "apple", true},
      {"apple", "apples", false},
      {"pineapple", "apple", false},
      {"\xC3\x84pfel", "\xC3\xA4p", true},                    // Äpfel, äp
      {"\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", "\xD0\xBC\xD0\x9E", true},  // Москва, мО
      {"\xC3\x84pfel", "a", false},                           // no accent folding
      {"abc", "", true},
      {"", "a", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StartsWithText(c.entry, c.prefix), c.starts) << c.entry << " / " << c.prefix;
}

TEST(HistoryMatchesTest, RecentFirstThenTheHistorysOrder) {
  const TStringList history =
      ListOf({"apple", "Apricot", "banana", "apple pie", "application", "Avocado"});
  struct Case {
    const char* name;
    std::vector<std::string> recent;
    std::string typed;
    size_t limit;
    std::vector<std::string> expected;
  } cases[] = {
      {"no recent searches", {}, "ap", 50, {"apple", "Apricot", "apple pie", "application"}},
      {"recent ones lead, newest first",
       {"application", "banana", "APRICOT"},
       "ap",
       50,
       {"application", "Apricot", "apple", "apple pie"}},
      {"a recent search no longer in the history is left out",
       {"apex"},
       "ap",
       50,
       {"apple", "Apricot", "apple pie", "application"}},
      {"the typed text in another case", {}, "APPLE", 50, {"apple", "apple pie"}},
      {"nothing starts so", {"apple"}, "cherry", 50, {}},
      {"the empty text matches nothing", {"apple"}, "", 50, {}},
      {"cut at the limit", {"application"}, "a", 3, {"application", "apple", "Apricot"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Entries(HistoryMatches(history, c.recent, c.typed, c.limit)), c.expected) << c.name;
}

TEST(HistoryMatchesTest, EntriesAlikeWithoutCaseShowOnce) {
  const TStringList history = ListOf({"Apple", "apple", "APPLE tree"});
  EXPECT_EQ(Entries(HistoryMatches(history, {"apple"}, "app")),
            (std::vector<std::string>{"Apple", "APPLE tree"}));
}

TEST(ParseSuggestionsTest, AnswersOfEveryShape) {
  const std::string many = [] {
    std::string body = "[\"q\",[";
    for (int i = 0; i < 20; ++i) body += (i ? ",\"s" : "\"s") + std::to_string(i) + "\"";
    return body + "]]";
  }();
  const std::string too_long = "[\"q\",[\"" + std::string(kMaxSuggestionLength + 1, 'x') + "\",\"ok\"]]";
  struct Case {
    const char* name;
    std::string body;
    bool parsed;
    std::string query;
    std::vector<std::string> suggestions;
  } cases[] = {
      {"the usual answer", R"(["ap",["apple","apricot"]])", true, "ap", {"apple", "apricot"}},
      {"further members are ignored",
       R"(["ap",["apple"],["Apple Inc."],[],{"google:suggesttype":["QUERY"]}])",
       true,
       "ap",
       {"apple"}},
      {"no suggestions", R"(["ap",[]])", true, "ap", {}},
      {"members that are no text are left out", R"(["ap",[1,"apple",null,["x"],{"a":1},true]])",
       true, "ap", {"apple"}},
      {"empty, repeated and multi-line ones too", R"(["ap",["","apple","APPLE","a\nb"]])", true,
       "ap", {"apple"}},
      {"beyond ASCII", "[\"\xC3\xA4p\",[\"\xC3\xA4pfel\",\"\\u00e4rger\",\"\xE6\x97\xA5\xE6\x9C\xAC\"]]",
       true, "\xC3\xA4p", {"\xC3\xA4pfel", "\xC3\xA4rger", "\xE6\x97\xA5\xE6\x9C\xAC"}},
      {"cut to eight", many, true, "q", {"s0", "s1", "s2", "s3", "s4", "s5", "s6", "s7"}},
      {"an overlong one is left out", too_long, true, "q", {"ok"}},
      {"the query is no text", R"([1,["apple"]])", false, "", {}},
      {"the suggestions are no array", R"(["ap","apple"])", false, "", {}},
      {"one member only", R"(["ap"])", false, "", {}},
      {"an object", R"({"ap":["apple"]})", false, "", {}},
      {"not JSON", "<html>apple</html>", false, "", {}},
      {"cut short", R"(["ap",["apple")", false, "", {}},
      {"empty", "", false, "", {}},
      {"invalid UTF-8", "[\"ap\",[\"\xFF\xFE\"]]", false, "", {}},
  };
  for (const Case& c : cases) {
    const auto answer = ParseSuggestions(c.body);
    ASSERT_EQ(answer.has_value(), c.parsed) << c.name;
    if (!answer) continue;
    EXPECT_EQ(answer->query, c.query) << c.name;
    EXPECT_EQ(answer->suggestions, c.suggestions) << c.name;
  }
}

// A suggestion is one line of text as the box shows it. A NUL ends the text
// there for the system's controls: the list would show "apps" twice, and
// choosing the second would search for less than the entry holds. Other
// control characters and the line separators beyond ASCII are no query
// anyone typed either.
TEST(ParseSuggestionsTest, SuggestionsWithControlCharactersOrLineSeparatorsAreLeftOut) {
  const struct {
    const char* name;
    const char* member;
  } cases[] = {
      {"NUL", R"("apps\u0000 evil")"},
      {"escape", R"("apps\u001b[31m")"},
      {"vertical tab", R"("apps\u000bx")"},
      {"next line", R"("apps\u0085x")"},
      {"line separator", R"("apps\u2028x")"},
      {"paragraph separator", R"("apps\u2029x")"},
  };
  for (const auto& c : cases) {
    const auto answer = ParseSuggestions(std::string(R"(["ap",["apps",)") + c.member + "]]");
    ASSERT_TRUE(answer.has_value()) << c.name;
    EXPECT_EQ(answer->suggestions, (std::vector<std::string>{"apps"})) << c.name;
  }
}

TEST(ParseSuggestionsTest, DeeplyNestedInputIsRefusedWithoutHarm) {
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  EXPECT_FALSE(ParseSuggestions(deep).has_value());
}

TEST(FetchSuggestionsTest, AnswersBeyondTheCapsOrFailedAreNone) {
  const std::string answer = R"(["ap",["apple"]])";
  const std::string huge = "[\"ap\",[\"" + std::string(kMaxSuggestionBytes, 'x') + "\"]]";
  using Ending = fakes::FakeResponse::Ending;
  auto response = [](std::string body, auto change) {
    fakes::FakeResponse made;
    made.body = std::move(body);
    change(made);
    return made;
  };
  struct Case {
    const char* name;
    fakes::FakeResponse response;
    bool answered;
  } cases[] = {
      {"an answer in pieces", response(answer, [](auto& r) { r.piece_limit = 3; }), true},
      {"announced too long",
       response(answer, [](auto& r) { r.announced = kMaxSuggestionBytes + 1; }), false},
      {"longer than the cap, unannounced", response(huge, [](auto&) {}), false},
      {"endless", response(answer, [](auto& r) { r.ending = Ending::Endless; }), false},
      {"a failed read", response(answer, [](auto& r) { r.ending = Ending::FailedRead; }), false},
      {"an error page", response(answer, [](auto& r) { r.status = 404; }), false},
  };
  for (const Case& c : cases) {
    fakes::FakeInternet internet;
    internet.responses["http://ac.example/?q=ap"] = c.response;
    EXPECT_EQ(FetchSuggestions(internet, "http://ac.example/?q=ap").has_value(), c.answered)
        << c.name;
    EXPECT_EQ(internet.open_resources, 0) << c.name;
  }
  fakes::FakeInternet nothing;
  EXPECT_FALSE(FetchSuggestions(nothing, "http://ac.example/?q=ap").has_value());
}

// A service of an engine that takes another character set than UTF-8 answers
// in it and says so in its Content-Type, as it does for its search pages: a
// browser reads the answer in that set.
TEST(FetchSuggestionsTest, AnAnswerIsReadInTheCharacterSetItDeclares) {
  struct Case {
    const char* name;
    std::string content_type;
    std::string body;
    std::vector<std::string> suggestions;
  } cases[] = {
      {"UTF-8", "application/json; charset=utf-8", "[\"\xC3\xA4p\",[\"\xC3\xA4pfel\"]]",
       {"\xC3\xA4pfel"}},
      {"windows-1252", "application/x-suggestions+json; charset=windows-1252",
       "[\"\xE4p\",[\"\xE4pfel\"]]", {"\xC3\xA4pfel"}},
      {"koi8-r, the name in quotes and capitals", "text/javascript; charset=\"KOI8-R\"",
       "[\"\xCD\",[\"\xCD\xCF\"]]", {"\xD0\xBC\xD0\xBE"}},
  };
  for (const Case& c : cases) {
    fakes::FakeInternet internet;
    fakes::FakeResponse& response = internet.responses["http://ac.example/?q=x"];
    response.body = c.body;
    response.headers["Content-Type"] = c.content_type;
    const auto answer = FetchSuggestions(internet, "http://ac.example/?q=x");
    EXPECT_EQ(answer ? answer->suggestions : std::vector<std::string>{"(none)"}, c.suggestions)
        << c.name;
  }
}

TEST(CompletionEntriesTest, SuggestionsFollowTheMatchesTheyDoNotRepeat) {
  EXPECT_EQ(Entries(CompletionEntries(ListOf({"apple", "Apricot"}),
                                      {"APPLE", "apricots", "ape", "apricot"})),
            (std::vector<std::string>{"apple", "Apricot", "apricots", "ape"}));
}

class CompletionWindowTest : public ToolbarWindowTest {
 protected:
  static constexpr char kSuggest[] = "http://suggest.example/s?q=[SEARCH]";
  CompletionWindowTest() {
    platform.background = &background;
    platform.browsing_mode = &browsing;
    WriteFile(HistoryPath(), kHistoryMark + "apple\r\nApricot\r\nbanana\r\n");
  }
  void Type(const std::string& text) {
    view.search_text = text;
    form->SearchTextChanged();
  }
  void Answer(const std::string& query, const std::string& body) {
    internet.responses[std::string("http://suggest.example/s?q=") + query].body = body;
  }
  // The timer fires, the request runs and its reply reaches the window.
  void Pause() {
    ASSERT_TRUE(view.suggestion_timer.has_value());
    view.suggestion_timer.reset();
    form->SuggestionTimer();
    background.JoinAll();
    form->SuggestionsArrived();
  }
  fakes::ThreadBackground background;
  fakes::FakeBrowsingMode browsing;
};

TEST_F(CompletionWindowTest, TypingShowsMatchesThenSuggestionsBelowThem) {
  ToolbarConfig.SuggestUrl = kSuggest;
  WriteConfig("");
  Answer("ap", R"(["ap",["apple","apple watch","apps"]])");
  Open();
  Type("ap");
  EXPECT_TRUE(view.list_open);
  EXPECT_EQ(view.completion_list, (std::vector<std::string>{"apple", "Apricot"}));
  EXPECT_EQ(view.suggestion_timer, kSuggestionDelayMs);
  Pause();
  EXPECT_EQ(internet.opened, (std::vector<std::string>{"http://suggest.example/s?q=ap"}));
  EXPECT_EQ(view.completion_list,
            (std::vector<std::string>{"apple", "Apricot", "apple watch", "apps"}));
}

TEST_F(CompletionWindowTest, KeysMoveThroughTheListEnterSearchesEscapeRestores) {
  WriteConfig("");
  Open();
  Type("a");
  ASSERT_EQ(view.completion_list, (std::vector<std::string>{"apple", "Apricot"}));
  EXPECT_TRUE(form->SearchBoxNavigate(TToolbarForm::SearchKey::Down));
  EXPECT_TRUE(form->SearchBoxNavigate(TToolbarForm::SearchKey::Down));
  EXPECT_TRUE(form->SearchBoxNavigate(TToolbarForm::SearchKey::Down));  // stays on the last
  EXPECT_EQ(view.completion_chosen, 1);
  EXPECT_EQ(view.search_text, "Apricot");
  EXPECT_TRUE(form->SearchBoxNavigate(TToolbarForm::SearchKey::Up));
  EXPECT_TRUE(form->SearchBoxNavigate(TToolbarForm::SearchKey::Up));
  EXPECT_EQ(view.completion_chosen, -1);
  EXPECT_EQ(view.search_text, "a");
  EXPECT_TRUE(form->SearchBoxNavigate(TToolbarForm::SearchKey::Down));
  EXPECT_TRUE(form->SearchBoxNavigate(TToolbarForm::SearchKey::Escape));
  EXPECT_EQ(view.search_text, "a");
  EXPECT_FALSE(view.list_open);
  EXPECT_FALSE(form->CompletionShown());
  EXPECT_EQ(view.search_list, (std::vector<std::string>{"apple", "Apricot", "banana"}));
  // Closed, the keys are the box's own again.
  EXPECT_FALSE(form->SearchBoxNavigate(TToolbarForm::SearchKey::Down));

  Type("ap");
  form->SearchBoxNavigate(TToolbarForm::SearchKey::Down);
  char enter = '\r';
  form->SearchBoxKeyPress(enter);
  EXPECT_EQ(host->log, (std::vector<std::string>{"navigate http://find.example/s?q=apple"}));
  EXPECT_FALSE(view.list_open);
  EXPECT_EQ(view.search_list, (std::vector<std::string>{"apple", "Apricot", "banana"}));
}

TEST_F(CompletionWindowTest, AListTheUserOpensOrThatClosesShowsTheWholeHistory) {
  ToolbarConfig.SuggestUrl = kSuggest;
  WriteConfig("");
  Answer("a", R"(["a",["ant"]])");
  for (const bool opened_by_user : {true, false}) {
    SCOPED_TRACE(opened_by_user ? "opened by the user" : "closed");
    Open();
    Type("a");
    ASSERT_TRUE(form->CompletionShown());
    if (opened_by_user)
      form->SearchListDropping();
    else
      form->SearchListClosed();
    EXPECT_FALSE(form->CompletionShown());
    EXPECT_EQ(view.search_list, (std::vector<std::string>{"apple", "Apricot", "banana"}));
    EXPECT_EQ(view.search_text, "a");
    // A reply to the ended typing shows nothing.
    form->SuggestionTimer();
    background.JoinAll();
    form->SuggestionsArrived();
    EXPECT_FALSE(form->CompletionShown());
    EXPECT_EQ(view.search_list, (std::vector<std::string>{"apple", "Apricot", "banana"}));
    EXPECT_FALSE(form->SearchBoxNavigate(TToolbarForm::SearchKey::Down));
    form.reset();
  }
}

TEST_F(CompletionWindowTest, TheNewestSearchLeadsTheMatches) {
  WriteConfig("");
  Open();
  Search("Apricot");
  Type("a");
  EXPECT_EQ(view.completion_list, (std::vector<std::string>{"Apricot", "apple"}));
}

TEST_F(CompletionWindowTest, AnAnswerToTextNoLongerInTheBoxIsDropped) {
  ToolbarConfig.SuggestUrl = kSuggest;
  WriteConfig("");
  Answer("ap", R"(["ap",["apps"]])");
  Answer("apr", R"(["apr",["april"]])");
  Open();
  Type("ap");
  view.suggestion_timer.reset();
  form->SuggestionTimer();
  background.JoinAll();
  // The user typed on before the reply was taken.
  Type("apr");
  form->SuggestionsArrived();
  EXPECT_EQ(view.completion_list, (std::vector<std::string>{"Apricot"}));
  // The newer text is asked for once the pause after it passes.
  Pause();
  EXPECT_EQ(view.completion_list, (std::vector<std::string>{"Apricot", "april"}));
  // An answer that comes after the search is dropped too.
  Type("b");
  view.suggestion_timer.reset();
  Answer("b", R"(["b",["blue"]])");
  form->SuggestionTimer();
  background.JoinAll();
  char enter = '\r';
  form->SearchBoxKeyPress(enter);
  form->SuggestionsArrived();
  EXPECT_FALSE(view.list_open);
  EXPECT_EQ(view.search_list, (std::vector<std::string>{"apple", "Apricot", "b", "banana"}));
}

TEST_F(CompletionWindowTest, OneRequestAtATimeTheNewestTextFollows) {
  ToolbarConfig.SuggestUrl = kSuggest;
  WriteConfig("");
  Answer("ap", R"(["ap",["apps"]])");
  Answer("app", R"(["app",["apps"]])");
  Open();
  Type("ap");
  form->SuggestionTimer();
  Type("app");
  form->SuggestionTimer();  // the first is still under way
  background.JoinAll();
  EXPECT_EQ(internet.opened.size(), 1u);
  form->SuggestionsArrived();  // the first's stale reply starts the second
  background.JoinAll();
  form->SuggestionsArrived();
  EXPECT_EQ(internet.opened, (std::vector<std::string>{"http://suggest.example/s?q=ap",
                                                       "http://suggest.example/s?q=app"}));
  EXPECT_EQ(view.completion_list, (std::vector<std::string>{"apple", "apps"}));
}

TEST_F(CompletionWindowTest, NoRequestWithoutServiceForAnEmptyBoxOrInAPrivateWindow) {
  struct Case {
    const char* name;
    std::string suggest_url;
    bool private_session;
    std::string typed;
  } cases[] = {
      {"no service", "", false, "ap"},
      {"a blank service", "  ", false, "ap"},
      {"an empty box", kSuggest, false, ""},
      {"a private window", kSuggest, true, "ap"},
  };
  for (const Case& c : cases) {
    ToolbarConfig.SuggestUrl = c.suggest_url;
    browsing.private_session = c.private_session;
    WriteConfig("");
    Answer("ap", R"(["ap",["apps"]])");
    internet.opened.clear();
    view = fakes::FakeToolbarView();
    Open();
    Type("x");
    Type(c.typed);
    EXPECT_FALSE(view.suggestion_timer.has_value()) << c.name;
    form->SuggestionTimer();  // a timer that fired all the same
    background.JoinAll();
    EXPECT_EQ(background.started, 0) << c.name;
    EXPECT_TRUE(internet.opened.empty()) << c.name;
    form.reset();
  }
}

TEST_F(CompletionWindowTest, ASearchTypeSuggestsWithItsOwnServiceAndEncoding) {
  ToolbarConfig.SuggestUrl = kSuggest;
  WriteConfig(
      "[Toolbar Items]\r\nmiSearch=\r\nWeb=\r\nNews=\r\n"
      "[miSearch]\r\nCaption=Search\r\nCount=2\r\nParent=Toolbar\r\n"
      "[Web]\r\nCaption=Web\r\nParent=miSearch\r\nTag=1\r\nGroupIndex=1\r\n"
      "URL=http://web.example/?q=[SEARCH]\r\nEncoding=windows-1252\r\n"
      "Suggest URL=http://web.example/ac?q=[SEARCH]&c=1\r\n"
      "[News]\r\nCaption=News\r\nParent=miSearch\r\nTag=2\r\nGroupIndex=1\r\n"
      "URL=http://news.example/?q=[SEARCH]\r\n");
  internet.responses["http://web.example/ac?q=%E4+%26&c=1"].body = R"(["\u00e4 &",["\u00e4 & b"]])";
  Open();
  Click("Web");
  Type("\xC3\xA4 &");
  Pause();
  EXPECT_EQ(internet.opened, (std::vector<std::string>{"http://web.example/ac?q=%E4+%26&c=1"}));
  EXPECT_EQ(view.completion_list, (std::vector<std::string>{"\xC3\xA4 & b"}));
  // A search type with an address of its own and no service suggests nothing.
  Click("News");
  Type("ap");
  EXPECT_FALSE(view.suggestion_timer.has_value());
}

// The answer of the service of the search type the user left: the list shows
// another engine's suggestions under the one now chosen, which has none.
TEST_F(CompletionWindowTest, AnAnswerOfTheServiceOfASearchTypeLeftIsDropped) {
  WriteConfig(
      "[Toolbar Items]\r\nmiSearch=\r\nWeb=\r\nNews=\r\n"
      "[miSearch]\r\nCaption=Search\r\nCount=2\r\nParent=Toolbar\r\n"
      "[Web]\r\nCaption=Web\r\nParent=miSearch\r\nTag=1\r\nGroupIndex=1\r\n"
      "URL=http://web.example/?q=[SEARCH]\r\nSuggest URL=http://web.example/ac?q=[SEARCH]\r\n"
      "[News]\r\nCaption=News\r\nParent=miSearch\r\nTag=2\r\nGroupIndex=1\r\n"
      "URL=http://news.example/?q=[SEARCH]\r\n");
  internet.responses["http://web.example/ac?q=zq"].body = R"(["zq",["zq web"]])";
  Open();
  Click("Web");
  Type("zq");
  view.suggestion_timer.reset();
  form->SuggestionTimer();
  background.JoinAll();
  Click("News");
  form->SuggestionsArrived();
  EXPECT_FALSE(view.list_open);
  EXPECT_EQ(view.completion_list, std::vector<std::string>{});
}

TEST_F(CompletionWindowTest, APrivateWindowKeepsNothingAndFetchesNoUpdate) {
  browsing.private_session = true;
  ToolbarConfig.UpdatesUrl = "http://updates.example/bar.ini";
  WriteConfig("");
  registry.PutText(RegRoot::LocalMachine, kBandKey, kSearchTextValue, "earlier");
  Open();
  EXPECT_EQ(browsing.asked, 1);
  Search("secret");
  form->FormDestroy();
  EXPECT_EQ(ReadFile(HistoryPath()), kHistoryMark + "apple\r\nApricot\r\nbanana\r\n");
  EXPECT_EQ(Stored(kSearchTextValue), "earlier");
  EXPECT_TRUE(internet.opened.empty());
  EXPECT_EQ(host->log, (std::vector<std::string>{"navigate http://find.example/s?q=secret"}));
}

TEST_F(CompletionWindowTest, AnOrdinaryWindowKeepsTheSearch) {
  WriteConfig("");
  Open();
  Search("plain");
  form->FormDestroy();
  EXPECT_NE(ReadFile(HistoryPath()).find("plain"), std::string::npos);
  EXPECT_EQ(Stored(kSearchTextValue), "plain");
}

}  // namespace
}  // namespace pq
