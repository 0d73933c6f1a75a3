// The toolbar window's helpers that keep per-message and per-window costs
// down: a control's procedure with ours in front of it, found without a
// window property, and the icon strips the process's windows share.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "win32/control_subclass.h"
#include "win32/shared_strips.h"

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

unique_hbitmap Strip(int size) {
  return unique_hbitmap(CreateBitmap(size * 4, size, 1, 32, nullptr));
}

TEST(SharedStrips, EachStripIsMadeOnceAndAFailedOneIsTriedAgain) {
  SharedStrips::Release();
  int made = 0;
  std::vector<HBITMAP> used;
  const auto use = [&](HBITMAP strip) { used.push_back(strip); };
  const struct {
    int resource, size;
    bool fails;
    int made_after, kept_after;
  } steps[] = {
      {1, 16, false, 1, 1},  // made
      {1, 16, false, 1, 1},  // kept
      {1, 24, false, 2, 2},  // another size
      {2, 16, false, 3, 3},  // another strip
      {3, 16, true, 4, 3},   // failed: not kept, not used
      {3, 16, false, 5, 4},  // tried again
      {3, 16, false, 5, 4},
  };
  size_t uses = 0;
  for (const auto& step : steps) {
    SharedStrips::Use(
        step.resource, step.size,
        [&] {
          ++made;
          return step.fails ? unique_hbitmap() : Strip(step.size);
        },
        use);
    EXPECT_EQ(made, step.made_after) << step.resource << "/" << step.size;
    EXPECT_EQ(SharedStrips::Count(), step.kept_after) << step.resource << "/" << step.size;
    if (!step.fails) ++uses;
    EXPECT_EQ(used.size(), uses);
  }
  // The same strip each time it is asked for again.
  EXPECT_EQ(used[0], used[1]);
  EXPECT_NE(used[0], used[2]);
  EXPECT_EQ(used[4], used[5]);
  // Freed at the module's unloading.
  BITMAP picture{};
  SharedStrips::Release();
  EXPECT_EQ(SharedStrips::Count(), 0);
  EXPECT_EQ(GetObjectW(used[0], sizeof picture, &picture), 0);
}

}  // namespace
}  // namespace pq::win32
