// Shows the toolbar window of a configuration in one state and saves the
// screen around it as a bitmap file:
//   toolbar_preview SCENE INSTALL_DIR TOOLBAR_FILE OUT.bmp [--width N] [--open NAME]
//                   [--installed]
// SCENE is normal, chevron (a narrow window with its chevron menu open),
// submenu (the search button's menu open), search (the search box's context
// menu open), open (the drop-down or submenu of the item named NAME open,
// with the menus above it) or about (the About box). --width sets the
// window's width; --installed reads the installation's registry values and
// the configuration's [Options] as the DLL does (the About box shows them).
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/toolbar_config.h"
#include "screen_shot/screen_shot.h"
#include "ui_kit/mouse_input.h"
#include "ui_kit/window_finder.h"
#include "win32/toolbar_window.h"
#include "win32/win32_clock.h"
#include "win32/win32_desktop.h"
#include "win32/win32_internet.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/wide_text.h"
#include "win32/win32_user_interface.h"

namespace {

using pq::ui_kit::ClickAt;
using pq::ui_kit::PressKey;

constexpr int kWideWidth = 980;
constexpr int kNarrowWidth = 440;
constexpr int kParentHeight = 360;
constexpr int kParentLeft = 20;
constexpr int kMenuRoom = 200;
constexpr UINT_PTR kCaptureTimer = 1;

constexpr UINT kShowAbout = WM_APP + 1;

std::string g_scene;
std::string g_out;
HWND g_parent = nullptr;
int g_ticks = 0;
pq::win32::ToolbarWindow* g_toolbar = nullptr;
// For the open scene: how many entries down (separators aside) each menu
// below the first opens its submenu, and how many of them are open by now.
std::vector<int> g_path;
size_t g_opened = 0;

bool MenuOpen() {
  HWND menu = FindWindowW(L"#32768", nullptr);
  return menu && IsWindowVisible(menu);
}

bool SaveScreen(const RECT& wanted, const std::string& file) {
  // Only what is on the screen can be pictured: past its edge the system
  // gives the whole picture black.
  const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  RECT area{};
  if (!IntersectRect(&area, &wanted, &screen)) return false;
  const std::optional<pq::tools::Picture> picture = pq::tools::CaptureScreen(area);
  return picture && pq::tools::SaveBitmap(*picture, file);
}

// The visible top-level windows of this process: the parent, its menus and
// dialogs.
std::vector<HWND> OwnWindows() { return pq::ui_kit::TopLevelWindowsOf(GetCurrentProcessId()); }

size_t OpenMenuCount() {
  size_t count = 0;
  wchar_t name[16];
  for (HWND window : OwnWindows())
    if (GetClassNameW(window, name, 16) && std::wcscmp(name, L"#32768") == 0) ++count;
  return count;
}

HWND OwnDialog() {
  for (HWND window : OwnWindows())
    if (window != g_parent && GetWindow(window, GW_OWNER) != nullptr) return window;
  for (HWND window : OwnWindows()) {
    wchar_t name[16];
    if (window != g_parent && GetClassNameW(window, name, 16) && std::wcscmp(name, L"#32768"))
      return window;
  }
  return nullptr;
}

// Everything the scene shows: the parent with every menu and dialog of ours.
RECT SceneArea() {
  RECT area{};
  GetWindowRect(g_parent, &area);
  for (HWND window : OwnWindows()) {
    RECT place{};
    GetWindowRect(window, &place);
    UnionRect(&area, &area, &place);
  }
  return area;
}

// The open and about scenes: each menu of the path opened from the one
// before with the keyboard, as a user would; the picture once all are open.
bool SceneReady() {
  if (g_scene == "about") return OwnDialog() != nullptr;
  const size_t open = OpenMenuCount();
  if (open == 0) return false;
  if (g_opened < g_path.size() && open == g_opened + 1) {
    for (int i = 0; i <= g_path[g_opened]; ++i) PressKey(VK_DOWN);
    PressKey(VK_RIGHT);
    ++g_opened;
    return false;
  }
  return open == g_path.size() + 1;
}

void CALLBACK Capture(HWND, UINT, UINT_PTR, DWORD) {
  ++g_ticks;
  if (g_scene == "open" || g_scene == "about") {
    static int ready_ticks = 0;
    if (g_ticks < 3) return;
    if (g_ticks == 3 && g_scene == "about") PostMessageW(g_parent, kShowAbout, 0, 0);
    ready_ticks = SceneReady() ? ready_ticks + 1 : 0;
    // A few ticks for the last window to paint; a scene that never comes is
    // pictured as it is, for the caller to see why.
    if (ready_ticks < 3 && g_ticks < 100) return;
    KillTimer(g_parent, kCaptureTimer);
    if (!SaveScreen(SceneArea(), g_out)) std::fprintf(stderr, "cannot write %s\n", g_out.c_str());
    if (ready_ticks < 3) std::fprintf(stderr, "the scene did not come; pictured as it is\n");
    // A menu's or a dialog's modal loop under Wine keeps the quit message to
    // itself; the picture is all this process is for.
    std::fflush(stderr);
    ExitProcess(ready_ticks < 3 ? 1 : 0);
  }
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
  // The About box is modal: it is opened from the queue, where the capture's
  // timer keeps ticking inside its loop.
  if (message == kShowAbout && g_toolbar) {
    pq::TToolbarForm& form = g_toolbar->Form();
    form.Click(*form.miAbout);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
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

// The place of the item's own button, by the item the toolbar keeps with it.
RECT ButtonRectOf(HWND toolbar, const pq::TTBCustomItem& item) {
  const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    TBBUTTON button{};
    SendMessageW(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    if (button.dwData != reinterpret_cast<DWORD_PTR>(&item)) continue;
    RECT place{};
    SendMessageW(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&place));
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&place), 2);
    return place;
  }
  return {};
}

