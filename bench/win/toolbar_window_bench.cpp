// The toolbar window as a browser gets it, timed beside a hand-built window
// of the common controls with the same content.
//
// A toolbar of 50 buttons with icons from the built-in strip, 26 of them
// drop-down menus of three items, the search button with three search types,
// the search box and a banner picture is installed and the DLL registered.
// Each measured process then plays a browser frame: the band is made through
// CoCreateInstance, sited, its window made, moved and shown and painted
// (UpdateWindow and the queue run dry); the hand-built window is a toolbar
// control with the same buttons, image list, drop-down styles and font, a
// combo box listing the same search history and a static banner picture,
// made and painted the same way. It has no dock: the band's chevron for the
// buttons that do not fit is the band's own cost.
// A window is cold when it is the first window of the process: it pays for
// what a process does once (the DLL's load, its configuration, the system's
// own first use of its controls). Processes alternate which of the two is
// made first; the other window of that first round is neither cold nor warm
// and is not counted. Later ones, made in alternating order, are warm.
// Medians over all processes give the ratios.
//
//   toolbar_window_bench [--processes N] [--warm N] [--bound R]
// Exit status 1 when the cold or the warm ratio is above the bound (1.2).
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "browser_site.h"
#include "win32/resource_ids.h"

namespace {

using Microsoft::WRL::ComPtr;

constexpr char kBandId[] = "{239C3CF1-51CD-435E-8519-61775A6780CF}";
constexpr char kBandKey[] =
    "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\"
    "{239C3CF1-51CD-435E-8519-61775A6780CF}";
constexpr char kToolbarName[] = "BenchBar";

// The frame's width: most buttons are shown, the rest go to the chevron.
constexpr int kFrameWidth = 1200;
constexpr int kBandHeight = 25;

constexpr int kPlainButtons = 24;
constexpr int kSubmenus = 26;
constexpr int kSubmenuEntries = 3;
constexpr int kSearchTypes = 3;
constexpr int kHistoryEntries = 50;

// The toolbar's design sizes at 96 dots per inch, as the toolbar window has them.
constexpr int kBannerAreaWidth = 107;
constexpr int kBannerWidth = 105;
constexpr int kBannerHeight = 22;
constexpr int kSearchBoxWidth = 145;
constexpr int kImageSize = 16;
constexpr int kImageCount = 144;
constexpr int kFirstCommand = 100;

// One top-level button of the configuration.
struct Button {
  std::string key;
  std::string caption;
  int image;
  enum Kind { Plain, Split, Whole, Separator } kind;
};

// The search button, then the configured buttons, in their order.
std::vector<Button> Buttons() {
  std::vector<Button> buttons;
  buttons.push_back({"miSearch", "Search", 8, Button::Split});
  int plain = 0, submenu = 0;
  for (int i = 0; plain < kPlainButtons || submenu < kSubmenus; ++i) {
    if (i % 17 == 16) {
      buttons.push_back({"Separator" + std::to_string(i), "", 0, Button::Separator});
      continue;
    }
    const int image = (i * 7 + 3) % kImageCount;
    if (submenu < kSubmenus && (i % 2 == 1 || plain == kPlainButtons)) {
      ++submenu;
      // Half of the menus are split buttons with an address of their own.
      buttons.push_back({"Menu" + std::to_string(submenu) + "SubMenu",
                         "Menu " + std::to_string(submenu), image,
                         submenu % 2 ? Button::Split : Button::Whole});
    } else {
      ++plain;
      buttons.push_back({"Button" + std::to_string(plain), "Link " + std::to_string(plain), image,
                         Button::Plain});
    }
  }
  return buttons;
}

std::string ConfigurationText() {
  std::ostringstream items, sections;
  items << "[Toolbar Items]\r\n";
  for (const Button& button : Buttons()) {
    items << button.key << "=\r\n";
    sections << "[" << button.key << "]\r\nParent=Toolbar\r\n";
    if (button.kind == Button::Separator) continue;
    sections << "Caption=" << button.caption << "\r\nImageIndex=" << button.image << "\r\n";
    if (button.key == "miSearch") {
      sections << "Count=" << kSearchTypes << "\r\n";
      for (int type = 1; type <= kSearchTypes; ++type) {
        const std::string key = "SearchType" + std::to_string(type);
        items << key << "=\r\n";
        sections << "[" << key << "]\r\nParent=miSearch\r\nCaption=Type " << type
                 << "\r\nImageIndex=" << 8 + type << "\r\nTag=" << type
                 << "\r\nGroupIndex=1\r\nURL=http://search" << type
                 << ".example.org/find?q=[SEARCH]\r\n";
      }
      continue;
    }
    if (button.kind != Button::Whole)
      sections << "URL=http://www.example.com/" << button.key << "\r\n";
    if (button.kind == Button::Plain) continue;
    for (int entry = 1; entry <= kSubmenuEntries; ++entry) {
      const std::string key = button.key.substr(0, button.key.size() - 7) + "Entry" +
                              std::to_string(entry);
      items << key << "=\r\n";
      sections << "[" << key << "]\r\nParent=" << button.key << "\r\nCaption=Entry " << entry
               << "\r\nImageIndex=" << (button.image + entry) % kImageCount
               << "\r\nURL=http://www.example.com/" << key << "\r\n";
    }
  }
  std::string text =
      "[Options]\r\nToolbar Name=BenchBar\r\nCompany Name=Bench Publishing\r\n"
      "Home Page URL=http://www.example.com/\r\nContact E-Mail=mailto:support@example.com\r\n"
      "Search URL=http://search.example.org/search?q=[SEARCH]\r\nConfig Version=1\r\n";
  return text + items.str() + sections.str();
}

std::string WindowsPath(std::string path) {
  if (path.empty() || path[0] != '/') return path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

void SetText(HKEY root, const std::string& key, const char* name, const std::string& value) {
  SHSetValueA(root, key.c_str(), name, REG_SZ, value.c_str(),
              static_cast<DWORD>(value.size() + 1));
}

using ServerFn = HRESULT(STDAPICALLTYPE*)();

bool CallServerExport(const char* name) {
  HMODULE dll = LoadLibraryA(WindowsPath(PQ_BAND_DLL).c_str());
  if (!dll) return false;
  const auto call = reinterpret_cast<ServerFn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  const bool done = call && call() == S_OK;
  FreeLibrary(dll);
  return done;
}

// The installation: configuration, banner and history in a folder of their
// own, the band's registry values, the DLL registered as regsvr32 does.
std::string Install() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string dir = std::string(temp) + "pq-window-bench";
  CreateDirectoryA(dir.c_str(), nullptr);
  std::ofstream(dir + "\\" + kToolbarName + ".ini", std::ios::binary) << ConfigurationText();
  std::ifstream banner(WindowsPath(std::string(PQ_SOURCE_DIR) + "/assets/banner.bmp"),
                       std::ios::binary);
  std::ofstream(dir + "\\" + kToolbarName + ".bmp", std::ios::binary) << banner.rdbuf();
  std::ofstream history(dir + "\\" + kToolbarName + ".txt", std::ios::binary);
  history << "\xEF\xBB\xBF";
  for (int i = 1; i <= kHistoryEntries; ++i) history << "earlier search " << i << "\r\n";
  history.close();
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kBandKey);
  SetText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", dir);
  SetText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar Name", kToolbarName);
  SetText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar File", kToolbarName);
  return CallServerExport("DllRegisterServer") ? dir : std::string();
}

