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
#include "support/window_finder.h"
#include "win32/win32_user_interface.h"

namespace pq {
namespace {

using testing::ChildWithText;
using testing::DialogAnswerer;
using testing::OwnerWindow;
using testing::TextOf;

// ---------------------------------------------------------------------------
// Input box

constexpr char kCaption[] = "SpeedButton URL";
constexpr char kPrompt[] = "Enter this Speedbutton's new URL";

// What the box showed when it opened.
struct InputBoxSeen {
  std::string edit_text;
  DWORD selection_start = 1;
  DWORD selection_end = 0;
  bool focus_in_edit = false;
  bool prompt_shown = false;
  HWND owner = nullptr;
  bool owner_enabled = true;
  POINT centre{};
};

HWND EditOf(HWND box) { return FindWindowExA(box, nullptr, "Edit", nullptr); }

InputBoxSeen Look(HWND box, const std::string& prompt) {
  InputBoxSeen seen;
  HWND edit = EditOf(box);
  seen.edit_text = TextOf(edit);
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&seen.selection_start),
               reinterpret_cast<LPARAM>(&seen.selection_end));
  seen.focus_in_edit = edit && testing::FocusOfThreadOf(box) == edit;
  seen.prompt_shown = ChildWithText(box, prompt) != nullptr;
  seen.owner = GetWindow(box, GW_OWNER);
  seen.owner_enabled = IsWindowEnabled(seen.owner);
  seen.centre = testing::MiddleOf(box);
  return seen;
}

void Type(HWND box, const std::string& text) {
  for (char c : text) PostMessageA(EditOf(box), WM_CHAR, static_cast<unsigned char>(c), 1);
}

enum class Answer { EnterKey, OkButton, EscapeKey, CancelButton, CloseBox };