// Where an item stands in the menu its parent opens, counted as the arrow
// keys count: shown entries, separators and controls aside.
int MenuIndexOf(const pq::TTBCustomItem& item) {
  int index = 0;
  for (const pq::TTBCustomItem* sibling : item.Parent()->Items()) {
    if (sibling == &item) return index;
    if (sibling->Visible && sibling->Kind() != pq::TTBItemKind::Separator &&
        sibling->Kind() != pq::TTBItemKind::Control)
      ++index;
  }
  return -1;
}

// Opens the toolbar button the named item hangs from and notes the way down
// to the item's own menu; false, with the reason, when it opens none.
bool StartOpening(pq::win32::ToolbarWindow& toolbar, const std::string& name) {
  pq::TToolbarForm& form = toolbar.Form();
  auto* item = dynamic_cast<pq::TTBCustomItem*>(form.FindComponent(name));
  if (!item || item->Items().empty()) {
    std::fprintf(stderr, "%s is no item that opens a menu\n", name.c_str());
    return false;
  }
  const pq::TTBCustomItem* top = item;
  std::vector<int> path;
  while (top->Parent() && top->Parent() != &form.Toolbar->Items) {
    if (!top->Visible) break;
    path.insert(path.begin(), MenuIndexOf(*top));
    top = top->Parent();
  }
  if (top->Parent() != &form.Toolbar->Items || !top->Visible) {
    std::fprintf(stderr, "%s is not shown on the toolbar\n", name.c_str());
    return false;
  }
  const RECT place = ButtonRectOf(toolbar.ToolbarControl(), *top);
  if (place.right <= place.left) {
    std::fprintf(stderr, "%s stands in the chevron menu: give a larger --width\n", name.c_str());
    return false;
  }
  g_path = std::move(path);
  const auto* submenu = dynamic_cast<const pq::TTBSubmenuItem*>(top);
  const bool split = submenu && submenu->DropdownCombo;
  ClickAt({split ? place.right - 4 : (place.left + place.right) / 2, (place.top + place.bottom) / 2});
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 5) {
    std::fprintf(stderr, "usage: toolbar_preview SCENE INSTALL_DIR TOOLBAR_FILE OUT.bmp\n");
    return 2;
  }
  g_scene = __argv[1];
  g_out = __argv[4];
  int width = g_scene == "chevron" ? kNarrowWidth : kWideWidth;
  std::string open;
  bool installed = false;
  for (int i = 5; i < __argc; ++i) {
    if (std::strcmp(__argv[i], "--width") == 0 && i + 1 < __argc) {
      width = std::atoi(__argv[++i]);
    } else if (std::strcmp(__argv[i], "--open") == 0 && i + 1 < __argc) {
      open = __argv[++i];
    } else if (std::strcmp(__argv[i], "--installed") == 0) {
      installed = true;
    } else {
      std::fprintf(stderr, "unknown option %s\n", __argv[i]);
      return 2;
    }
  }
  if (width < 100 || (g_scene == "open") != !open.empty()) {
    std::fprintf(stderr, "the open scene, and it alone, names an item with --open; "
                         "--width is 100 or more\n");
    return 2;
  }
  // Drawn at the screen's resolution, as the browser draws.
  SetProcessDPIAware();
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  if (kParentLeft + width > screen_width) {
    std::fprintf(stderr, "the screen is %d pixels wide: give a --width of at most %d\n",
                 screen_width, screen_width - kParentLeft);
    return 2;
  }
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
  // The installation's values and [Options], as the DLL reads them; the
  // settings a window writes go to a key of the preview's own.
  if (installed) pq::LoadToolbarConfig(platform);
  pq::ToolbarConfig.InstallPath = __argv[2];
  pq::ToolbarConfig.ToolbarFile = __argv[3];
  if (!installed) {
    pq::ToolbarConfig.ToolbarName = __argv[3];
    pq::ToolbarConfig.SearchUrl = pq::kDefaultSearchUrl;
  }
  pq::ToolbarConfig.BandKeyPath = "Software\\Pelliquester Preview";

  WNDCLASSEXW parent_class{};
  parent_class.cbSize = sizeof parent_class;
  parent_class.lpfnWndProc = ParentProc;
  parent_class.hInstance = instance;
  parent_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  parent_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  parent_class.lpszClassName = L"ToolbarPreviewParent";
  RegisterClassExW(&parent_class);
  g_parent = CreateWindowExW(0, parent_class.lpszClassName, L"Toolbar preview",
                             WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, kParentLeft, 20, width,
                             kParentHeight,
                             nullptr, nullptr, instance, nullptr);
  pq::win32::ToolbarWindow toolbar(g_parent, platform);
  g_toolbar = &toolbar;
  SetForegroundWindow(g_parent);
  UpdateWindow(g_parent);

  SetTimer(g_parent, kCaptureTimer, 100, Capture);
  if (g_scene == "open") {
    if (!StartOpening(toolbar, open)) return 1;
  } else if (g_scene == "chevron") {
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
  int status = 0;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (message.message == WM_QUIT) status = static_cast<int>(message.wParam);
  g_toolbar = nullptr;
  return status;
}
