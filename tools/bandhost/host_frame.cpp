#include "host_frame.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlguid.h>

#include "band_site.h"
#include "browser_stand_in.h"
#include "host_log.h"
#include "win32/handles.h"

namespace pq::bandhost {
namespace {

// Sends a child window the message given (an MSG) as its frame got it.
BOOL CALLBACK PassOn(HWND child, LPARAM given) {
  const MSG& change = *reinterpret_cast<const MSG*>(given);
  SendMessageW(child, change.message, change.wParam, change.lParam);
  return TRUE;
}

using Microsoft::WRL::ComPtr;

constexpr wchar_t kFrameClass[] = L"IEFrame";
constexpr wchar_t kBandAreaClass[] = L"BandHostBands";
constexpr wchar_t kToolbarListKey[] = L"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
constexpr int kAddressHeight = 24;
constexpr SIZE kFrameSize = {1000, 360};
constexpr UINT_PTR kCloseTimer = 1;

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

std::string Result(HRESULT result) { return " -> " + Hex(result); }

}  // namespace

std::string GuidText(const GUID& guid) {
  if (IsEqualGUID(guid, SID_SWebBrowserApp)) return "SID_SWebBrowserApp";
  if (IsEqualGUID(guid, IID_IWebBrowser2)) return "IID_IWebBrowser2";
  if (IsEqualGUID(guid, CGID_DeskBand)) return "CGID_DeskBand";
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return win32::Utf8(text);
}

HostFrame::HostFrame(int number) : number_(number), browser_(new BrowserStandIn(*this)) {
  browser_->Release();  // the ComPtr holds the one reference
}

HostFrame::~HostFrame() {
  CloseBands();
  browser_->Detach();
}

bool HostFrame::RegisterClasses() {
  WNDCLASSEXW frame_class{};
  frame_class.cbSize = sizeof frame_class;
  frame_class.lpfnWndProc = &HostFrame::WindowProc;
  frame_class.hInstance = Instance();
  frame_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  frame_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  frame_class.lpszClassName = kFrameClass;
  WNDCLASSEXW area_class = frame_class;
  area_class.lpfnWndProc = &HostFrame::BandAreaProc;
  area_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  area_class.lpszClassName = kBandAreaClass;
  if (!RegisterClassExW(&frame_class) || !RegisterClassExW(&area_class)) return false;
  // The system registers these on first use; asked for here, no two frames
  // race to register one.
  for (const wchar_t* name : {L"Edit", STATUSCLASSNAMEW}) {
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    GetClassInfoExW(nullptr, name, &known);
  }
  return true;
}

bool HostFrame::Create() {
  const std::wstring title = number_ == 1 ? L"Band host" : L"Band host " + std::to_wstring(number_);
  // The frames after the first stand below it, each where a click reaches it.
  const int x = number_ == 1 ? CW_USEDEFAULT : kFrameSize.cx / 10;
  const int y = number_ == 1 ? CW_USEDEFAULT : (number_ - 1) * (kFrameSize.cy + kFrameSize.cy / 10);
  const HWND frame =
      CreateWindowOf(0, kFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y,
                     kFrameSize.cx, kFrameSize.cy, nullptr, Instance());
  if (!frame) return false;
  address_line_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"about:blank",
                                  WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_READONLY, 0, 0, 0, 0,
                                  frame, nullptr, Instance(), nullptr);
  SendMessageW(address_line_, WM_SETFONT,
               reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  band_area_ = CreateWindowExW(WS_EX_CONTROLPARENT, kBandAreaClass, L"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, frame, nullptr,
                               Instance(), this);
  status_bar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                                0, 0, 0, frame, nullptr, Instance(), nullptr);
  ShowWindow(frame, SW_SHOWNORMAL);
  UpdateWindow(frame);
  Layout();
  Log("host: frame created");
  return true;
}

void HostFrame::LoadBands() {
  win32::unique_hkey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kToolbarListKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    Log("host: no toolbar list");
    SetStatusText("No toolbars are registered.");
    return;
  }
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;  // in characters
    if (RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.push_back(win32::Utf8(std::wstring_view(name, length)));
  }
  key.reset();
  for (const std::string& name : names) {
    CLSID id{};
    // The list holds other settings too; only class identifiers name bands.
    if (name.empty() || name[0] != '{' || FAILED(CLSIDFromString(win32::Wide(name).c_str(), &id))) {
      continue;
    }
    LoadBand(name, id);
  }
  if (bands_.empty()) SetStatusText("No toolbars are registered.");
  Layout();
}

void HostFrame::LoadBand(const std::string& id_text, const CLSID& id) {
  auto hosted = std::make_unique<HostedBand>();
  hosted->id_text = id_text;
  hosted->id = id;
  hosted->band_id = static_cast<DWORD>(bands_.size());
  HRESULT result = CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&hosted->band));
  Log("host: CoCreateInstance " + id_text + Result(result));
  if (FAILED(result)) return;
  hosted->band.As(&hosted->input);

  // A new site holds its first reference; this build's Attach would add one more.
  *hosted->site.ReleaseAndGetAddressOf() = new BandSite(*this, *hosted, browser_.Get());
  ComPtr<IObjectWithSite> with_site;
  result = hosted->band.As(&with_site);
  if (SUCCEEDED(result)) {
    result = with_site->SetSite(static_cast<IOleWindow*>(hosted->site.Get()));
    Log("host: SetSite" + Result(result));
  } else {
    Log("host: no IObjectWithSite" + Result(result));
  }
  AskBandInfo(*hosted);
  result = hosted->band->GetWindow(&hosted->window);
  Log("host: GetWindow" + Result(result));
  if (FAILED(result) || !hosted->window) {
    hosted->band->CloseDW(0);
    if (with_site) with_site->SetSite(nullptr);
    hosted->site->Detach();
    return;
  }
  result = hosted->band->ShowDW(TRUE);
  Log("host: ShowDW(TRUE)" + Result(result));
  ShowWindow(hosted->window, SW_SHOW);
  bands_.push_back(std::move(hosted));
  // A band's window is given its place as soon as it shows, not after the
  // bands behind it have loaded.
  Layout();
}

