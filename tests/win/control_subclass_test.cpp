// The toolbar window's helpers that keep per-message and per-window costs
// down: a control's procedure with ours in front of it, found without a
// window property, and the icon strips the process's windows share.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "win32/control_subclass.h"

namespace pq::win32 {
namespace {

// Records what reaches it and hands everything on.
struct Listener {
  ControlSubclass subclass;
  std::vector<UINT> heard;

  static LRESULT CALLBACK Proc(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = ControlSubclass::Owner<Listener>(control);
    if (!self) return DefWindowProcW(control, message, wparam, lparam);
    self->heard.push_back(message);
    // A character the listener swallows never reaches the control.
    if (message == WM_CHAR && wparam == L'x') return 0;
    return self->subclass.CallNext(control, message, wparam, lparam);
  }
};

HWND MakeEdit() {
  return CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

std::wstring TextOf(HWND control) {
  wchar_t text[64] = {};
  GetWindowTextW(control, text, 64);
  return text;
}

TEST(ControlSubclass, HearsTheControlsMessagesAndHandsThemOn) {
  HWND edit = MakeEdit();
  ASSERT_NE(edit, nullptr);
  const LONG_PTR own_proc = GetWindowLongPtrW(edit, GWLP_WNDPROC);
  Listener listener;
  ASSERT_TRUE(listener.subclass.Install(edit, &Listener::Proc, &listener));
  EXPECT_TRUE(listener.subclass.Installed());
  Listener second;
  EXPECT_FALSE(second.subclass.Install(edit, &Listener::Proc, &second))
      << "a control has one owner";

  // Characters handed on reach the control; the swallowed one does not.
  for (wchar_t typed : std::wstring(L"axb")) SendMessageW(edit, WM_CHAR, typed, 0);
  EXPECT_EQ(TextOf(edit), L"ab");
  int chars = 0;
  for (UINT message : listener.heard) chars += message == WM_CHAR;
  EXPECT_EQ(chars, 3);

  listener.subclass.Remove();
  EXPECT_FALSE(listener.subclass.Installed());
  EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), own_proc);
  EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_USERDATA), 0);
  listener.heard.clear();
  SendMessageW(edit, WM_CHAR, L'x', 0);
  EXPECT_TRUE(listener.heard.empty());
  EXPECT_EQ(TextOf(edit), L"abx") << "removed, the listener swallows nothing";
  DestroyWindow(edit);
}

TEST(ControlSubclass, LetsGoOfTheControlAsItIsDestroyed) {
  HWND edit = MakeEdit();
  ASSERT_NE(edit, nullptr);
  Listener listener;
  ASSERT_TRUE(listener.subclass.Install(edit, &Listener::Proc, &listener));
  DestroyWindow(edit);
  EXPECT_FALSE(listener.subclass.Installed());
  ASSERT_FALSE(listener.heard.empty());
  EXPECT_EQ(listener.heard.back(), static_cast<UINT>(WM_NCDESTROY));
  listener.subclass.Remove();  // nothing left to give back
}

}  // namespace
}  // namespace pq::win32
