#include "win32/search_box.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/error.h"
#include "win32/this_module.h"

namespace pq::win32 {
namespace {

constexpr UINT_PTR kEditSubclass = 1;

std::string ToCodePage(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), converted.data(), size,
                      nullptr, nullptr);
  return converted;
}

std::wstring WindowTextW(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

SearchBox::SearchBox(HWND parent, int width, int visible_entries, HFONT font, Events events)
    : events_(std::move(events)) {
  // A Unicode control, so that a character typed in any language shows as
  // typed and its edit field counts selections in UTF-16 units on every
  // system; the text crosses in the system code page all the same, through
  // the A functions.
  combo_ = CreateWindowExW(
      0, L"COMBOBOX", L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, 0, width,
      200, parent, nullptr, ThisModule(), nullptr);
  if (!combo_) throw Error("The search box cannot be created");
  SendMessageA(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(combo_, &info)) edit_ = info.hwndItem;
  if (!edit_) edit_ = FindWindowExA(combo_, nullptr, "EDIT", nullptr);
  if (!edit_ || !SetWindowSubclass(edit_, &SearchBox::EditProc, kEditSubclass,
                                   reinterpret_cast<DWORD_PTR>(this))) {
    DestroyWindow(combo_);
    throw Error("The search box cannot be created");
  }
  // The drop-down height counts from the closed box's; version 6 of the
  // controls takes the number of entries instead.
  const int entry_height = static_cast<int>(SendMessageA(combo_, CB_GETITEMHEIGHT, 0, 0));
  SetWindowPos(combo_, nullptr, 0, 0, width, Size().cy + visible_entries * entry_height + 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageA(combo_, CB_SETMINVISIBLE, static_cast<WPARAM>(visible_entries), 0);
}

SearchBox::~SearchBox() {
  if (edit_) RemoveWindowSubclass(edit_, &SearchBox::EditProc, kEditSubclass);
  if (combo_) DestroyWindow(combo_);
}

SIZE SearchBox::Size() const {
  RECT area{};
  GetWindowRect(combo_, &area);
  return {area.right - area.left, area.bottom - area.top};
}

std::string SearchBox::Text() const {
  if (!combo_) return {};
  std::string text(static_cast<size_t>(GetWindowTextLengthA(combo_)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(combo_, text.data(), static_cast<int>(text.size()))));
  return text;
}

void SearchBox::SetText(const std::string& text) {
  if (combo_) SetWindowTextA(combo_, text.c_str());
}

std::string SearchBox::Selection() const {
  if (!edit_) return {};
  DWORD start = 0, end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const std::wstring text = WindowTextW(edit_);
  start = std::min<DWORD>(start, static_cast<DWORD>(text.size()));
  end = std::clamp<DWORD>(end, start, static_cast<DWORD>(text.size()));
  return ToCodePage(text.substr(start, end - start));
}

void SearchBox::SelectAll() {
  if (combo_) SendMessageA(combo_, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

int SearchBox::SelectedIndex() const {
  return combo_ ? static_cast<int>(SendMessageA(combo_, CB_GETCURSEL, 0, 0)) : -1;
}

void SearchBox::ShowList(const TStringList& entries) {
  if (!combo_) return;
  const std::string text = Text();
  SendMessageA(combo_, WM_SETREDRAW, FALSE, 0);
  SendMessageA(combo_, CB_RESETCONTENT, 0, 0);
  size_t bytes = 0;
  for (int i = 0; i < entries.Count(); ++i) bytes += entries[i].size() + 1;
  // Room for all entries at once, then each appended in order: the list
  // grows in linear time, however long the history.
  SendMessageA(combo_, CB_INITSTORAGE, static_cast<WPARAM>(entries.Count()),
               static_cast<LPARAM>(bytes));
  std::string entry;
  for (int i = 0; i < entries.Count(); ++i) {
    entry.assign(entries[i]);
    SendMessageA(combo_, CB_INSERTSTRING, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(entry.c_str()));
  }
  SendMessageA(combo_, WM_SETREDRAW, TRUE, 0);
  SetText(text);
}

void SearchBox::InsertEntry(int index, std::string_view text) {
  if (!combo_) return;
  const std::string entry(text);
  SendMessageA(combo_, CB_INSERTSTRING, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(entry.c_str()));
}

void SearchBox::DeleteEntry(int index) {
  if (combo_) SendMessageA(combo_, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

LRESULT CALLBACK SearchBox::EditProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR, DWORD_PTR self) {
  auto* box = reinterpret_cast<SearchBox*>(self);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, &SearchBox::EditProc, kEditSubclass);
    box->edit_ = nullptr;
    box->combo_ = nullptr;
    return DefSubclassProc(window, message, wparam, lparam);
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
      // The field is a Unicode window: its characters arrive in UTF-16.
      const wchar_t typed = static_cast<wchar_t>(wparam);
      char key = 0;
      if (!events_.key_press) break;
      BOOL substituted = FALSE;
      if (typed < 0x80)
        key = static_cast<char>(typed);
      else if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &typed, 1, &key, 1, nullptr,
                                   &substituted) != 1 ||
               substituted)
        break;  // no single character of the code page: the field alone handles it
      const char typed_key = key;
      events_.key_press(key);
      if (key == 0) return 0;
      if (key != typed_key) {
        wchar_t replaced = 0;
        if (MultiByteToWideChar(CP_ACP, 0, &key, 1, &replaced, 1) == 1) wparam = replaced;
      }
      break;
    }
    case WM_CONTEXTMENU:
      if (!events_.context_menu) break;
      events_.context_menu(
          {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
      return 0;
  }
  return DefSubclassProc(edit, message, wparam, lparam);
}

}  // namespace pq::win32