void Uninstall(const std::string& dir) {
  CallServerExport("DllUnregisterServer");
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kBandKey);
  for (const char* ending : {".ini", ".bmp", ".txt"})
    DeleteFileA((dir + "\\" + kToolbarName + ending).c_str());
  RemoveDirectoryA(dir.c_str());
}

// --- one measured process

CLSID BandClsid() {
  std::wstring text(kBandId, kBandId + sizeof kBandId - 1);
  CLSID id{};
  CLSIDFromString(text.c_str(), &id);
  return id;
}

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

void RunQueue() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

class FrameSite : public pq::BrowserSite {
 public:
  explicit FrameSite(HWND window) : window_(window) {}

 private:
  HWND Window() override { return window_; }
  HWND window_;
};

// The band through COM, from its creation to its painted window. Returns
// milliseconds, or a negative number when a step failed.
double TimeBand(FrameSite& site) {
  const double start = Now();
  ComPtr<IDeskBand> band;
  if (FAILED(CoCreateInstance(BandClsid(), nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&band))))
    return -1;
  ComPtr<IObjectWithSite> with_site;
  if (FAILED(band.As(&with_site)) || FAILED(with_site->SetSite(static_cast<IOleWindow*>(&site))))
    return -1;
  HWND window = nullptr;
  if (FAILED(band->GetWindow(&window))) return -1;
  MoveWindow(window, 0, 0, kFrameWidth, kBandHeight, TRUE);
  if (FAILED(band->ShowDW(TRUE))) return -1;
  UpdateWindow(window);
  RunQueue();
  const double elapsed = Now() - start;
  band->CloseDW(0);
  with_site->SetSite(nullptr);
  with_site.Reset();
  band.Reset();
  RunQueue();
  return elapsed;
}

