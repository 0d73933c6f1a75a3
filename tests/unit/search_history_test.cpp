// The search history: its file shared by all toolbar windows, the search
// box's list, and the history commands of the search box's menu.
#include "toolbar/search_history.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "config/text_file.h"
#include "fakes/forwarding_file_system.h"
#include "platform/file_system.h"
#include "toolbar_window_fixture.h"

namespace pq {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> Entries(const TStringList& list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list.Count(); ++i) entries.emplace_back(list[i]);
  return entries;
}

TStringList ListOf(std::initializer_list<const char*> entries) {
  TStringList list;
  for (const char* entry : entries) list.Add(entry);
  return list;
}

TEST(HistoryLines, EndAtCrLfOrBothAndTheTextAtNul) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\nc", {"a", "b", "c"}},
      {"\r\n\r\n", {"", ""}},
      {"a\n\rb", {"a", "", "b"}},
      {" padded \r\n", {" padded "}},
      {std::string("a\r\nb\0c\r\nd", 10), {"a", "b"}},
  };
  for (const auto& [text, lines] : cases) {
    TStringList read;
    TextToLines(text, read);
    EXPECT_EQ(Entries(read), lines) << ::testing::PrintToString(text);
  }
}

TEST(HistoryLists, SortWithoutRegardToCaseAndKeepTheFirstOfAlikeEntries) {
  EXPECT_THAT(Entries(SortedEntries(ListOf({"b", "B", "a", "", "b"}), true)),
              ElementsAre("", "a", "b"));
  EXPECT_THAT(Entries(SortedEntries(ListOf({"b", "B", "a", "b"}), false)),
              ElementsAre("a", "b", "B", "b"));
  EXPECT_THAT(
      Entries(MergeUnique(ListOf({"Apple", "cherry"}), ListOf({"apple", "banana", "BANANA"}))),
      ElementsAre("Apple", "banana", "cherry"));
  int at = -1;
  EXPECT_EQ(FindSorted(ListOf({"apple", "cherry"}), "CHERRY", &at), 1);
  EXPECT_EQ(FindSorted(ListOf({"apple", "cherry"}), "banana", &at), -1);
  EXPECT_EQ(at, 1);
}

class HistoryTest : public ToolbarWindowTest {
 protected:
  HistoryTest() { WriteConfig("[Toolbar Items]\r\n"); }
};

TEST_F(HistoryTest, FirstSearchCreatesTheFileAndAKnownTextRewritesNothing) {
  Open();
  Search("Fjord");
  EXPECT_EQ(ReadFile(HistoryPath()), kHistoryMark + "Fjord\r\n");
  // Someone else's edit stays: a known text writes nothing.
  WriteFile(HistoryPath(), "fjord\r\nzebra\r\n");
  Search("FJORD");
  EXPECT_EQ(ReadFile(HistoryPath()), "fjord\r\nzebra\r\n");
  // The file's spelling is the one already in the history.
  EXPECT_THAT(view.search_list, ElementsAre("fjord", "zebra"));
  EXPECT_EQ(host->log.size(), 2u);
}

TEST_F(HistoryTest, TwoWindowsShareTheFileThroughTheirNextSearch) {
  Open();
  fakes::FakeToolbarView other_view;
  TToolbarForm other(platform, other_view);
  other.FormCreate();
  Search("from the first");
  other_view.search_text = "from the second";
  char enter = '\r';
  other.SearchBoxKeyPress(enter);
  EXPECT_EQ(ReadFile(HistoryPath()), kHistoryMark + "from the first\r\nfrom the second\r\n");
  EXPECT_THAT(view.search_list, ElementsAre("from the first"));
  // The deleted file's entries come back from what this window last read.
  std::filesystem::remove(HistoryPath());
  Search("again");
  EXPECT_EQ(ReadFile(HistoryPath()), kHistoryMark + "again\r\nfrom the first\r\n");
}

