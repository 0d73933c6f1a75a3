#include "win32/win32_user_interface.h"

#include <windows.h>
// after windows.h, which it needs
#include <commdlg.h>

#include <atomic>
#include <cstring>
#include <cwchar>

#include "platform/error.h"
#include "win32/about_window.h"
#include "win32/handles.h"
#include "win32/input_box.h"
#include "win32/wide_text.h"

namespace pq::win32 {
namespace {

// Room for any path the file dialogs may return.
constexpr size_t kFileNameRoom = 32768;

// The clipboard, open for this thread while the object lives.
class OpenClipboardScope {
 public:
  OpenClipboardScope() {
    // Another program may hold it for a moment.
    for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
      open_ = OpenClipboard(nullptr) != 0;
      if (!open_) Sleep(10);
    }
    if (!open_) throw Error("Cannot open clipboard");
  }
  ~OpenClipboardScope() { CloseClipboard(); }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;

 private:
  bool open_ = false;
};

// The thread's innermost scope and modal call; each lives on the stack of
// the code that opened it, so that the innermost is always the last opened.
thread_local const DialogOwner* innermost_owner = nullptr;
thread_local ModalCall* innermost_call = nullptr;
std::atomic<long> calls_under_way{0};

}  // namespace

DialogOwner::DialogOwner(HWND window) : window_(window), outer_(innermost_owner) {
  innermost_owner = this;
}

DialogOwner::~DialogOwner() { innermost_owner = outer_; }

HWND DialogOwner::Current() { return innermost_owner ? innermost_owner->window_ : nullptr; }

ModalCall::ModalCall(Kind kind, INT_PTR cancelled)
    : kind_(kind),
      cancelled_(cancelled),
      toolbar_(DialogOwner::Current()),
      owner_(toolbar_ ? GetAncestor(toolbar_, GA_ROOT) : GetActiveWindow()),
      outer_(innermost_call) {
  innermost_call = this;
  ++calls_under_way;
  // The dialog's window is the first top-level window its call makes with
  // the owner it was given: seen as it is made, it can be ended with the
  // toolbar window. Menus are ended without their window.
  if (kind_ == Kind::Dialog && toolbar_)
    hook_ = SetWindowsHookExW(WH_CBT, &ModalCall::WatchCreation, nullptr, GetCurrentThreadId());
}

ModalCall::~ModalCall() {
  if (hook_) UnhookWindowsHookEx(hook_);
  --calls_under_way;
  innermost_call = outer_;
}

LRESULT CALLBACK ModalCall::WatchCreation(int code, WPARAM wparam, LPARAM lparam) {
  ModalCall* call = innermost_call;
  if (code == HCBT_CREATEWND && call && call->hook_ && !call->dialog_) {
    const CREATESTRUCTW& made = *reinterpret_cast<const CBT_CREATEWNDW*>(lparam)->lpcs;
    if (!(made.style & WS_CHILD) && made.hwndParent == call->owner_)
      call->dialog_ = reinterpret_cast<HWND>(wparam);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void EndModalCallsOf(HWND window) {
  for (ModalCall* call = innermost_call; call; call = call->outer_) {
    if (!window || call->toolbar_ != window) continue;
    if (call->kind_ == ModalCall::Kind::Menu)
      EndMenu();
    else if (call->dialog_ && IsWindow(call->dialog_))
      EndDialog(call->dialog_, call->cancelled_);
  }
}

long ModalCallsUnderWay() { return calls_under_way.load(); }

int Win32UserInterface::ShowMessageBox(const std::string& text, const std::string& caption,
                                       uint32_t style) {
  const ModalCall call(ModalCall::Kind::Dialog, IDCANCEL);
  return MessageBoxW(call.Owner(), Wide(text).c_str(), Wide(caption).c_str(), style);
}

bool Win32UserInterface::ExecuteFileDialog(FileDialogSettings& dialog) {
  // "Text files (*.txt)|*.txt|..." becomes the dialog's list of NUL-ended
  // pairs, with one more NUL at its end.
  std::wstring filter = Wide(dialog.Filter);
  for (wchar_t& c : filter)
    if (c == L'|') c = L'\0';
  filter.append(2, L'\0');
  std::wstring file(kFileNameRoom, L'\0');
  const std::wstring name = Wide(dialog.FileName);
  name.copy(file.data(), std::min(name.size(), kFileNameRoom - 1));
  const std::wstring extension = Wide(!dialog.DefaultExt.empty() && dialog.DefaultExt[0] == '.'
                                          ? dialog.DefaultExt.substr(1)
                                          : dialog.DefaultExt);
  const std::wstring title = Wide(dialog.Title);
  // Ended with its window, the dialog answers as when cancelled.
  const ModalCall call(ModalCall::Kind::Dialog, FALSE);
  OPENFILENAMEW settings{};
  settings.lStructSize = sizeof settings;
  settings.hwndOwner = call.Owner();
  settings.lpstrFilter = filter.c_str();
  settings.nFilterIndex = 1;
  settings.lpstrFile = file.data();
  settings.nMaxFile = static_cast<DWORD>(file.size());
  settings.lpstrTitle = title.empty() ? nullptr : title.c_str();
  settings.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  // No read-only box; the open dialog takes names of files that do not exist
  // yet, and the save dialog replaces a file without asking.
  settings.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
  const BOOL chosen = dialog.kind == FileDialogSettings::Kind::Open ? GetOpenFileNameW(&settings)
                                                                    : GetSaveFileNameW(&settings);
  if (!chosen) return false;
  dialog.FileName = Utf8(file.c_str());
  return true;
}

void Win32UserInterface::SetClipboardText(const std::string& text) {
  const std::wstring wide = Wide(text);
  const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  unique_hglobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) throw Error("Out of memory");
  auto* data = static_cast<wchar_t*>(GlobalLock(memory.get()));
  if (!data) throw Error("Out of memory");
  std::memcpy(data, wide.c_str(), bytes);
  GlobalUnlock(memory.get());
  OpenClipboardScope clipboard;
  EmptyClipboard();
  // The clipboard owns the memory once it takes it; it offers the text in
  // the other text formats itself.
  if (SetClipboardData(CF_UNICODETEXT, memory.get())) memory.release();
}

std::optional<std::string> Win32UserInterface::ClipboardText() {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return std::nullopt;
  OpenClipboardScope clipboard;
  HANDLE memory = GetClipboardData(CF_UNICODETEXT);
  if (!memory) return std::nullopt;
  const auto* data = static_cast<const wchar_t*>(GlobalLock(memory));
  if (!data) return std::nullopt;
  // The text ends at its NUL, or at the end of the memory block at the latest.
  const size_t room = GlobalSize(memory) / sizeof(wchar_t);
  std::string text = Utf8(std::wstring_view(data, wcsnlen(data, room)));
  GlobalUnlock(memory);
  return text;
}

std::string Win32UserInterface::InputBox(const std::string& caption, const std::string& prompt,
                                         const std::string& initial) {
  const ModalCall call(ModalCall::Kind::Dialog, IDCANCEL);
  return ShowInputBox(call.Owner(), caption, prompt, initial);
}

void Win32UserInterface::ShowAboutBox(const AboutBoxContent& content) {
  const ModalCall call(ModalCall::Kind::Dialog, IDCANCEL);
  ShowAboutWindow(call.Owner(), content);
}

}  // namespace pq::win32