// The hand-built window and what it holds.
struct HandBuilt {
  HWND window = nullptr;
  HFONT font = nullptr;
  HIMAGELIST images = nullptr;
  HBITMAP banner = nullptr;
};

constexpr wchar_t kHandBuiltClass[] = L"HandBuiltToolbarWindow";

// The toolbar follows the window's width, as the band's does.
LRESULT CALLBACK HandBuiltProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NOTIFYFORMAT && lparam == NF_QUERY) return NFR_UNICODE;
  if (message == WM_SIZE) {
    if (HWND toolbar = FindWindowExW(window, nullptr, TOOLBARCLASSNAMEW, nullptr))
      SetWindowPos(toolbar, nullptr, 0, 0, LOWORD(lparam), HIWORD(lparam),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HandBuilt BuildHandBuilt(HWND parent, const std::wstring& banner_file) {
  HandBuilt built;
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = HandBuiltProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_ACTIVEBORDER + 1);
    window_class.lpszClassName = kHandBuiltClass;
    RegisterClassExW(&window_class);
    registered = true;
  }
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  built.font = CreateFontIndirectW(&metrics.lfMessageFont);

  HBITMAP strip = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                                                  MAKEINTRESOURCEW(IDB_TOOLBAR_ICONS),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  built.images = ImageList_Create(kImageSize, kImageSize, ILC_COLOR32, kImageCount, 0);
  ImageList_Add(built.images, strip, nullptr);
  DeleteObject(strip);

  // Made across the frame, as the band makes its window: the frame moves it
  // to the band's place afterwards.
  RECT frame_area{};
  GetClientRect(parent, &frame_area);
  built.window = CreateWindowExW(0, kHandBuiltClass, L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0,
                                 frame_area.right, kBandHeight, parent, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  HWND toolbar = CreateWindowExW(
      0, TOOLBARCLASSNAMEW, L"",
      WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
          TBSTYLE_TOOLTIPS | TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
      0, 0, frame_area.right, kBandHeight, built.window, nullptr, GetModuleHandleW(nullptr),
      nullptr);
  SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0,
               TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS | TBSTYLE_EX_HIDECLIPPEDBUTTONS);
  SendMessageW(toolbar, WM_SETFONT, reinterpret_cast<WPARAM>(built.font), FALSE);
  SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(built.images));

  // The banner's and the search box's places, then the buttons.
  const std::vector<Button> configured = Buttons();
  std::vector<std::wstring> captions;
  captions.reserve(configured.size());
  std::vector<TBBUTTON> buttons;
  auto separator = [&](int width) {
    TBBUTTON button{};
    button.idCommand = kFirstCommand + static_cast<int>(buttons.size());
    button.iBitmap = width;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_SEP;
    button.iString = -1;
    buttons.push_back(button);
  };
  separator(kBannerAreaWidth);
  separator(0);
  separator(kSearchBoxWidth);
  for (const Button& item : configured) {
    if (item.kind == Button::Separator) {
      separator(0);
      continue;
    }
    TBBUTTON button{};
    button.idCommand = kFirstCommand + static_cast<int>(buttons.size());
    button.iBitmap = item.image;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
    if (item.kind == Button::Split) button.fsStyle |= BTNS_DROPDOWN;
    if (item.kind == Button::Whole) button.fsStyle |= BTNS_WHOLEDROPDOWN;
    captions.emplace_back(item.caption.begin(), item.caption.end());
    button.iString = reinterpret_cast<INT_PTR>(captions.back().c_str());
    buttons.push_back(button);
  }
  SendMessageW(toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));

  built.banner = static_cast<HBITMAP>(LoadImageW(nullptr, banner_file.c_str(), IMAGE_BITMAP, 0, 0,
                                                 LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  RECT place{};
  SendMessageW(toolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&place));
  HWND picture = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY,
                                 place.left, place.top, kBannerWidth, kBannerHeight, toolbar,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(built.banner));
  SendMessageW(toolbar, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&place));
  HWND search = CreateWindowExW(0, L"COMBOBOX", L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                                place.left, place.top, kSearchBoxWidth, 200, toolbar, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  SendMessageW(search, WM_SETFONT, reinterpret_cast<WPARAM>(built.font), FALSE);
  // The search history in the box's list, as the band shows it: sorted, the
  // list filled with its drawing off.
  std::vector<std::wstring> history;
  for (int i = 1; i <= kHistoryEntries; ++i)
    history.push_back(L"earlier search " + std::to_wstring(i));
  std::sort(history.begin(), history.end());
  SendMessageW(search, WM_SETREDRAW, FALSE, 0);
  for (const std::wstring& entry : history)
    SendMessageW(search, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  SendMessageW(search, WM_SETREDRAW, TRUE, 0);
  return built;
}

double TimeHandBuilt(HWND parent, const std::wstring& banner_file) {
  const double start = Now();
  HandBuilt built = BuildHandBuilt(parent, banner_file);
  if (!built.window) return -1;
  MoveWindow(built.window, 0, 0, kFrameWidth, kBandHeight, TRUE);
  ShowWindow(built.window, SW_SHOWNA);
  UpdateWindow(built.window);
  RunQueue();
  const double elapsed = Now() - start;
  DestroyWindow(built.window);
  DeleteObject(built.banner);
  ImageList_Destroy(built.images);
  DeleteObject(built.font);
  RunQueue();
  return elapsed;
}

// A browser frame's process: its window shown, COM in use, then the two
// windows cold in the given order and `warm` pairs of them in alternating
// order. Prints one line per window: "cold band 12.3", "warm hand 4.5".
int MeasureProcess(bool band_first, int warm, const std::wstring& banner_file) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WNDCLASSW frame_class{};
  frame_class.lpfnWndProc = DefWindowProcW;
  frame_class.hInstance = GetModuleHandleW(nullptr);
  frame_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  frame_class.lpszClassName = L"ToolbarWindowBenchFrame";
  RegisterClassW(&frame_class);
  HWND frame = CreateWindowExW(0, frame_class.lpszClassName, L"frame",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, kFrameWidth + 40, 120,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  UpdateWindow(frame);
  RunQueue();
  // A browser has made COM objects long before its first band: the
  // apartment's own first lookup is not the band's cost.
  {
    ComPtr<IUnknown> other;
    CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                     IID_PPV_ARGS(&other));
  }
  // Nor is the shell's library: the browser's frame is built on it, and
  // has it loaded before it shows any band.
  LoadLibraryW(L"shell32.dll");
  auto* site = new FrameSite(frame);
  int status = 0;
  auto report = [&](const char* when, const char* what, double ms) {
    if (ms < 0) status = 1;
    std::printf("%s %s %.3f\n", when, what, ms);
  };
  for (int round = 0; round <= warm; ++round) {
    const bool band_now = (round % 2 == 0) == band_first;
    for (int half = 0; half < 2; ++half) {
      // The second window of the first round finds the process warmed by
      // the other kind: "second", left out of both medians.
      const char* when = round > 0 ? "warm" : half == 0 ? "cold" : "second";
      if (band_now == (half == 0))
        report(when, "band", TimeBand(*site));
      else
        report(when, "hand", TimeHandBuilt(frame, banner_file));
    }
  }
  std::fflush(stdout);
  site->Release();
  DestroyWindow(frame);
  CoUninitialize();
  return status;
}