// What one window removes or clears is gone for the windows open beside it,
// and what they added meanwhile stays: each writes the file as it is now,
// with its own change.
TEST_F(HistoryTest, AnotherWindowsRemovalsAndAdditionsHoldAcrossTheNextWrite) {
  const auto remove_b = [](TToolbarForm& other, fakes::FakeToolbarView& other_view) {
    other_view.selected_index = 1;  // "b"
    other.Click(*other.FindComponent("miRemoveSelected"));
  };
  const struct {
    const char* what;
    std::function<void(TToolbarForm& other, fakes::FakeToolbarView& other_view)> in_other;
    bool search_here_first;
    std::string file;  // after the other window's change and the search here
    std::vector<std::string> other_shows;  // when the other window wrote last
  } cases[] = {
      {"removed there", remove_b, false, kHistoryMark + "a\r\nc\r\nhere\r\n", {}},
      {"removed there after the search here", remove_b, true,
       kHistoryMark + "a\r\nc\r\nhere\r\n", {"a", "c", "here"}},
      {"cleared there",
       [this](TToolbarForm& other, fakes::FakeToolbarView&) {
         ui.answer = kIdYes;
         other.Click(*other.FindComponent("miClearSearches"));
       },
       false, kHistoryMark + "here\r\n", {}},
      {"searched there",
       [](TToolbarForm& other, fakes::FakeToolbarView& other_view) {
         other_view.search_text = "there";
         char enter = '\r';
         other.SearchBoxKeyPress(enter);
       },
       false, kHistoryMark + "a\r\nb\r\nc\r\nhere\r\nthere\r\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(HistoryPath(), "a\r\nb\r\nc\r\n");
    view = fakes::FakeToolbarView();
    Open();
    fakes::FakeToolbarView other_view;
    TToolbarForm other(platform, other_view);
    other.FormCreate();
    if (c.search_here_first) Search("here");
    c.in_other(other, other_view);
    if (!c.search_here_first) Search("here");
    EXPECT_EQ(ReadFile(HistoryPath()), c.file);
    if (!c.other_shows.empty()) {
      EXPECT_EQ(other_view.search_list, c.other_shows);
    }
  }
}

TEST_F(HistoryTest, ASearchWhoseWriteFailedIsWrittenWhenSearchedAgain) {
  WriteFile(HistoryPath(), "old\r\n");
  Open();
  std::filesystem::create_directory(HistoryPath() + ".tmp");
  for (int n = 2; n <= 1000; ++n) WriteFile(HistoryPath() + ".tmp" + std::to_string(n), "");
  Search("new");
  ASSERT_EQ(ReadFile(HistoryPath()), "old\r\n");
  std::filesystem::remove(HistoryPath() + ".tmp");
  Search("new");
  EXPECT_EQ(ReadFile(HistoryPath()), kHistoryMark + "new\r\nold\r\n");
}

TEST_F(HistoryTest, ATextOfSeveralLinesIsSearchedButNotRecorded) {
  Open();
  // The box's own paste keeps the first line, as the field's does.
  ui.clipboard = "first line\r\nsecond line";
  Click("miPaste");
  EXPECT_EQ(view.search_text, "first line");
  // A text of several lines that reached the field otherwise.
  Search("one\ntwo");
  EXPECT_EQ(host->log.size(), 1u) << "the search went to its address";
  EXPECT_FALSE(std::filesystem::exists(HistoryPath()));
  EXPECT_THAT(view.search_list, IsEmpty());
}

// A window that reads the history holds it open for a moment, and an open
// file cannot be replaced: the write tries again a few times.
class BusyFiles : public fakes::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  bool Replace(const std::string& from, const std::string& to) override {
    if (busy > 0) {
      --busy;
      return false;
    }
    return ForwardingFileSystem::Replace(from, to);
  }
  int busy = 0;
};

TEST_F(HistoryTest, AHistoryThatIsBusyForAMomentIsWrittenAllTheSame) {
  const struct {
    int busy;  // failed replaces before the file is free
    bool written;
  } cases[] = {{1, true}, {3, true}, {4, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.busy);
    WriteFile(HistoryPath(), "old\r\n");
    ui.shown.clear();
    view = fakes::FakeToolbarView();
    Open();
    BusyFiles files(Files());
    files.busy = c.busy;
    InstallFileSystem(&files);
    Search("new");
    InstallFileSystem(nullptr);
    EXPECT_EQ(ReadFile(HistoryPath()), c.written ? kHistoryMark + "new\r\nold\r\n" : "old\r\n");
    EXPECT_EQ(Messages().empty(), c.written);
    EXPECT_EQ(std::filesystem::exists(HistoryPath() + ".tmp"), false) << "no scratch left";
  }
}