void HostFrame::AskBandInfo(HostedBand& band) {
  DESKBANDINFO info{};
  info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE |
                DBIM_MODEFLAGS | DBIM_BKCOLOR;
  const HRESULT result = band.band->GetBandInfo(band.band_id, DBIF_VIEWMODE_NORMAL, &info);
  Log("host: GetBandInfo " + std::to_string(band.band_id) + Result(result) +
      " mask=" + Hex(static_cast<long>(info.dwMask)) + " min=" + std::to_string(info.ptMinSize.x) +
      "x" + std::to_string(info.ptMinSize.y) + " actual=" + std::to_string(info.ptActual.x) + "x" +
      std::to_string(info.ptActual.y) + " modeflags=" + Hex(static_cast<long>(info.dwModeFlags)));
  if (FAILED(result)) return;
  int height = 0;
  if (info.dwMask & DBIM_ACTUAL) height = info.ptActual.y;
  if (height <= 0 && (info.dwMask & DBIM_MINSIZE)) height = info.ptMinSize.y;
  band.height = height > 0 ? height : 25;
}

void HostFrame::Layout() {
  // Nothing to place before Create has made the frame's parts, nor once the
  // frame is gone.
  if (!Handle() || !status_bar_) return;
  RECT client;
  GetClientRect(Handle(), &client);
  SendMessageW(status_bar_, WM_SIZE, 0, 0);
  RECT status{};
  GetWindowRect(status_bar_, &status);
  const int width = client.right;
  MoveWindow(address_line_, 0, 0, width, kAddressHeight, TRUE);
  int y = 0;
  for (const auto& band : bands_) {
    if (!band->shown || !band->window) continue;
    MoveWindow(band->window, 0, y, width, band->height, TRUE);
    y += band->height;
  }
  MoveWindow(band_area_, 0, kAddressHeight + 2, width, y, TRUE);
}

void HostFrame::CloseAfter(UINT milliseconds) {
  SetTimer(Handle(), kCloseTimer, milliseconds, nullptr);
}

bool HostFrame::RouteKeystroke(MSG& msg) {
  if (!focused_ || !focused_->input) return false;
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  // As the browser does, a band is offered keys only while it says it has the focus.
  if (focused_->input->HasFocusIO() != S_OK) return false;
  const HRESULT result = focused_->input->TranslateAcceleratorIO(&msg);
  Log("host: TranslateAcceleratorIO " + Hex(static_cast<long>(msg.message)) + " " +
      std::to_string(msg.wParam) + Result(result));
  return result == S_OK;
}

void HostFrame::BandFocusChanged(HostedBand& band, bool gained) {
  if (gained)
    focused_ = &band;
  else if (focused_ == &band)
    focused_ = nullptr;
}

void HostFrame::BandInfoChanged(HostedBand& band) {
  AskBandInfo(band);
  Layout();
}

void HostFrame::ShowAddress(const std::string& address) {
  address_ = address;
  SetWindowTextW(address_line_, win32::Wide(address).c_str());
}

void HostFrame::SetStatusText(const std::string& text) {
  status_text_ = text;
  const std::wstring wide = win32::Wide(text);
  SendMessageW(status_bar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

bool HostFrame::ShowBand(const CLSID& id, bool show) {
  for (const auto& band : bands_) {
    if (!IsEqualCLSID(band->id, id)) continue;
    if (band->shown != show) {
      band->shown = show;
      const HRESULT result = band->band->ShowDW(show ? TRUE : FALSE);
      Log(std::string("host: ShowDW(") + (show ? "TRUE" : "FALSE") + ")" + Result(result));
      ShowWindow(band->window, show ? SW_SHOW : SW_HIDE);
      if (!show && focused_ == band.get()) focused_ = nullptr;
      Layout();
    }
    return true;
  }
  return false;
}

void HostFrame::CloseBands() {
  focused_ = nullptr;
  for (auto& band : bands_) {
    HRESULT result = band->band->CloseDW(0);
    Log("host: CloseDW" + Result(result));
    ComPtr<IObjectWithSite> with_site;
    if (SUCCEEDED(band->band.As(&with_site))) {
      result = with_site->SetSite(nullptr);
      Log("host: SetSite(NULL)" + Result(result));
    }
    band->site->Detach();
    band->input.Reset();
    band->band.Reset();
    Log("host: released " + band->id_text);
  }
  bands_.clear();
}

LRESULT CALLBACK HostFrame::BandAreaProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT HostFrame::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_TIMER:
      if (wparam == kCloseTimer) {
        KillTimer(Handle(), kCloseTimer);
        Log("host: closing after the given time");
        PostMessageW(Handle(), WM_CLOSE, 0, 0);
      }
      return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED: {
      // The system tells only top-level windows; the browser passes these on
      // to every window of its frame, the bands' among them.
      const MSG passed{Handle(), message, wparam, lparam, 0, {}};
      EnumChildWindows(Handle(), &PassOn, reinterpret_cast<LPARAM>(&passed));
      return DefaultProc(message, wparam, lparam);
    }
    case WM_CLOSE:
      CloseBands();
      DestroyWindow(Handle());
      return 0;
    case WM_DESTROY:
      Log("host: frame closed");
      PostQuitMessage(0);
      return 0;
    default:
      return DefaultProc(message, wparam, lparam);
  }
}

}  // namespace pq::bandhost
