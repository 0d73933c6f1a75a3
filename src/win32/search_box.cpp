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

// Of the field's own timers the edit control uses none from this number on.
constexpr UINT_PTR kSuggestionTimer = 0x50C1;
// What the box's own message tells the field: a reply waits (0, the
// waker's), or the entry chosen in the list goes back into it.
constexpr WPARAM kPutChoice = 1;

// The message that tells the field a suggestion reply waits: registered, so
// that a window that took over a closed field's handle ignores it.
UINT SuggestionMessage() {
  static const UINT message = RegisterWindowMessageW(L"Pelliquester.SuggestionReply");
  return message;
}

// The height to make the box with, for a list `visible_entries` tall. The
// box keeps for its list the room below its closed part as made, which it
// measures with the system font, before it has its own: text as tall as the
// font's with 2 pixels above and below, a 2-pixel edge, a pixel between
// them. Its entries are as tall as its own font's text, and the list has a
// pixel of border above and below. Made so, the box needs no second sizing,
// which costs as much as a tenth of the window's making.
int MadeHeight(HFONT font, int visible_entries) {
  const HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return 0;
  TEXTMETRICW system{}, own{};
  GetTextMetricsW(dc, &system);
  const HGDIOBJ before = SelectObject(dc, font);
  GetTextMetricsW(dc, &own);
  SelectObject(dc, before);
  DeleteDC(dc);
  constexpr int kEdge = 2, kPadding = 1, kTextGap = 2, kListBorders = 2;
  const int list_top = kEdge + system.tmHeight + 2 * kTextGap - kPadding + kEdge;
  return list_top + visible_entries * own.tmHeight + kListBorders;
}

}  // namespace