TEST_F(HistoryTest, LongFileWithEveryLineEndLoadsSortedWithoutDuplicates) {
  std::string text;
  for (int i = 0; i < 100000; ++i) {
    const std::string entry = "Query " + std::to_string(i % 40000);
    text += (i % 2 ? LowerCase(entry) : entry) + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
  }
  text += "\r\n\r\n";
  text += std::string("after a nul\0never read\r\n", 25);
  WriteFile(HistoryPath(), text);
  Open();
  ASSERT_EQ(view.search_list.size(), 40002u);
  EXPECT_EQ(view.search_list[0], "");
  EXPECT_EQ(view.search_list[1], "after a nul");
  EXPECT_EQ(view.search_list[2], "Query 0");
  EXPECT_EQ(view.search_list[3], "query 1");
}

TEST_F(HistoryTest, FailedWriteStopsTheSearchAndLosesNothing) {
  WriteFile(HistoryPath(), "old\r\n");
  Open();
  // Nothing can be created beside the history file.
  std::filesystem::create_directory(HistoryPath() + ".tmp");
  WriteFile(HistoryPath() + ".tmp2", "");
  for (int n = 3; n <= 1000; ++n) WriteFile(HistoryPath() + ".tmp" + std::to_string(n), "");
  Search("new");
  EXPECT_THAT(Messages(), ElementsAre("Cannot create file " + HistoryPath() + "."));
  EXPECT_THAT(host->log, IsEmpty());
  EXPECT_THAT(view.search_list, ElementsAre("new", "old"));
  EXPECT_EQ(ReadFile(HistoryPath()), "old\r\n");
}

// Remembers the names of the files it was asked to create.
class CreationRecordingFiles : public fakes::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  FileWriteResult WriteNew(const std::string& path, std::string_view contents) override {
    created.push_back(path);
    return ForwardingFileSystem::WriteNew(path, contents);
  }
  std::vector<std::string> created;
};