// --- the driver

// Runs this program with `arguments`; its output, or nothing when it failed.
std::string RunChild(const std::wstring& arguments) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" " + arguments;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return {};
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(write_end);
  std::string output;
  if (started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0)
      output.append(buffer, got);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    if (code != 0) output.clear();
  }
  CloseHandle(read_end);
  return output;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string Join(const std::vector<double>& values) {
  std::string text;
  char number[32];
  for (double value : values) {
    std::snprintf(number, sizeof number, "%s%.1f", text.empty() ? "" : " ", value);
    text += number;
  }
  return text;
}

int Drive(int processes, int warm, double bound) {
  const std::string dir = Install();
  if (dir.empty()) {
    std::fprintf(stderr, "The band cannot be installed and registered\n");
    return 2;
  }
  std::vector<double> times[2][2];  // [cold, warm][band, hand]
  bool failed = false;
  for (int run = 0; run < processes && !failed; ++run) {
    const std::wstring arguments = L"--measure " + std::wstring(run % 2 ? L"hand" : L"band") +
                                   L" --warm " + std::to_wstring(warm);
    std::istringstream lines(RunChild(arguments));
    std::string when, what;
    double ms = 0;
    int read = 0;
    while (lines >> when >> what >> ms) {
      if (when != "second") times[when == "warm"][what == "hand"].push_back(ms);
      ++read;
    }
    if (read != 2 * (warm + 1)) failed = true;
  }
  Uninstall(dir);
  if (failed) {
    std::fprintf(stderr, "A measured process failed\n");
    return 2;
  }
  std::printf("Toolbar window through COM to painted, beside a hand-built common controls window\n"
              "(%d processes, each with one cold window, alternating which; %d warm pairs each)\n",
              processes, warm);
  int status = 0;
  for (int when = 0; when < 2; ++when) {
    const double band = Median(times[when][0]), hand = Median(times[when][1]);
    const double ratio = hand > 0 ? band / hand : 0;
    std::printf("%s band ms: %s\n", when ? "warm" : "cold", Join(times[when][0]).c_str());
    std::printf("%s hand ms: %s\n", when ? "warm" : "cold", Join(times[when][1]).c_str());
    std::printf("%s: band %.1f ms, hand-built %.1f ms (medians), ratio %.2f (bound %.2f)%s\n",
                when ? "warm" : "cold", band, hand, ratio, bound,
                ratio > bound ? "  EXCEEDED" : "");
    if (ratio > bound) status = 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  int processes = 20, warm = 6;
  double bound = 1.2;
  bool measure = false, band_first = true;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i], value = argv[i + 1];
    if (option == "--processes") {
      processes = std::max(1, std::atoi(value.c_str()));
    } else if (option == "--warm") {
      warm = std::max(1, std::atoi(value.c_str()));
    } else if (option == "--bound") {
      bound = std::atof(value.c_str());
    } else if (option == "--measure") {
      measure = true;
      band_first = value == "band";
    } else {
      std::fprintf(stderr, "usage: %s [--processes N] [--warm N] [--bound R]\n", argv[0]);
      return 2;
    }
  }
  if (measure) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string banner = std::string(temp) + "pq-window-bench\\" + kToolbarName + ".bmp";
    return MeasureProcess(band_first, warm, std::wstring(banner.begin(), banner.end()));
  }
  return Drive(processes, warm, bound);
}