SearchBox::SearchBox(HWND parent, int width, int visible_entries, HFONT font, Events events)
    : events_(std::move(events)) {
  // A Unicode control: a character typed in any language shows as typed and
  // reaches the toolbar whole.
  combo_ = CreateWindowExW(
      0, L"COMBOBOX", L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, 0, width,
      MadeHeight(font, visible_entries), parent, nullptr, ThisModule(), nullptr);
  if (!combo_) throw Error("The search box cannot be created");
  SendMessageW(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(combo_, &info)) {
    edit_ = info.hwndItem;
    list_ = info.hwndList;
  }
  if (!edit_) edit_ = FindWindowExW(combo_, nullptr, L"EDIT", nullptr);
  if (!edit_ || !edit_subclass_.Install(edit_, &SearchBox::EditProc, this)) {
    DestroyWindow(combo_);
    throw Error("The search box cannot be created");
  }
  // Where the controls take the number of entries, they are told it too.
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

void SearchBox::FillList(const TStringList& entries) {
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
}

void SearchBox::ShowList(const TStringList& entries) {
  if (!combo_) return;
  // Emptying the list empties the field: its text and caret are put back.
  const std::wstring text = edit_ ? WindowTextW(edit_) : Wide(Text());
  DWORD start = 0, end = 0;
  if (edit_)
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  FillList(entries);
  if (!combo_) return;
  // An empty field stays as it was: nothing to put back, and no change to
  // tell of.
  if (text.empty() && start == 0 && end == 0) return;
  SetWindowTextW(combo_, text.c_str());
  if (edit_) SendMessageW(edit_, EM_SETSEL, start, end);
}

void SearchBox::ShowCompletion(const TStringList& entries) {
  if (!combo_ || !edit_) return;
  const std::wstring text = WindowTextW(edit_);
  DWORD start = 0, end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const LRESULT shown = SendMessageW(combo_, CB_GETCOUNT, 0, 0);
  FillList(entries);
  if (!combo_) return;
  // The box sizes its open list when it opens: a list that got more or fewer
  // entries (suggestions that came) opens anew at the right height.
  if (ListOpen() && shown != entries.Count()) CloseList();
  if (!ListOpen()) {
    own_drop_ = true;
    SendMessageW(combo_, CB_SHOWDROPDOWN, TRUE, 0);
    own_drop_ = false;
  }
  // Opening the list puts the first entry that starts with the text into the
  // field, all of it selected: what the user types next would replace it.
  if (WindowTextW(edit_) != text) SetWindowTextW(edit_, text.c_str());
  SendMessageW(edit_, EM_SETSEL, start, end);
  if (list_) SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void SearchBox::ChooseEntry(int index, const std::string& text) {
  if (!edit_) return;
  // The list itself is told, not the box: the box would copy the entry into
  // the field, all of it selected.
  if (list_) SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  const std::wstring wide = Wide(text);
  SetWindowTextW(edit_, wide.c_str());
  SendMessageW(edit_, EM_SETSEL, wide.size(), wide.size());
}

void SearchBox::CloseList() {
  if (!combo_ || !ListOpen()) return;
  own_close_ = true;
  SendMessageW(combo_, CB_SHOWDROPDOWN, FALSE, 0);
  own_close_ = false;
}

bool SearchBox::ListOpen() const {
  return combo_ && SendMessageW(combo_, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void SearchBox::StartTimer(unsigned delay_ms) {
  if (edit_) SetTimer(edit_, kSuggestionTimer, delay_ms, nullptr);
}

void SearchBox::StopTimer() {
  if (edit_) KillTimer(edit_, kSuggestionTimer);
}

std::function<void()> SearchBox::Waker() const {
  const HWND edit = edit_;
  const UINT message = SuggestionMessage();
  return [edit, message] { PostMessageW(edit, message, 0, 0); };
}

void SearchBox::OnNotification(int code) {
  if (code == CBN_DROPDOWN && !own_drop_ && events_.list_dropping) events_.list_dropping();
  // The entry the user chose in the list, with the mouse or Enter.
  if (code == CBN_SELENDOK) {
    const LRESULT index = SendMessageW(combo_, CB_GETCURSEL, 0, 0);
    chosen_ = index >= 0 ? ListText(index) : std::nullopt;
  }
  if (code == CBN_CLOSEUP) {
    std::optional<std::wstring> chosen = std::move(chosen_);
    chosen_.reset();
    if (own_close_ || !events_.list_closed) return;
    events_.list_closed();
    // The box copies the entry chosen into the field only after it told of
    // the closing: from a list filled anew meanwhile it would copy nothing.
    // The choice is put back once it has.
    if (chosen && edit_) {
      chosen_ = std::move(chosen);
      PostMessageW(edit_, SuggestionMessage(), kPutChoice, 0);
    }
  }
}

std::optional<std::wstring> SearchBox::ListText(LRESULT index) const {
  const LRESULT length = SendMessageW(combo_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return std::nullopt;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(combo_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(text.data()));
  if (got < 0) return std::nullopt;
  text.resize(static_cast<size_t>(got));
  return text;
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

LRESULT SearchBox::Editing(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
  const std::wstring before = WindowTextW(edit);
  const LRESULT result = edit_subclass_.CallNext(edit, message, wparam, lparam);
  if (edit_ && events_.text_changed && WindowTextW(edit) != before) events_.text_changed();
  return result;
}

LRESULT SearchBox::OnEditMessage(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == SuggestionMessage() && message != 0) {
    if (wparam == kPutChoice) {
      if (chosen_) {
        SetWindowTextW(edit, chosen_->c_str());
        SendMessageW(edit, EM_SETSEL, chosen_->size(), chosen_->size());
      }
      chosen_.reset();
    } else if (events_.suggestions_waiting) {
      events_.suggestions_waiting();
    }
    return 0;
  }
  switch (message) {
    case WM_TIMER:
      if (wparam != kSuggestionTimer) break;
      KillTimer(edit, kSuggestionTimer);
      if (events_.suggestion_timer) events_.suggestion_timer();
      return 0;
    case WM_KEYDOWN:
      if (events_.list_key && ListOpen() &&
          (wparam == VK_UP || wparam == VK_DOWN || wparam == VK_ESCAPE)) {
        const ListKey key = wparam == VK_UP     ? ListKey::Up
                            : wparam == VK_DOWN ? ListKey::Down
                                                : ListKey::Escape;
        if (events_.list_key(key)) return 0;
      }
      // Moving through the list the user opened chooses an entry, which the
      // box copies into the field: not typing, and no completion of it.
      if (ListOpen() &&
          (wparam == VK_UP || wparam == VK_DOWN || wparam == VK_PRIOR || wparam == VK_NEXT))
        return edit_subclass_.CallNext(edit, message, wparam, lparam);
      return Editing(edit, message, wparam, lparam);
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
      return Editing(edit, message, wparam, lparam);
    case WM_CHAR: {
      // The field is a Unicode window: its characters arrive in UTF-16 and
      // stay in the field whole. The toolbar looks at the keys that are
      // control characters and ASCII (Enter above all); a character beyond
      // ASCII, or half of a surrogate pair, is the field's alone.
      const wchar_t typed = static_cast<wchar_t>(wparam);
      if (!events_.key_press || typed >= 0x80) return Editing(edit, message, wparam, lparam);
      char key = static_cast<char>(typed);
      events_.key_press(key);
      if (key == 0) return 0;
      if (static_cast<unsigned char>(key) < 0x80) wparam = static_cast<unsigned char>(key);
      return Editing(edit, message, wparam, lparam);
    }
    case WM_KILLFOCUS: {
      const HWND next = reinterpret_cast<HWND>(wparam);
      // The list is a window of the box's own, though not its child.
      const bool own = next == edit || next == list_ || (combo_ && (next == combo_ || IsChild(combo_, next)));
      if (events_.focus_left && !own) events_.focus_left(next);
      break;
    }
    case WM_SETFOCUS: {
      const LRESULT result = edit_subclass_.CallNext(edit, message, wparam, lparam);
      if (events_.focus_gained) events_.focus_gained(reinterpret_cast<HWND>(wparam));
      return result;
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