TEST_F(HistoryTest, ScratchFilesLeftBesideTheHistoryByACrashDoNotStopTheSearch) {
  const struct {
    const char* what;
    std::vector<std::string> left;  // scratch names taken, as suffixes of the history's
    std::string used;               // the scratch name the write takes
  } cases[] = {
      {"the first scratch name", {".tmp"}, ".tmp2"},
      {"the first two", {".tmp", ".tmp2"}, ".tmp3"},
      {"only the second", {".tmp2"}, ".tmp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(HistoryPath(), "old\r\n");
    for (const std::string& suffix : c.left) WriteFile(HistoryPath() + suffix, "left by a crash");
    ui.shown.clear();
    host->log.clear();
    Open();
    CreationRecordingFiles files(Files());
    InstallFileSystem(&files);
    Search("new");
    InstallFileSystem(nullptr);
    EXPECT_THAT(Messages(), IsEmpty());
    EXPECT_EQ(host->log.size(), 1u) << "the search went on to its address";
    EXPECT_EQ(ReadFile(HistoryPath()), kHistoryMark + "new\r\nold\r\n");
    ASSERT_FALSE(files.created.empty());
    EXPECT_EQ(files.created.back(), HistoryPath() + c.used);
    EXPECT_FALSE(std::filesystem::exists(HistoryPath() + c.used)) << "moved onto the history";
    for (const std::string& suffix : c.left) {
      EXPECT_EQ(ReadFile(HistoryPath() + suffix), "left by a crash") << suffix;
      std::filesystem::remove(HistoryPath() + suffix);
    }
  }
}

TEST_F(HistoryTest, UnreadableFileAtStartIsReportedAndTheWindowGoesOn) {
  std::filesystem::create_directory(HistoryPath());
  Open();
  EXPECT_THAT(Messages(), ElementsAre("Cannot open file " + HistoryPath() + "."));
  EXPECT_EQ(view.caption, "My Bar");
}

TEST_F(HistoryTest, ClearAndRemoveAskFirstAndWriteTheFile) {
  WriteFile(HistoryPath(), "a\r\nb\r\nc\r\n");
  Open();
  view.search_text = "typed";
  ui.answer = kIdNo;
  Click("miClearSearches");
  EXPECT_EQ(ui.shown.back().text, "Are you sure you want to clear history?");
  EXPECT_EQ(ui.shown.back().caption, "Confirm");
  EXPECT_EQ(ui.shown.back().style, kMbYesNo | kMbIconQuestion);
  EXPECT_EQ(view.search_list.size(), 3u);
  ui.answer = kIdOk;
  Click("miRemoveSelected");
  EXPECT_EQ(ui.shown.back().text, "Nothing to Remove.");
  EXPECT_EQ(ReadFile(HistoryPath()), "a\r\nb\r\nc\r\n");
  view.selected_index = 1;
  Click("miRemoveSelected");
  EXPECT_THAT(view.search_list, ElementsAre("a", "c"));
  EXPECT_EQ(ReadFile(HistoryPath()), kHistoryMark + "a\r\nc\r\n");
  ui.answer = kIdYes;
  Click("miClearSearches");
  EXPECT_THAT(view.search_list, IsEmpty());
  EXPECT_EQ(view.search_text, "typed");
  EXPECT_EQ(ReadFile(HistoryPath()), kHistoryMark);
}

TEST_F(HistoryTest, SavedAndLoadedSearchesGoThroughTheUsersFile) {
  WriteFile(HistoryPath(), "b\r\na\r\n");
  Open();
  const std::string chosen = root_.path().string() + "/saved.txt";
  Click("miSaveSearches");  // cancelled
  ui.chosen_file = chosen;
  Click("miSaveSearches");
  EXPECT_EQ(ReadFile(chosen), kHistoryMark + "a\r\nb\r\n");
  WriteFile(chosen, "z\r\n\r\nz\r\nA\r\n");
  Click("miLoadSearches");
  EXPECT_THAT(view.search_list, ElementsAre("", "A", "z", "z"));
  EXPECT_EQ(ReadFile(HistoryPath()), "b\r\na\r\n");
  // The next new search writes the union, duplicates gone.
  Search("new");
  EXPECT_EQ(ReadFile(HistoryPath()), kHistoryMark + "\r\na\r\nb\r\nnew\r\nz\r\n");
  ui.chosen_file = root_.path().string() + "/missing.txt";
  Click("miLoadSearches");
  ui.chosen_file = root_.path().string() + "/no folder/saved.txt";
  Click("miSaveSearches");
  EXPECT_THAT(Messages(), ElementsAre("File I/O error.", "File I/O error."));
  EXPECT_EQ(ui.shown.back().style, kMbOk | kMbIconError);
  EXPECT_EQ(view.search_list.size(), 5u);
  ASSERT_EQ(ui.dialogs.size(), 5u);
  EXPECT_EQ(ui.dialogs[0].Title, "Save Searches To File");
  EXPECT_EQ(ui.dialogs[0].FileName, "Toolbar Searches.txt");
  EXPECT_EQ(ui.dialogs[0].Filter, "Text files (*.txt)|*.txt|All files (*.*)|*.*");
  EXPECT_EQ(ui.dialogs[0].DefaultExt, ".txt");
  EXPECT_EQ(ui.dialogs[2].Title, "Load Searches From File");
  EXPECT_EQ(ui.dialogs[4].FileName, chosen) << "each dialog offers the name chosen last";
}

TEST_F(HistoryTest, EditOpensTheFileAndRefreshTakesOverItsChanges) {
  Open();
  Click("miRefreshSearches");
  EXPECT_EQ(view.list_fills, 0);
  Click("miEditHistory");
  EXPECT_THAT(desktop.log, ElementsAre("shell " + HistoryPath()));
  WriteFile(HistoryPath(), "edited\r\nEdited\r\n");
  Click("miRefreshSearches");
  EXPECT_THAT(view.search_list, ElementsAre("edited", "Edited"));
}

}  // namespace
}  // namespace pq
