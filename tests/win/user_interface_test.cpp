// The dialogs and the clipboard of the Win32 user interface, answered from a
// thread of the test's own as a user would answer them.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/dialog_answerer.h"
#include "support/owner_window.h"
#include "support/scratch_key.h"
#include "ui_kit/mouse_input.h"
#include "ui_kit/window_finder.h"
#include "win32/wide_text.h"
#include "win32/win32_user_interface.h"

namespace pq {
namespace {

using testing::DialogAnswerer;
using testing::OwnerWindow;
using ui_kit::ChildWithText;
using ui_kit::PlaceInParent;
using ui_kit::TextOf;

// ---------------------------------------------------------------------------
// Input box

constexpr char kCaption[] = "SpeedButton URL";
constexpr char kPrompt[] = "Enter this Speedbutton's new URL";

HWND EditOf(HWND box) { return FindWindowExW(box, nullptr, L"Edit", nullptr); }

// What the box showed when it opened.
struct InputBoxSeen {
  std::string edit_text, prompt_text;
  DWORD selection_start = 1, selection_end = 0;
  bool focus_in_edit = false;
  HWND owner = nullptr;
  bool owner_enabled = true;
  POINT centre{};
  size_t children = 0, children_outside = 0;
  RECT prompt{}, edit{}, ok{}, cancel{};
};

InputBoxSeen Look(HWND box, const std::string& prompt) {
  InputBoxSeen seen;
  HWND edit = EditOf(box);
  seen.edit_text = TextOf(edit);
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&seen.selection_start),
               reinterpret_cast<LPARAM>(&seen.selection_end));
  seen.focus_in_edit = edit && ui_kit::FocusOfThreadOf(box) == edit;
  seen.prompt_text = TextOf(ChildWithText(box, prompt));
  seen.owner = GetWindow(box, GW_OWNER);
  seen.owner_enabled = IsWindowEnabled(seen.owner);
  seen.centre = ui_kit::MiddleOf(box);
  RECT client{};
  GetClientRect(box, &client);
  for (HWND child : ui_kit::ChildrenOf(box)) {
    const RECT place = PlaceInParent(child);
    ++seen.children;
    if (place.left < 0 || place.top < 0 || place.right > client.right ||
        place.bottom > client.bottom)
      ++seen.children_outside;
  }
  seen.prompt = PlaceInParent(ChildWithText(box, prompt));
  seen.edit = PlaceInParent(edit);
  seen.ok = PlaceInParent(GetDlgItem(box, IDOK));
  seen.cancel = PlaceInParent(GetDlgItem(box, IDCANCEL));
  return seen;
}

enum class Answer { EnterKey, OkButton, EscapeKey, CancelButton, CloseBox };

void Give(HWND box, Answer answer) {
  if (answer == Answer::EnterKey || answer == Answer::EscapeKey)
    ui_kit::PressKey(box, answer == Answer::EnterKey ? VK_RETURN : VK_ESCAPE);
  else if (answer == Answer::CloseBox)
    PostMessageA(box, WM_CLOSE, 0, 0);
  else
    PostMessageA(GetDlgItem(box, answer == Answer::OkButton ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
}

// The height of a line in the font the system gives message boxes.
LONG MessageFontHeight() {
  NONCLIENTMETRICSA system{};
  system.cbSize = sizeof system;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof system, &system, 0);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, CreateFontIndirectA(&system.lfMessageFont));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  DeleteObject(SelectObject(dc, old));
  ReleaseDC(nullptr, dc);
  return metrics.tmHeight;
}

