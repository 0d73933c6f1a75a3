#include "win32/search_box.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/error.h"
#include "win32/this_module.h"
#include "win32/wide_text.h"
#include "win32/window_text.h"

namespace pq::win32 {
namespace {

}  // namespace

SearchBox::SearchBox(HWND parent, int width, int visible_entries, HFONT font, Events events)
    : events_(std::move(events)) {
  // A Unicode control: a character typed in any language shows as typed and
  // reaches the toolbar whole.
  combo_ = CreateWindowExW(
      0, L"COMBOBOX", L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, 0, width,
      200, parent, nullptr, ThisModule(), nullptr);
  if (!combo_) throw Error("The search box cannot be created");
  SendMessageW(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(combo_, &info)) edit_ = info.hwndItem;
  if (!edit_) edit_ = FindWindowExW(combo_, nullptr, L"EDIT", nullptr);
  if (!edit_ || !edit_subclass_.Install(edit_, &SearchBox::EditProc, this)) {
    DestroyWindow(combo_);
    throw Error("The search box cannot be created");
  }
  // The drop-down height counts from the closed box's; version 6 of the
  // controls takes the number of entries instead.
  const int entry_height = static_cast<int>(SendMessageW(combo_, CB_GETITEMHEIGHT, 0, 0));
  SetWindowPos(combo_, nullptr, 0, 0, width, Size().cy + visible_entries * entry_height + 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(combo_, CB_SETMINVISIBLE, static_cast<WPARAM>(visible_entries), 0);
}

SearchBox::~SearchBox() {
  edit_subclass_.Remove();
  if (combo_) DestroyWindow(combo_);
}

SIZE SearchBox::Size() const {
  RECT area{};
  GetWindowRect(combo_, &area);
  return {area.right - area.left, area.bottom - area.top};
}

std::string SearchBox::Text() const {
  return combo_ ? WindowText(combo_) : std::string();
}

void SearchBox::SetText(const std::string& text) {
  if (combo_) SetWindowTextUtf8(combo_, text);
}

std::string SearchBox::Selection() const {
  if (!edit_) return {};
  DWORD start = 0, end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const std::wstring text = WindowTextW(edit_);
  start = std::min<DWORD>(start, static_cast<DWORD>(text.size()));
  end = std::clamp<DWORD>(end, start, static_cast<DWORD>(text.size()));
  return Utf8(std::wstring_view(text).substr(start, end - start));
}

void SearchBox::SelectAll() {
  if (combo_) SendMessageW(combo_, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

int SearchBox::SelectedIndex() const {
  return combo_ ? static_cast<int>(SendMessageW(combo_, CB_GETCURSEL, 0, 0)) : -1;
}

void SearchBox::ShowList(const TStringList& entries) {
  if (!combo_) return;
  const std::string text = Text();
  SendMessageW(combo_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
  std::vector<std::wstring> wide;
  wide.reserve(static_cast<size_t>(entries.Count()));
  size_t bytes = 0;
  for (int i = 0; i < entries.Count(); ++i) {
    wide.push_back(Wide(entries[i]));
    bytes += (wide.back().size() + 1) * sizeof(wchar_t);
  }
  // Room for all entries at once, then each appended in order: the list
  // grows in linear time, however long the history.
  SendMessageW(combo_, CB_INITSTORAGE, static_cast<WPARAM>(entries.Count()),
               static_cast<LPARAM>(bytes));
  for (size_t i = 0; i < wide.size(); ++i)
    SendMessageW(combo_, CB_INSERTSTRING, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(wide[i].c_str()));
  SendMessageW(combo_, WM_SETREDRAW, TRUE, 0);
  SetText(text);
}

void SearchBox::InsertEntry(int index, std::string_view text) {
  if (!combo_) return;
  const std::wstring entry = Wide(text);
  SendMessageW(combo_, CB_INSERTSTRING, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(entry.c_str()));
}

void SearchBox::DeleteEntry(int index) {
  if (combo_) SendMessageW(combo_, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

LRESULT CALLBACK SearchBox::EditProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* box = ControlSubclass::Owner<SearchBox>(window);
  if (!box) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    box->edit_ = nullptr;
    box->combo_ = nullptr;
    return box->edit_subclass_.CallNext(window, message, wparam, lparam);
  }
  try {
    return box->OnEditMessage(window, message, wparam, lparam);
  } catch (...) {
    // Nothing may leave a window procedure; the handlers show their own errors.
    return 0;
  }
}

LRESULT SearchBox::OnEditMessage(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CHAR: {
      // The field is a Unicode window: its characters arrive in UTF-16 and
      // stay in the field whole. The toolbar looks at the keys that are
      // control characters and ASCII (Enter above all); a character beyond
      // ASCII, or half of a surrogate pair, is the field's alone.
      const wchar_t typed = static_cast<wchar_t>(wparam);
      if (!events_.key_press || typed >= 0x80) break;
      char key = static_cast<char>(typed);
      events_.key_press(key);
      if (key == 0) return 0;
      if (static_cast<unsigned char>(key) < 0x80) wparam = static_cast<unsigned char>(key);
      break;
    }
    case WM_CONTEXTMENU:
      if (!events_.context_menu) break;
      events_.context_menu(
          {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
      return 0;
  }
  return edit_subclass_.CallNext(edit, message, wparam, lparam);
}

}  // namespace pq::win32