void Give(HWND box, Answer answer) {
  switch (answer) {
    case Answer::EnterKey:
      testing::PressKey(box, VK_RETURN);
      break;
    case Answer::EscapeKey:
      testing::PressKey(box, VK_ESCAPE);
      break;
    case Answer::OkButton:
      PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
      break;
    case Answer::CancelButton:
      PostMessageA(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
      break;
    case Answer::CloseBox:
      PostMessageA(box, WM_CLOSE, 0, 0);
      break;
  }
}

struct InputCase {
  const char* name;
  std::string initial;
  std::string typed;  // "\b" deletes the selection
  Answer answer;
  std::string expected;
};

class InputBox : public ::testing::TestWithParam<InputCase> {
 protected:
  void SetUp() override { OwnerWindow::Get().Activate(); }
};

TEST_P(InputBox, ReturnsTheTypedTextOnOkAndTheInitialTextOtherwise) {
  const InputCase& given = GetParam();
  win32::Win32UserInterface ui;
  InputBoxSeen seen;
  DialogAnswerer answerer(kCaption, [&](HWND box) {
    seen = Look(box, kPrompt);
    Type(box, given.typed);
    Give(box, given.answer);
  });

  const std::string answer = ui.InputBox(kCaption, kPrompt, given.initial);

  ASSERT_TRUE(answerer.Finish()) << "no input box appeared";
  EXPECT_TRUE(answerer.Closed());
  EXPECT_EQ(answer, given.expected);
  EXPECT_EQ(seen.edit_text, given.initial);
  // All of the initial text is selected, so typing replaces it.
  EXPECT_EQ(seen.selection_start, 0u);
  EXPECT_EQ(seen.selection_end, given.initial.size());
  EXPECT_TRUE(seen.focus_in_edit);
  EXPECT_TRUE(seen.prompt_shown);
}

const std::string kLongAddress = "http://127.0.0.1/" + std::string(40000, 'q');

INSTANTIATE_TEST_SUITE_P(
    Answers, InputBox,
    ::testing::Values(
        InputCase{"EnterTakesTheTypedText", "http://old.example/", "http://new.example/\xE9t\xE9",
                  Answer::EnterKey, "http://new.example/\xE9t\xE9"},
        InputCase{"OkButtonTakesTheTypedText", "http://old.example/", "http://b.example/",
                  Answer::OkButton, "http://b.example/"},
        InputCase{"OkWithoutTypingKeepsTheText", "http://old.example/", "", Answer::OkButton,
                  "http://old.example/"},
        InputCase{"AnEmptiedFieldIsAnAnswer", "http://old.example/", "\b", Answer::EnterKey, ""},
        InputCase{"EscapeReturnsTheInitialText", "http://old.example/", "typed", Answer::EscapeKey,
                  "http://old.example/"},
        InputCase{"CancelReturnsTheInitialText", "http://old.example/", "typed",
                  Answer::CancelButton, "http://old.example/"},
        InputCase{"ClosingReturnsTheInitialText", "http://old.example/", "typed", Answer::CloseBox,
                  "http://old.example/"},
        InputCase{"ALongTextIsKeptWhole", kLongAddress, "", Answer::EnterKey, kLongAddress}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InputBoxWindow, IsOwnedByTheActiveWindowWhichItDisablesAndGivesItsFocusBack) {
  OwnerWindow& owner = OwnerWindow::Get();
  owner.Activate();
  ASSERT_EQ(GetActiveWindow(), owner.window());
  win32::Win32UserInterface ui;
  InputBoxSeen seen;
  DialogAnswerer answerer(kCaption, [&](HWND box) {
    seen = Look(box, kPrompt);
    Give(box, Answer::EscapeKey);
  });

  ui.InputBox(kCaption, kPrompt, "x");

  ASSERT_TRUE(answerer.Finish());
  EXPECT_EQ(seen.owner, owner.window());
  EXPECT_FALSE(seen.owner_enabled);
  EXPECT_TRUE(IsWindowEnabled(owner.window()));
  EXPECT_EQ(GetFocus(), owner.edit());
  // In the middle of the screen.
  EXPECT_NEAR(seen.centre.x, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
  EXPECT_NEAR(seen.centre.y, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
}

struct Layout {
  RECT client{};
  std::vector<RECT> children;
  RECT prompt{}, edit{}, ok{}, cancel{};
  std::string prompt_text;
};

class InputBoxLayout : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { OwnerWindow::Get().Activate(); }
};

TEST_P(InputBoxLayout, EveryControlIsInsideTheBoxAndTheyDoNotOverlap) {
  const std::string prompt = GetParam();
  win32::Win32UserInterface ui;
  Layout seen;
  DialogAnswerer answerer(kCaption, [&](HWND box) {
    GetClientRect(box, &seen.client);
    for (HWND child : testing::ChildrenOf(box))
      seen.children.push_back(testing::PlaceInParent(child));
    HWND prompt_label = ChildWithText(box, prompt);
    seen.prompt_text = TextOf(prompt_label);
    seen.prompt = testing::PlaceInParent(prompt_label);
    seen.edit = testing::PlaceInParent(EditOf(box));
    seen.ok = testing::PlaceInParent(GetDlgItem(box, IDOK));
    seen.cancel = testing::PlaceInParent(GetDlgItem(box, IDCANCEL));
    Give(box, Answer::EscapeKey);
  });

  ui.InputBox(kCaption, prompt, "");

  ASSERT_TRUE(answerer.Finish());
  EXPECT_EQ(seen.prompt_text, prompt);
  ASSERT_EQ(seen.children.size(), 4u);
  for (const RECT& child : seen.children) {
    EXPECT_GE(child.left, 0);
    EXPECT_GE(child.top, 0);
    EXPECT_LE(child.right, seen.client.right);
    EXPECT_LE(child.bottom, seen.client.bottom);
  }
  EXPECT_LE(seen.prompt.bottom, seen.edit.top);
  EXPECT_LE(seen.edit.bottom, seen.ok.top);
  EXPECT_LE(seen.ok.right, seen.cancel.left);
  EXPECT_EQ(seen.ok.top, seen.cancel.top);
  // The font decides the sizes: a button holds a line of text with room to spare.
  TEXTMETRICA metrics{};
  {
    HDC dc = GetDC(nullptr);
    NONCLIENTMETRICSA system{};
    system.cbSize = sizeof system;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof system, &system, 0);
    HFONT font = CreateFontIndirectA(&system.lfMessageFont);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
  }
  EXPECT_GT(seen.ok.bottom - seen.ok.top, metrics.tmHeight);
  EXPECT_GT(seen.edit.bottom - seen.edit.top, metrics.tmHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Prompts, InputBoxLayout,
    ::testing::Values(std::string(kPrompt), std::string("Save & go"),
                      "A prompt long enough to need more than one line in the box, because it "
                      "goes on and on about what the address is for and where it will be used."));

// ---------------------------------------------------------------------------
// File dialogs

constexpr int kFileNameField = 0x480;  // edt1
constexpr int kFileNameCombo = 0x47C;  // cmb13
constexpr int kFileTypeCombo = 0x470;  // cmb1

constexpr char kFilter[] = "Text files (*.txt)|*.txt|All files (*.*)|*.*";

struct FileDialogSeen {
  std::string file_name;
  std::vector<std::string> types;
  int selected_type = -1;
};

std::string ComboItem(HWND combo, int index) {
  const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

HWND FileNameControl(HWND dialog) {
  HWND field = GetDlgItem(dialog, kFileNameField);
  return field ? field : GetDlgItem(dialog, kFileNameCombo);
}

FileDialogSeen LookAtFileDialog(HWND dialog) {
  FileDialogSeen seen;
  // The dialog fills its fields once it has shown itself.
  testing::WaitUntil([&] { return !TextOf(FileNameControl(dialog)).empty(); }, 5000);
  seen.file_name = TextOf(FileNameControl(dialog));
  HWND types = GetDlgItem(dialog, kFileTypeCombo);
  const LRESULT count = SendMessageA(types, CB_GETCOUNT, 0, 0);
  for (int i = 0; i < count; ++i) seen.types.push_back(ComboItem(types, i));
  seen.selected_type = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
  return seen;
}

void ChooseFile(HWND dialog, const std::string& name) {
  SendMessageA(FileNameControl(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}

FileDialogSettings SearchesDialog(FileDialogSettings::Kind kind, const std::string& title) {
  FileDialogSettings dialog;
  dialog.kind = kind;
  dialog.Title = title;
  dialog.FileName = "Toolbar Searches.txt";
  dialog.Filter = kFilter;
  dialog.DefaultExt = ".txt";
  return dialog;
}

class FileDialog : public ::testing::Test {
 protected:
  void SetUp() override { OwnerWindow::Get().Activate(); }
  win32::Win32UserInterface ui_;
  testing::ScratchDir scratch_;
};

TEST_F(FileDialog, SaveShowsTitleNameAndTypesAddsTheExtensionAndOffersTheNameNextTime) {
  FileDialogSettings dialog =
      SearchesDialog(FileDialogSettings::Kind::Save, "Save Searches To File");
  FileDialogSeen first;
  {
    DialogAnswerer answerer("Save Searches To File", [&](HWND window) {
      first = LookAtFileDialog(window);
      ChooseFile(window, scratch_.File("chosen"));
    });
    ASSERT_TRUE(ui_.ExecuteFileDialog(dialog));
    ASSERT_TRUE(answerer.Finish()) << "no dialog titled \"Save Searches To File\"";
  }
  EXPECT_EQ(first.file_name, "Toolbar Searches.txt");
  EXPECT_EQ(first.types, (std::vector<std::string>{"Text files (*.txt)", "All files (*.*)"}));
  EXPECT_EQ(first.selected_type, 0);
  EXPECT_EQ(dialog.FileName, scratch_.File("chosen.txt"));

  // The same settings shown again offer the name chosen last; Cancel keeps it.
  dialog.Title = "Save Again";
  FileDialogSeen second;
  DialogAnswerer answerer("Save Again", [&](HWND window) {
    second = LookAtFileDialog(window);
    PostMessageA(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
  });
  EXPECT_FALSE(ui_.ExecuteFileDialog(dialog));
  ASSERT_TRUE(answerer.Finish());
  EXPECT_NE(second.file_name.find("chosen.txt"), std::string::npos) << second.file_name;
  EXPECT_EQ(dialog.FileName, scratch_.File("chosen.txt"));
}

struct ChoiceCase {
  const char* name;
  FileDialogSettings::Kind kind;
  const char* typed;   // in the scratch directory
  bool exists;         // the file is there before
  const char* chosen;  // in the scratch directory
};

class FileChoice : public FileDialog, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(FileChoice, IsTakenWithoutFurtherQuestions) {
  const ChoiceCase& given = GetParam();
  if (given.exists) std::ofstream(scratch_.File(given.chosen)) << "old\n";
  FileDialogSettings dialog = SearchesDialog(given.kind, "Pick");
  DialogAnswerer answerer("Pick", [&](HWND window) {
    LookAtFileDialog(window);
    ChooseFile(window, scratch_.File(given.typed));
  });

  const bool chosen = ui_.ExecuteFileDialog(dialog);

  ASSERT_TRUE(answerer.Finish());
  // A question about the file would have kept the dialog open.
  EXPECT_TRUE(answerer.Closed());
  EXPECT_TRUE(chosen);
  EXPECT_EQ(dialog.FileName, scratch_.File(given.chosen));
}

INSTANTIATE_TEST_SUITE_P(Files, FileChoice,
                         ::testing::Values(
                             // The open dialog adds the default extension only when a file has it.
                             ChoiceCase{"OpenTakesAFileThatDoesNotExistAsTyped",
                                        FileDialogSettings::Kind::Open, "missing", false,
                                        "missing"},
                             ChoiceCase{"OpenAddsTheExtensionOfAnExistingFile",
                                        FileDialogSettings::Kind::Open, "there", true, "there.txt"},
                             ChoiceCase{"OpenTakesAnExistingFile", FileDialogSettings::Kind::Open,
                                        "there.txt", true, "there.txt"},
                             ChoiceCase{"SaveReplacesAnExistingFile",
                                        FileDialogSettings::Kind::Save, "there", true, "there.txt"},
                             ChoiceCase{"AnExtensionOfItsOwnIsKept", FileDialogSettings::Kind::Save,
                                        "list.lst", false, "list.lst"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileDialog, CancelReturnsFalseAndKeepsTheName) {
  FileDialogSettings dialog =
      SearchesDialog(FileDialogSettings::Kind::Open, "Load Searches From File");
  DialogAnswerer answerer("Load Searches From File", [&](HWND window) {
    LookAtFileDialog(window);
    SendMessageA(FileNameControl(window), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(scratch_.File("other").c_str()));
    testing::PressKey(window, VK_ESCAPE);
  });

  EXPECT_FALSE(ui_.ExecuteFileDialog(dialog));
  ASSERT_TRUE(answerer.Finish());
  EXPECT_EQ(dialog.FileName, "Toolbar Searches.txt");
}

// ---------------------------------------------------------------------------
// Clipboard

class Clipboard : public ::testing::TestWithParam<std::string> {};

TEST_P(Clipboard, TextComesBackAsItWasPut) {
  win32::Win32UserInterface ui;
  ui.SetClipboardText(GetParam());
  EXPECT_EQ(ui.ClipboardText(), std::optional<std::string>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Texts, Clipboard,
                         ::testing::Values(std::string("search words"), std::string(),
                                           std::string("caf\xE9 \xFC\xDF \xA3 \x80"),
                                           std::string("two\r\nlines"), std::string(100000, 'z')));

TEST(ClipboardWithoutText, EmptyIsNone) {
  win32::Win32UserInterface ui;
  ui.SetClipboardText("something");
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(ui.ClipboardText(), std::nullopt);
}

// Another program's clipboard: this program run once more with one of the
// helpers below, which puts its data there and ends.
struct ForeignCase {
  const char* name;
  const char* helper;
  std::optional<std::string> expected;
};

class ForeignClipboard : public ::testing::TestWithParam<ForeignCase> {};

bool RunHelper(const std::string& helper) {
  std::string program(MAX_PATH, '\0');
  program.resize(GetModuleFileNameA(nullptr, program.data(), MAX_PATH));
  std::string command =
      "\"" + program +
      "\" --gtest_also_run_disabled_tests --gtest_filter=ClipboardHelper.DISABLED_" + helper;
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

TEST_P(ForeignClipboard, OnlyTextIsText) {
  win32::Win32UserInterface ui;
  ui.SetClipboardText("ours");
  ASSERT_TRUE(RunHelper(GetParam().helper));
  EXPECT_EQ(ui.ClipboardText(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Programs, ForeignClipboard,
                         ::testing::Values(ForeignCase{"APictureIsNoText", "PutsAPicture",
                                                       std::nullopt},
                                           ForeignCase{"UnicodeTextReadsAsText", "PutsUnicodeText",
                                                       std::string("caf\xE9")}),
                         [](const auto& info) { return std::string(info.param.name); });

HGLOBAL GlobalCopy(const void* data, size_t size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory) {
    memcpy(GlobalLock(memory), data, size);
    GlobalUnlock(memory);
  }
  return memory;
}

// Run only by the tests above, in a process of their own.
TEST(ClipboardHelper, DISABLED_PutsAPicture) {
  BITMAPINFOHEADER picture[2] = {};
  picture[0].biSize = sizeof(BITMAPINFOHEADER);
  picture[0].biWidth = 1;
  picture[0].biHeight = 1;
  picture[0].biPlanes = 1;
  picture[0].biBitCount = 32;
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  EXPECT_NE(SetClipboardData(CF_DIB, GlobalCopy(picture, sizeof picture)), nullptr);
  CloseClipboard();
}

TEST(ClipboardHelper, DISABLED_PutsUnicodeText) {
  const wchar_t text[] = L"caf\u00e9";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  EXPECT_NE(SetClipboardData(CF_UNICODETEXT, GlobalCopy(text, sizeof text)), nullptr);
  CloseClipboard();
}

}  // namespace
}  // namespace pq