TEST(InputBox, ReturnsTheTypedTextOnOkAndTheInitialTextOtherwiseLaidOutOverItsOwner) {
  const std::string old = "http://old.example/";
  const std::string long_address = "http://127.0.0.1/" + std::string(40000, 'q');
  const std::string long_prompt =
      "A prompt long enough to need more than one line in the box, because it goes on and on "
      "about what the address is for and where it will be used.";
  const struct {
    const char* name;
    std::string prompt, initial, typed;  // "\b" deletes the selection
    Answer answer;
    std::string expected;
  } cases[] = {
      {"Enter takes the typed text", kPrompt, old, "http://new.example/\xC3\xA9t\xC3\xA9 \xE6\x9D\xB1",
       Answer::EnterKey, "http://new.example/\xC3\xA9t\xC3\xA9 \xE6\x9D\xB1"},
      {"OK takes the typed text", "Save & go", old, "http://b.example/", Answer::OkButton,
       "http://b.example/"},
      {"OK without typing keeps the text", long_prompt, old, "", Answer::OkButton, old},
      {"an emptied field is an answer", kPrompt, old, "\b", Answer::EnterKey, ""},
      {"Escape returns the initial text", kPrompt, old, "typed", Answer::EscapeKey, old},
      {"Cancel returns the initial text", kPrompt, old, "typed", Answer::CancelButton, old},
      {"closing returns the initial text", kPrompt, old, "typed", Answer::CloseBox, old},
      {"a long text is kept whole", kPrompt, long_address, "", Answer::EnterKey, long_address},
  };
  const LONG line = MessageFontHeight();
  ASSERT_GT(line, 0);
  OwnerWindow& owner = OwnerWindow::Get();
  win32::Win32UserInterface ui;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    owner.Activate();
    ASSERT_EQ(GetActiveWindow(), owner.window());
    InputBoxSeen seen;
    DialogAnswerer answerer(kCaption, [&](HWND box) {
      seen = Look(box, c.prompt);
      for (wchar_t typed : win32::Wide(c.typed)) PostMessageW(EditOf(box), WM_CHAR, typed, 1);
      Give(box, c.answer);
    });

    const std::string answer = ui.InputBox(kCaption, c.prompt, c.initial);

    ASSERT_TRUE(answerer.Finish()) << "no input box appeared";
    EXPECT_TRUE(answerer.Closed());
    EXPECT_EQ(answer, c.expected);
    EXPECT_EQ(seen.edit_text, c.initial);
    // All of the initial text is selected, so typing replaces it.
    EXPECT_EQ(seen.selection_start, 0u);
    EXPECT_EQ(seen.selection_end, c.initial.size());
    EXPECT_TRUE(seen.focus_in_edit);
    EXPECT_EQ(seen.prompt_text, c.prompt);
    // Owned by the active window, which it disables while shown and gives the focus back to.
    EXPECT_EQ(seen.owner, owner.window());
    EXPECT_FALSE(seen.owner_enabled);
    EXPECT_TRUE(IsWindowEnabled(owner.window()));
    EXPECT_EQ(GetFocus(), owner.edit());
    // In the middle of the screen.
    EXPECT_NEAR(seen.centre.x, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR(seen.centre.y, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
    // Every control inside the box, none over another; the font decides the
    // sizes: a button and the field hold a line of text with room to spare.
    EXPECT_EQ(seen.children, 4u);
    EXPECT_EQ(seen.children_outside, 0u);
    EXPECT_LE(seen.prompt.bottom, seen.edit.top);
    EXPECT_LE(seen.edit.bottom, seen.ok.top);
    EXPECT_LE(seen.ok.right, seen.cancel.left);
    EXPECT_EQ(seen.ok.top, seen.cancel.top);
    EXPECT_GT(seen.ok.bottom - seen.ok.top, line);
    EXPECT_GT(seen.edit.bottom - seen.edit.top, line);
  }
}

// ---------------------------------------------------------------------------
// File dialogs

constexpr int kFileNameField = 0x480;  // edt1
constexpr int kFileNameCombo = 0x47C;  // cmb13
constexpr int kFileTypeCombo = 0x470;  // cmb1

struct FileDialogSeen {
  std::string file_name;
  std::vector<std::string> types;
  int selected_type = -1;
};

HWND FileNameControl(HWND dialog) {
  HWND field = GetDlgItem(dialog, kFileNameField);
  return field ? field : GetDlgItem(dialog, kFileNameCombo);
}

FileDialogSeen LookAtFileDialog(HWND dialog) {
  FileDialogSeen seen;
  // The dialog fills its fields once it has shown itself.
  ui_kit::WaitUntil([&] { return !TextOf(FileNameControl(dialog)).empty(); }, 5000);
  seen.file_name = TextOf(FileNameControl(dialog));
  HWND types = GetDlgItem(dialog, kFileTypeCombo);
  const LRESULT count = SendMessageA(types, CB_GETCOUNT, 0, 0);
  for (int i = 0; i < count; ++i) {
    std::string text(static_cast<size_t>(SendMessageA(types, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
    text.resize(static_cast<size_t>(
        SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
    seen.types.push_back(text);
  }
  seen.selected_type = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
  return seen;
}

void TypeFileName(HWND dialog, const std::string& name) {
  SendMessageA(FileNameControl(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

class FileDialog : public ::testing::Test {
 protected:
  void SetUp() override { OwnerWindow::Get().Activate(); }
  static FileDialogSettings SearchesDialog(FileDialogSettings::Kind kind,
                                           const std::string& title) {
    return {kind, title, "Toolbar Searches.txt", "Text files (*.txt)|*.txt|All files (*.*)|*.*",
            ".txt"};
  }
  win32::Win32UserInterface ui_;
  testing::ScratchDir scratch_;
};

// Each dialog is found by the title it was given.
TEST_F(FileDialog, ShowsNameAndTypesAndTakesTheFileChosenWithoutFurtherQuestions) {
  using Kind = FileDialogSettings::Kind;
  const struct {
    const char* title;
    Kind kind;
    const char* typed;   // in the scratch directory
    bool exists;         // the file is there before
    const char* chosen;  // in the scratch directory; none: Escape, not OK, is pressed
  } cases[] = {
      // The open dialog adds the default extension only when a file has it.
      {"Open a file that does not exist as typed", Kind::Open, "missing", false, "missing"},
      {"Open adds the extension of an existing file", Kind::Open, "there", true, "there.txt"},
      {"Open an existing file", Kind::Open, "there.txt", true, "there.txt"},
      {"Save replaces an existing file", Kind::Save, "there", true, "there.txt"},
      {"Save keeps an extension of its own", Kind::Save, "list.lst", false, "list.lst"},
      {"Save adds the extension to a new file", Kind::Save, "chosen", false, "chosen.txt"},
      {"Escape chooses nothing and keeps the name", Kind::Open, "other", false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    if (c.exists) std::ofstream(scratch_.File(c.chosen)) << "old\n";
    FileDialogSettings dialog = SearchesDialog(c.kind, c.title);
    FileDialogSeen seen;
    DialogAnswerer answerer(c.title, [&](HWND window) {
      seen = LookAtFileDialog(window);
      TypeFileName(window, scratch_.File(c.typed));
      if (c.chosen)
        PostMessageA(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
      else
        ui_kit::PressKey(window, VK_ESCAPE);
    });

    const bool chosen = ui_.ExecuteFileDialog(dialog);

    ASSERT_TRUE(answerer.Finish()) << "no dialog with the title";
    // A question about the file would have kept the dialog open.
    EXPECT_TRUE(answerer.Closed());
    EXPECT_EQ(seen.file_name, "Toolbar Searches.txt");
    EXPECT_EQ(seen.types, (std::vector<std::string>{"Text files (*.txt)", "All files (*.*)"}));
    EXPECT_EQ(seen.selected_type, 0);
    EXPECT_EQ(chosen, c.chosen != nullptr);
    EXPECT_EQ(dialog.FileName, c.chosen ? scratch_.File(c.chosen) : "Toolbar Searches.txt");
  }
}

// The settings hold all a dialog keeps: the name chosen last is offered again.
TEST_F(FileDialog, OffersTheNameChosenLastWhichCancelKeeps) {
  FileDialogSettings dialog = SearchesDialog(FileDialogSettings::Kind::Save, "Save Again");
  dialog.FileName = scratch_.File("chosen.txt");
  FileDialogSeen seen;
  DialogAnswerer answerer("Save Again", [&](HWND window) {
    seen = LookAtFileDialog(window);
    PostMessageA(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
  });
  EXPECT_FALSE(ui_.ExecuteFileDialog(dialog));
  ASSERT_TRUE(answerer.Finish());
  EXPECT_NE(seen.file_name.find("chosen.txt"), std::string::npos) << seen.file_name;
  EXPECT_EQ(dialog.FileName, scratch_.File("chosen.txt"));
}

// ---------------------------------------------------------------------------
// Clipboard

// Runs this program once more with only one of the disabled tests below,
// which puts another program's data on the clipboard and ends.
bool RunOtherProgram(const std::string& test) {
  std::string program(MAX_PATH, '\0');
  program.resize(GetModuleFileNameA(nullptr, program.data(), MAX_PATH));
  std::string command =
      "\"" + program + "\" --gtest_also_run_disabled_tests --gtest_filter=OtherProgram." + test;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ended && code == 0;
}

TEST(Clipboard, TextComesBackAsItWasPutAndOnlyTextIsText) {
  win32::Win32UserInterface ui;
  for (const std::string& text :
       {std::string("search words"), std::string(), std::string("caf\xC3\xA9 \xC3\xBC\xC3\x9F \xC2\xA3 \xE2\x82\xAC \xF0\x9F\x98\x80"),
        std::string("two\r\nlines"), std::string(100000, 'z')}) {
    SCOPED_TRACE(text.substr(0, 20));
    ui.SetClipboardText(text);
    EXPECT_EQ(ui.ClipboardText(), std::optional<std::string>(text));
  }

  ui.SetClipboardText("something");
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(ui.ClipboardText(), std::nullopt) << "an empty clipboard";

  const struct {
    const char* test;
    std::optional<std::string> expected;
  } programs[] = {{"DISABLED_PutsAPicture", std::nullopt},
                  {"DISABLED_PutsUnicodeText", std::string("caf\xC3\xA9")}};
  for (const auto& other : programs) {
    SCOPED_TRACE(other.test);
    ui.SetClipboardText("ours");
    ASSERT_TRUE(RunOtherProgram(other.test));
    EXPECT_EQ(ui.ClipboardText(), other.expected);
  }
}

void Put(UINT format, const void* data, size_t size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  ASSERT_NE(memory, nullptr);
  memcpy(GlobalLock(memory), data, size);
  GlobalUnlock(memory);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  EXPECT_NE(SetClipboardData(format, memory), nullptr);
  CloseClipboard();
}

// Run only by the test above, each in a process of its own.
TEST(OtherProgram, DISABLED_PutsAPicture) {
  BITMAPINFOHEADER picture[2] = {{sizeof(BITMAPINFOHEADER), 1, 1, 1, 32, 0, 0, 0, 0, 0, 0}};
  Put(CF_DIB, picture, sizeof picture);
}

TEST(OtherProgram, DISABLED_PutsUnicodeText) {
  const wchar_t text[] = L"caf\u00e9";
  Put(CF_UNICODETEXT, text, sizeof text);
}

}  // namespace
}  // namespace pq
