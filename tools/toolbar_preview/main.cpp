// Shows the toolbar window of a configuration in one state and saves the
// screen around it as a bitmap file:
//   toolbar_preview SCENE INSTALL_DIR TOOLBAR_FILE OUT.bmp
// SCENE is normal, chevron (a narrow window with its chevron menu open),
// submenu (the search button's menu open) or search (the search box's
// context menu open).
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/toolbar_config.h"
#include "screen_shot/screen_shot.h"
#include "win32/toolbar_window.h"
#include "win32/win32_clock.h"
#include "win32/win32_desktop.h"
#include "win32/win32_internet.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/wide_text.h"
#include "win32/win32_user_interface.h"

namespace {

constexpr int kWideWidth = 980;
constexpr int kNarrowWidth = 440;
constexpr int kParentHeight = 360;
constexpr int kMenuRoom = 200;
constexpr UINT_PTR kCaptureTimer = 1;

std::string g_scene;
std::string g_out;
HWND g_parent = nullptr;
int g_ticks = 0;

bool MenuOpen() {
  HWND menu = FindWindowW(L"#32768", nullptr);
  return menu && IsWindowVisible(menu);
}

bool SaveScreen(const RECT& area, const std::string& file) {
  const std::optional<pq::tools::Picture> picture = pq::tools::CaptureScreen(area);
  return picture && pq::tools::SaveBitmap(*picture, file);
}

void CALLBACK Capture(HWND, UINT, UINT_PTR, DWORD) {
  ++g_ticks;
  const bool wants_menu = g_scene != "normal" && g_scene != "dpi";
  // A few ticks for painting; a menu scene waits for its menu.
  if (g_ticks < 3 || (wants_menu && !MenuOpen() && g_ticks < 50)) return;
  KillTimer(g_parent, kCaptureTimer);
  // The parent and room for menus that reach past its right edge.
  RECT area{};
  GetWindowRect(g_parent, &area);
  area.right += kMenuRoom;
  if (!SaveScreen(area, g_out)) std::fprintf(stderr, "cannot write %s\n", g_out.c_str());
  if (MenuOpen()) EndMenu();
  PostQuitMessage(0);
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}

void ClickAt(POINT at) {
  SetCursorPos(at.x, at.y);
  INPUT input[2]{};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof(INPUT));
}

// The button whose caption is this, as a rectangle of the screen.
RECT ButtonRect(HWND toolbar, const std::string& caption) {
  const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    TBBUTTON button{};
    SendMessageW(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    const int length = static_cast<int>(SendMessageW(toolbar, TB_GETBUTTONTEXTW, button.idCommand, 0));
    if (length < 0) continue;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(toolbar, TB_GETBUTTONTEXTW, button.idCommand, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    if (pq::win32::Utf8(text) != caption) continue;
    RECT place{};
    SendMessageW(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&place));
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&place), 2);
    return place;
  }
  return {};
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 5) {
    std::fprintf(stderr, "usage: toolbar_preview SCENE INSTALL_DIR TOOLBAR_FILE OUT.bmp\n");
    return 2;
  }
  g_scene = __argv[1];
  g_out = __argv[4];
  // Drawn at the screen's resolution, as the browser draws.
  SetProcessDPIAware();
  static pq::win32::Win32FileSystem files;
  pq::InstallFileSystem(&files);
  pq::win32::Win32Registry registry;
  pq::win32::Win32SystemMessages messages;
  pq::win32::Win32UserInterface ui;
  pq::win32::Win32Clock clock;
  pq::win32::Win32Internet internet;
  pq::win32::Win32Desktop desktop;
  pq::Platform platform;
  platform.registry = &registry;
  platform.messages = &messages;
  platform.ui = &ui;
  platform.clock = &clock;
  platform.internet = &internet;
  platform.desktop = &desktop;
  pq::ToolbarConfig.InstallPath = __argv[2];
  pq::ToolbarConfig.ToolbarFile = __argv[3];
  pq::ToolbarConfig.ToolbarName = __argv[3];
  pq::ToolbarConfig.BandKeyPath = "Software\\Pelliquester Preview";
  pq::ToolbarConfig.SearchUrl = pq::kDefaultSearchUrl;

  WNDCLASSEXW parent_class{};
  parent_class.cbSize = sizeof parent_class;
  parent_class.lpfnWndProc = ParentProc;
  parent_class.hInstance = instance;
  parent_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  parent_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  parent_class.lpszClassName = L"ToolbarPreviewParent";
  RegisterClassExW(&parent_class);
  const int width = g_scene == "chevron" ? kNarrowWidth : kWideWidth;
  g_parent = CreateWindowExW(0, parent_class.lpszClassName, L"Toolbar preview",
                             WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, width, kParentHeight,
                             nullptr, nullptr, instance, nullptr);
  pq::win32::ToolbarWindow toolbar(g_parent, platform);
  SetForegroundWindow(g_parent);
  UpdateWindow(g_parent);

  SetTimer(g_parent, kCaptureTimer, 100, Capture);
  if (g_scene == "chevron") {
    PostMessageW(toolbar.DockControl(), RB_PUSHCHEVRON, 0, 0);
  } else if (g_scene == "submenu") {
    const RECT search = ButtonRect(toolbar.ToolbarControl(), toolbar.Form().SearchItem->Caption);
    ClickAt({search.right - 4, (search.top + search.bottom) / 2});
  } else if (g_scene == "search") {
    RECT box{};
    GetWindowRect(toolbar.SearchEditControl(), &box);
    PostMessageW(toolbar.SearchEditControl(), WM_CONTEXTMENU,
                 reinterpret_cast<WPARAM>(toolbar.SearchEditControl()),
                 MAKELPARAM(box.left + 10, box.bottom - 2));
  }
  MSG message;
  // Read in the wide form, as the browser reads its queue.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
