// A toolbar window closed while one of its dialogs is open: the dialog's
// modal loop runs the browser's messages, and the browser closes the band
// whenever it likes. The command that showed the dialog must end there,
// without touching the window or anything it would have changed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "platform/error.h"
#include "toolbar_window_fixture.h"

namespace pq {
namespace {

using ::testing::IsEmpty;

constexpr char kItems[] =
    "[Toolbar Items]\r\nmiSearch=\r\nHome=\r\nSpeedBtn1=\r\n"
    "[miSearch]\r\nCaption=Search\r\nImageIndex=8\r\nParent=Toolbar\r\n"
    "[Home]\r\nCaption=Home\r\nParent=Toolbar\r\nURL=http://start.example/\r\n"
    "[SpeedBtn1]\r\nCaption=Speed\r\nImageIndex=1\r\nTag=111\r\nParent=Toolbar\r\n"
    "URL=http://speed.example/\r\n";
constexpr char kHistory[] = "first\r\nsecond\r\n";
constexpr char kChosen[] = "chosen\r\n";

// A browser that closes the band when asked to hide it, and then reports
// that it failed.
class ClosingBrowser : public HostBrowser {
 public:
  explicit ClosingBrowser(std::function<void()> close) : close_(std::move(close)) {}
  void Navigate(const std::string& url) override { navigated.push_back(url); }
  int32_t Width() override { return 800; }
  void SetStatusText(const std::string&) override {}
  void ShowBrowserBar(const std::string&, bool, int32_t) override {
    close_();
    throw Error("The band is gone");
  }
  std::vector<std::string> navigated;

 private:
  std::function<void()> close_;
};

class WindowDestroyedTest : public ToolbarWindowTest {
 protected:
  WindowDestroyedTest() { Arrange(); }
  // A window as the user left it, and a user who goes on with every dialog.
  void Arrange() {
    WriteConfig(kItems);
    WriteFile(HistoryPath(), kHistory);
    WriteFile(ChosenPath(), kChosen);
    ui = {};
    ui.answer = kIdYes;
    ui.input_answer = "http://typed.example/";
    ui.chosen_file = ChosenPath();
    registry.PutText(RegRoot::LocalMachine, kBandKey, "SpeedBtn1", "");
  }
  static std::string ChosenPath() { return ToolbarConfig.InstallPath + "\\Chosen.txt"; }
  size_t DialogsShown() const {
    return ui.shown.size() + ui.input_boxes.size() + ui.dialogs.size() + ui.about_boxes.size();
  }
};

// How the window goes while the dialog is open: the band's window object
// freed with it, or only the window destroyed (its parent went first) while
// the object stays.
enum class Going { Freed, DestroyedOnly };

struct OpenDialogCase {
  const char* name;
  // Opens the dialog with the window as the user left it; `close` takes the
  // window away.
  std::function<void(const std::function<void()>& close)> open;
  size_t dialogs = 1;  // shown before the window went
};

TEST_F(WindowDestroyedTest, ACommandWhoseWindowGoesWhileItsDialogIsOpenEndsThere) {
  const auto click = [this](const char* item) {
    return [this, item](const std::function<void()>& close) {
      Open();
      ui.while_open = close;
      Click(item);
    };
  };
  const OpenDialogCase cases[] = {
      {"confirmation", click("miClearSearches")},
      {"confirmation of the reset", click("miReset")},
      {"input box", click("miSpeedBtn1")},
      {"save dialog", click("miSaveSearches")},
      {"open dialog", click("miLoadSearches")},
      {"error box at start-up",
       [this](const std::function<void()>& close) {
         WriteConfig("[Toolbar Items]\r\n1st=\r\n");
         form = std::make_unique<TToolbarForm>(platform, view);
         ui.while_open = close;
         form->FormCreate();
       }},
      {"the browser closing the band without a dialog",
       [this](const std::function<void()>& close) {
         Open();
         form->HostBrowser = std::make_shared<ClosingBrowser>(close);
         Click("miClose");
       },
       0},
  };
  for (const OpenDialogCase& c : cases) {
    for (const Going going : {Going::Freed, Going::DestroyedOnly}) {
      SCOPED_TRACE(std::string(c.name) + (going == Going::Freed ? ", freed" : ", destroyed"));
      Arrange();
      // What the view shows when the window goes; nothing may change after.
      std::vector<std::string> list, changed;
      const auto close = [&] {
        list = view.search_list;
        changed = view.changed_items;
        if (going == Going::Freed)
          form.reset();
        else
          form->FormDestroy();
      };
      c.open(close);
      EXPECT_EQ(DialogsShown(), c.dialogs) << "a dialog came after the window went";
      EXPECT_EQ(view.search_list, list);
      EXPECT_EQ(view.changed_items, changed);
      EXPECT_THAT(host->log, IsEmpty());
      EXPECT_EQ(ReadFile(HistoryPath()), kHistory);
      EXPECT_EQ(ReadFile(ChosenPath()), kChosen);
      EXPECT_EQ(Stored("SpeedBtn1"), "");
    }
  }
}

// The one place that every modal call of the window passes, menus of the
// view included.
TEST_F(WindowDestroyedTest, AModalCallReportsTheWindowGoneOnlyWhenItWentDuringTheCall) {
  Open();
  EXPECT_EQ(form->Modal([] { return 7; }), 7);
  EXPECT_THROW(form->Modal([&] { form->FormDestroy(); }), WindowDestroyed);
  Open();
  EXPECT_THROW(form->Modal([&] {
    form.reset();
    return 7;
  }),
               WindowDestroyed);
}

}  // namespace
}  // namespace pq
