#pragma once
// The search box: an editable drop-down list whose text is the query and
// whose list is the search history. Its edit field reports each typed
// character before handling it, and its own context menu makes way for the
// toolbar's.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "config/string_list.h"
#include "win32/control_subclass.h"

namespace pq::win32 {

class SearchBox {
 public:
  // Keys that move through the open list.
  enum class ListKey { Up, Down, Escape };
  struct Events {
    // A control character or ASCII character typed into the edit field; set
    // to 0 to keep it from the field. Other characters go to the field
    // unreported: the text they make is read whole, as UTF-8.
    std::function<void(char& key)> key_press;
    // The edit field's context menu is asked for at a point of the screen
    // (-1, -1 from the keyboard).
    std::function<void(POINT at)> context_menu;
    // The user changed the text: typed, pasted, cut or deleted.
    std::function<void()> text_changed;
    // A key for the open list; true when it was taken.
    std::function<bool(ListKey key)> list_key;
    // The user opens the list himself (its button, F4, Alt+Down).
    std::function<void()> list_dropping;
    // The list closed other than by CloseList.
    std::function<void()> list_closed;
    // The focus came to the field from the window given (none: from no window
    // of the thread's).
    std::function<void(HWND from)> focus_gained;
    // The focus went from the field to a window that is not the box's.
    std::function<void(HWND to)> focus_left;
    // The suggestion timer ran out.
    std::function<void()> suggestion_timer;
    // The waker was called.
    std::function<void()> suggestions_waiting;
  };

  // Width in pixels of the window's resolution; the list shows this many
  // entries at a time.
  SearchBox(HWND parent, int width, int visible_entries, HFONT font, Events events);
  ~SearchBox();
  SearchBox(const SearchBox&) = delete;
  SearchBox& operator=(const SearchBox&) = delete;

  HWND Handle() const { return combo_; }
  HWND Edit() const { return edit_; }
  // The closed box's size.
  SIZE Size() const;

  std::string Text() const;
  void SetText(const std::string& text);
  std::string Selection() const;
  void SelectAll();
  int SelectedIndex() const;
  // The list becomes these entries in this order; the text stays.
  void ShowList(const TStringList& entries);
  void InsertEntry(int index, std::string_view text);
  void DeleteEntry(int index);

  // The list becomes these entries and opens, none of them selected; the
  // text and the caret stay as they are.
  void ShowCompletion(const TStringList& entries);
  // Selects the list's entry (-1: none) and puts the text into the field,
  // the caret at its end.
  void ChooseEntry(int index, const std::string& text);
  void CloseList();
  bool ListOpen() const;
  void StartTimer(unsigned delay_ms);
  void StopTimer();
  // Posts to the field's thread from any thread; harmless once it is gone.
  std::function<void()> Waker() const;
  // A notification of the box to its parent (CBN_...), forwarded.
  void OnNotification(int code);

 private:
  void FillList(const TStringList& entries);
  // The text of an entry of the list; none when there is no such entry.
  std::optional<std::wstring> ListText(LRESULT index) const;
  // Runs the field's own handling of a message and reports a changed text.
  LRESULT Editing(HWND edit, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnEditMessage(HWND edit, UINT message, WPARAM wparam, LPARAM lparam);

  Events events_;
  HWND combo_ = nullptr;
  HWND edit_ = nullptr;
  HWND list_ = nullptr;
  // The box opens or closes its list because the toolbar said so.
  bool own_drop_ = false;
  bool own_close_ = false;
  // The entry the user chose as the list closes, until it is in the field.
  std::optional<std::wstring> chosen_;
  // Without a window property: each message to the field would look it up.
  ControlSubclass edit_subclass_;
};

}  // namespace pq::win32
