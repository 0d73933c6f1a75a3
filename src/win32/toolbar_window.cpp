#include "win32/toolbar_window.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "toolbar/icon_scaling.h"
#include "win32/flash_player_control.h"
#include "win32/item_menu.h"
#include "win32/resource_ids.h"
#include "win32/this_module.h"
#include "win32/wide_text.h"

namespace pq::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"PelliquesterToolbar";
constexpr UINT_PTR kToolbarSubclass = 1;
constexpr int kFirstCommand = 100;

// The design's sizes, in pixels at 96 dots per inch.
constexpr SIZE kBannerArea = {107, 22};
constexpr SIZE kBannerPicture = {105, 22};
constexpr int kSearchBoxWidth = 145;
constexpr int kSearchListEntries = 16;
// Room around a button's image and caption, as the toolbar has it by default.
constexpr int kButtonPaddingX = 7;
constexpr int kButtonPaddingY = 6;

// The icon strip: 144 images of 16 by 16.
constexpr int kImageSize = 16;
constexpr int kImageCount = 144;

// The strip with each image scaled to `size`; null when the strip is not the
// 32-bit picture it should be.
HBITMAP ScaledStrip(HBITMAP strip, int size) {
  DIBSECTION source{};
  if (GetObjectW(strip, sizeof source, &source) != sizeof source || !source.dsBm.bmBits ||
      source.dsBm.bmBitsPixel != 32 || source.dsBm.bmHeight != kImageSize)
    return nullptr;
  const int images = source.dsBm.bmWidth / kImageSize;
  const int row = source.dsBm.bmWidth;
  // The strip is stored bottom-up: its first row in memory is the picture's last.
  const auto* from = static_cast<const Pixel*>(source.dsBm.bmBits);
  std::vector<Pixel> top_down(static_cast<size_t>(row) * kImageSize);
  for (int y = 0; y < kImageSize; ++y)
    std::copy_n(from + static_cast<size_t>(kImageSize - 1 - y) * row, images * kImageSize,
                top_down.begin() + static_cast<ptrdiff_t>(y) * images * kImageSize);
  const std::vector<Pixel> scaled = ScaleIconStrip(top_down, images, kImageSize, size);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = images * size;
  info.bmiHeader.biHeight = -size;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  std::copy(scaled.begin(), scaled.end(), static_cast<Pixel*>(bits));
  return bitmap;
}

// The image list at the window's resolution: the 16-pixel images as they
// are at 96 dots per inch, scaled with the text above it.
unique_himagelist LoadIconStrip(int dpi) {
  unique_hbitmap strip(static_cast<HBITMAP>(LoadImageW(
      ThisModule(), MAKEINTRESOURCEW(IDB_TOOLBAR_ICONS), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!strip) throw Error("The toolbar's images cannot be loaded");
  int size = ScaleToDpi(kImageSize, dpi);
  if (size != kImageSize) {
    if (unique_hbitmap scaled{ScaledStrip(strip.get(), size)})
      strip = std::move(scaled);
    else
      size = kImageSize;
  }
  unique_himagelist images(ImageList_Create(size, size, ILC_COLOR32, kImageCount, 0));
  if (!images || ImageList_Add(images.get(), strip.get(), nullptr) < 0)
    throw Error("The toolbar's images cannot be loaded");
  return images;
}

RECT ScreenRect(HWND window, RECT area) {
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
  return area;
}

// The toolbar's buttons that are not hidden, each with its place in the
// toolbar, in their order.
std::vector<std::pair<TBBUTTON, RECT>> ShownButtons(HWND toolbar) {
  std::vector<std::pair<TBBUTTON, RECT>> shown;
  const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    TBBUTTON button{};
    SendMessageW(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    if (button.fsState & TBSTATE_HIDDEN) continue;
    RECT place{};
    SendMessageW(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&place));
    shown.emplace_back(button, place);
  }
  return shown;
}

}  // namespace

std::atomic<long> ToolbarWindow::window_count_{0};

ToolbarWindow::ToolbarWindow(HWND parent, Platform& platform) : platform_(platform) {
  if (!RegisterModuleWindowClass(kWindowClass, &ToolbarWindow::WindowProc, COLOR_ACTIVEBORDER))
    throw Error("The toolbar's window class cannot be registered");
  RECT parent_area{};
  GetClientRect(parent, &parent_area);
  if (!CreateWindowOf(0, kWindowClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                      parent_area.right, 0, parent, ThisModule()))
    throw Error("The toolbar window cannot be created");
  try {
    dpi_ = WindowDpi(Handle());
    font_ = MessageFont(dpi_);
    CreateControls();
    form_ = std::make_unique<TToolbarForm>(platform_, *this);
    {
      const DialogOwner owner(Handle());
      form_->FormCreate();
    }
    ShowItems();
    SetWindowPos(Handle(), nullptr, 0, 0, parent_area.right, IdealHeight(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceDock();
    // Showing it runs the window's show step.
    ShowWindow(Handle(), SW_SHOWNA);
  } catch (...) {
    if (Handle()) DestroyWindow(Handle());
    throw;
  }
}

ToolbarWindow::~ToolbarWindow() {
  // The closing steps run as the window goes, however it goes.
  if (Handle()) DestroyWindow(Handle());
  RunClosingSteps();
}

void ToolbarWindow::UnregisterWindowClasses() {
  UnregisterClassW(kWindowClass, ThisModule());
  BannerArea::UnregisterWindowClass();
}

void ToolbarWindow::CreateControls() {
  // The common controls of the module's own manifest.
  ModuleActivationContext::Scope active(activation_);
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
  InitCommonControlsEx(&classes);
  images_ = LoadIconStrip(dpi_);

  rebar_ = CreateWindowExW(0, REBARCLASSNAMEW, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                               RBS_VARHEIGHT | CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE,
                           0, 0, 0, 0, Handle(), nullptr, ThisModule(), nullptr);
  if (!rebar_) throw Error("The toolbar's dock cannot be created");
  REBARINFO bar{};
  bar.cbSize = sizeof bar;
  SendMessageW(rebar_, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&bar));

  toolbar_ = CreateWindowExW(
      0, TOOLBARCLASSNAMEW, L"Toolbar",
      WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
          TBSTYLE_TOOLTIPS | TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
      0, 0, 0, 0, rebar_, nullptr, ThisModule(), nullptr);
  if (!toolbar_) throw Error("The toolbar cannot be created");
  SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  // Clicks, drop-downs and tooltips are the window's to handle, not the dock's.
  SendMessageW(toolbar_, TB_SETPARENT, reinterpret_cast<WPARAM>(Handle()), 0);
  SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0,
               TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS | TBSTYLE_EX_HIDECLIPPEDBUTTONS);
  SendMessageW(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.get()));
  SendMessageW(toolbar_, TB_SETPADDING, 0,
               MAKELPARAM(Scale(kButtonPaddingX), Scale(kButtonPaddingY)));
  SetWindowSubclass(toolbar_, &ToolbarWindow::ToolbarProc, kToolbarSubclass,
                    reinterpret_cast<DWORD_PTR>(this));

  banner_ = std::make_unique<BannerArea>(
      toolbar_, SIZE{Scale(kBannerArea.cx), Scale(kBannerArea.cy)},
      SIZE{Scale(kBannerPicture.cx), Scale(kBannerPicture.cy)},
      [this] { RunEvent(Handle(), [&] { form_->Click(*form_->Image); }); });
  SearchBox::Events events;
  events.key_press = [this](char& key) {
    RunEvent(Handle(), [&] { form_->SearchBoxKeyPress(key); });
  };
  events.context_menu = [this](POINT at) {
    RunEvent(Handle(), [&] { ShowContextMenu(search_->Handle(), at); });
  };
  search_ = std::make_unique<SearchBox>(toolbar_, Scale(kSearchBoxWidth), kSearchListEntries,
                                        font_.get(), std::move(events));

  REBARBANDINFOW band{};
  band.cbSize = REBARBANDINFOW_V6_SIZE;
  band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
  band.fStyle = RBBS_NOGRIPPER | RBBS_USECHEVRON | RBBS_CHILDEDGE;
  band.hwndChild = toolbar_;
  band.cx = 0x7FFF;
  if (!SendMessageW(rebar_, RB_INSERTBANDW, static_cast<WPARAM>(-1),
                    reinterpret_cast<LPARAM>(&band)))
    throw Error("The toolbar cannot be docked");
}

HWND ToolbarWindow::ControlWindow(const TTBCustomItem& item) const {
  const auto* control = dynamic_cast<const TTBControlItem*>(&item);
  if (!control || !control->Control) return nullptr;
  if (control->Control == form_->FlashToolbar) return BannerAreaWindow();
  if (control->Control == form_->SearchBox) return SearchBoxControl();
  return nullptr;
}

BYTE ToolbarWindow::ButtonState(const TTBCustomItem& item) const {
  BYTE state = 0;
  if (item.Enabled) state |= TBSTATE_ENABLED;
  if (!item.Visible) state |= TBSTATE_HIDDEN;
  if (item.Checked()) state |= TBSTATE_CHECKED;
  return state;
}

void ToolbarWindow::ShowItems() {
  const std::vector<TTBCustomItem*>& items = form_->Toolbar->Items.Items();
  std::vector<TBBUTTON> buttons;
  buttons.reserve(items.size());
  // The toolbar copies the captions; they live until it has.
  std::vector<std::wstring> captions;
  captions.reserve(items.size());
  for (TTBCustomItem* item : items) {
    TBBUTTON button{};
    button.idCommand = kFirstCommand + static_cast<int>(buttons_.size());
    button.dwData = reinterpret_cast<DWORD_PTR>(item);
    button.fsState = ButtonState(*item);
    button.iString = -1;
    switch (item->Kind()) {
      case TTBItemKind::Control: {
        // A separator as wide as the control, which sits over it.
        const HWND control = ControlWindow(*item);
        if (!control) continue;
        RECT area{};
        GetWindowRect(control, &area);
        button.fsStyle = BTNS_SEP;
        button.iBitmap = area.right - area.left;
        break;
      }
      case TTBItemKind::Separator:
        button.fsStyle = BTNS_SEP;
        break;
      default: {
        button.iBitmap = item->ImageIndex >= 0 ? item->ImageIndex : I_IMAGENONE;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        if (item->DisplayMode == nbdmImageAndText || item->ImageIndex < 0)
          button.fsStyle |= BTNS_SHOWTEXT;
        const auto* submenu = dynamic_cast<const TTBSubmenuItem*>(item);
        if (submenu && submenu->DropdownCombo)
          button.fsStyle |= BTNS_DROPDOWN;
        else if (submenu && item->Options.Contains(tboDropdownArrow))
          button.fsStyle |= BTNS_WHOLEDROPDOWN;
        captions.push_back(Wide(item->Caption));
        button.iString = reinterpret_cast<INT_PTR>(captions.back().c_str());
        break;
      }
    }
    commands_[item] = button.idCommand;
    buttons_.push_back(item);
    buttons.push_back(button);
  }
  if (!buttons.empty())
    SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
  natural_button_height_ = HIWORD(SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0));
  Layout();
}

void ToolbarWindow::Layout() {
  if (!toolbar_) return;
  // One row as tall as its tallest part: buttons sized from the font and
  // image, the search box, the banner.
  int row = natural_button_height_;
  if (search_) row = std::max<int>(row, search_->Size().cy);
  if (banner_) row = std::max<int>(row, banner_->Size().cy);
  const DWORD size = static_cast<DWORD>(SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0));
  if (HIWORD(size) != row)
    SendMessageW(toolbar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(LOWORD(size), row));

  int full_width = 0;
  for (const auto& [button, place] : ShownButtons(toolbar_)) {
    full_width = std::max<int>(full_width, place.right);
    const auto* item = reinterpret_cast<const TTBCustomItem*>(button.dwData);
    const HWND control = item ? ControlWindow(*item) : nullptr;
    if (!control) continue;
    RECT own{};
    GetWindowRect(control, &own);
    const int height = own.bottom - own.top;
    SetWindowPos(control, nullptr, place.left, place.top + (place.bottom - place.top - height) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  REBARBANDINFOW band{};
  band.cbSize = REBARBANDINFOW_V6_SIZE;
  band.fMask = RBBIM_CHILDSIZE | RBBIM_IDEALSIZE;
  band.cxMinChild = 0;
  band.cyMinChild = static_cast<UINT>(row);
  band.cyChild = static_cast<UINT>(row);
  band.cyMaxChild = static_cast<UINT>(row);
  band.cxIdeal = static_cast<UINT>(full_width);
  SendMessageW(rebar_, RB_SETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
  PlaceDock();
}

void ToolbarWindow::PlaceDock() {
  if (!Handle() || !rebar_) return;
  RECT area{};
  GetClientRect(Handle(), &area);
  SetWindowPos(rebar_, nullptr, 0, 0, area.right, IdealHeight(), SWP_NOZORDER | SWP_NOACTIVATE);
}

int ToolbarWindow::IdealHeight() const {
  return rebar_ ? static_cast<int>(SendMessageW(rebar_, RB_GETBARHEIGHT, 0, 0)) : 0;
}

void ToolbarWindow::SetHostBrowser(HostBrowserRef browser) {
  form_->HostBrowser = std::move(browser);
}

void ToolbarWindow::RunClosingSteps() {
  if (closing_steps_run_ || !form_) return;
  closing_steps_run_ = true;
  form_->FormDestroy();
}

// --- messages

void ToolbarWindow::OnWindowGone() noexcept {
  rebar_ = toolbar_ = nullptr;
  --window_count_;
}

LRESULT ToolbarWindow::OnMessageFailed(HWND window, UINT message, WPARAM wparam,
                                       LPARAM lparam) noexcept {
  try {
    throw;
  } catch (const WindowDestroyed&) {
    // The window went while a menu of it was open; so did what the message
    // was about.
    return 0;
  } catch (...) {
    // The behaviour's handlers show their own errors; what fails here is
    // drawing or a menu the system would not make.
    return DefaultProc(window, message, wparam, lparam);
  }
}

LRESULT ToolbarWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const DialogOwner owner(Handle());
  switch (message) {
    case WM_SIZE:
      PlaceDock();
      return 0;
    case WM_SETFOCUS:
      // The search box is the window's active control.
      if (SearchEditControl()) SetFocus(SearchEditControl());
      return 0;
    case WM_SHOWWINDOW:
      if (wparam && form_) form_->FormShow();
      break;
    case WM_WINDOWPOSCHANGING: {
      auto& position = *reinterpret_cast<WINDOWPOS*>(lparam);
      if (!form_ || (position.flags & SWP_NOSIZE)) break;
      RECT now{};
      GetWindowRect(Handle(), &now);
      int32_t width = position.cx, height = position.cy;
      if (form_->FormCanResize(width, height)) {
        position.cx = width;
        position.cy = height;
      } else {
        position.cx = now.right - now.left;
        position.cy = now.bottom - now.top;
      }
      return 0;
    }
    case WM_DESTROY:
      // The window's menus and dialogs go with it, as owned windows go with
      // their owner, before its behaviour learns that it is gone.
      EndModalCallsOf(Handle());
      RunClosingSteps();
      break;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lparam) == toolbar_ && toolbar_) {
        ButtonClicked(LOWORD(wparam));
        return 0;
      }
      break;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_NOTIFYFORMAT:
      // The controls' notifications, tooltips' requests among them, in UTF-16.
      if (lparam == NF_QUERY) return NFR_UNICODE;
      break;
    case WM_CONTEXTMENU:
      ShowContextMenu(reinterpret_cast<HWND>(wparam),
                      {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
      return 0;
    case WM_MEASUREITEM:
      if (ItemMenu::Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lparam), images_.get()))
        return TRUE;
      break;
    case WM_DRAWITEM:
      if (ItemMenu::Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam), images_.get()))
        return TRUE;
      break;
  }
  return DefaultProc(message, wparam, lparam);
}

LRESULT ToolbarWindow::OnNotify(const NMHDR& header) {
  switch (header.code) {
    case TBN_DROPDOWN:
      if (header.hwndFrom != toolbar_) break;
      ShowButtonMenu(reinterpret_cast<const NMTOOLBARW&>(header).iItem);
      return TBDDRET_DEFAULT;
    case RBN_CHEVRONPUSHED:
      if (header.hwndFrom != rebar_) break;
      ShowChevronMenu(reinterpret_cast<const NMREBARCHEVRON&>(header).rc);
      return 0;
    case TTN_GETDISPINFOW: {
      // Only items that ask for it show their hint.
      const TTBCustomItem* item = ItemOfCommand(static_cast<int>(header.idFrom));
      tooltip_ = item && item->Options.Contains(tboShowHint) ? Wide(item->Hint) : std::wstring();
      auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
      info.hinst = nullptr;
      info.lpszText = tooltip_.data();
      return 0;
    }
  }
  return DefaultProc(WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

LRESULT CALLBACK ToolbarWindow::ToolbarProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR, DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, &ToolbarWindow::ToolbarProc, kToolbarSubclass);
  } else if (message == WM_MOUSEMOVE) {
    auto* owner = reinterpret_cast<ToolbarWindow*>(self);
    const DialogOwner dialogs(owner->Handle());
    try {
      // The key and button state as the system reports it (MK_ flags).
      if (owner->form_)
        owner->form_->ToolbarMouseMove(static_cast<uint32_t>(wparam),
                                       static_cast<short>(LOWORD(lparam)),
                                       static_cast<short>(HIWORD(lparam)));
    } catch (...) {
    }
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

// --- what the user does

void ToolbarWindow::RunEvent(HWND window, const std::function<void()>& event) {
  const DialogOwner owner(window);
  try {
    event();
  } catch (const WindowDestroyed&) {
  }
}

TTBCustomItem* ToolbarWindow::ItemOfCommand(int command) const {
  const int index = command - kFirstCommand;
  return index >= 0 && index < static_cast<int>(buttons_.size()) ? buttons_[index] : nullptr;
}

void ToolbarWindow::ButtonClicked(int command) {
  TTBCustomItem* item = ItemOfCommand(command);
  if (!item) return;
  const auto* submenu = dynamic_cast<const TTBSubmenuItem*>(item);
  // A submenu that is not split opens its menu wherever it is clicked.
  if (submenu && !submenu->DropdownCombo) return ShowButtonMenu(command);
  Chosen(item);
}

void ToolbarWindow::ShowButtonMenu(int command) {
  TTBCustomItem* item = ItemOfCommand(command);
  if (!item || item->Items().empty()) return;
  RECT button{};
  SendMessageW(toolbar_, TB_GETRECT, static_cast<WPARAM>(command),
               reinterpret_cast<LPARAM>(&button));
  const RECT place = ScreenRect(toolbar_, button);
  const ItemMenu menu(item->Items());
  SendMessageW(toolbar_, TB_PRESSBUTTON, static_cast<WPARAM>(command), TRUE);
  TTBCustomItem* chosen = TrackMenu(menu, {place.left, place.bottom}, &place);
  if (toolbar_) SendMessageW(toolbar_, TB_PRESSBUTTON, static_cast<WPARAM>(command), FALSE);
  Chosen(chosen);
}

void ToolbarWindow::ShowChevronMenu(const RECT& chevron) {
  // The items whose buttons reach past the part of the toolbar shown.
  RECT shown{};
  GetClientRect(toolbar_, &shown);
  std::vector<TTBCustomItem*> hidden;
  for (const auto& [button, place] : ShownButtons(toolbar_)) {
    if (place.right > shown.right)
      hidden.push_back(reinterpret_cast<TTBCustomItem*>(button.dwData));
  }
  if (hidden.empty()) return;
  const RECT place = ScreenRect(rebar_, chevron);
  const ItemMenu menu(hidden);
  // The chevron is at the dock's right end: the menu opens leftwards.
  Chosen(TrackMenu(menu, {place.right, place.bottom}, &place, true));
}

void ToolbarWindow::ShowContextMenu(HWND target, POINT at) {
  if (!form_) return;
  const HWND search = SearchBoxControl();
  const bool in_search_box = search && (target == search || IsChild(search, target));
  const TTBPopupMenu& popup = in_search_box ? *form_->SearchPopup : *form_->MainPopup;
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: below the search box, or at the window's corner.
    RECT area{};
    GetWindowRect(in_search_box ? search : Handle(), &area);
    at = {area.left, in_search_box ? area.bottom : area.top};
  }
  const ItemMenu menu(popup.Items.Items());
  Chosen(TrackMenu(menu, at, nullptr));
}

TTBCustomItem* ToolbarWindow::TrackMenu(const ItemMenu& menu, POINT at, const RECT* keep_clear,
                                        bool right_aligned) {
  return form_->Modal([&, window = Handle()] {
    const ModalCall call(ModalCall::Kind::Menu);
    return menu.Track(window, at, keep_clear, right_aligned);
  });
}

void ToolbarWindow::Chosen(TTBCustomItem* item) {
  if (item && form_) form_->Click(*item);
}

// --- ToolbarView

void ToolbarWindow::SetCaption(const std::string& caption) {
  if (Handle()) SetWindowTextW(Handle(), Wide(caption).c_str());
}

int32_t ToolbarWindow::Width() {
  RECT area{};
  if (Handle()) GetClientRect(Handle(), &area);
  return area.right;
}

bool ToolbarWindow::LoadBannerPicture(const std::string& file_name) {
  unique_hbitmap picture(static_cast<HBITMAP>(LoadImageW(
      nullptr, Wide(file_name).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  if (!picture || !banner_) return false;
  banner_->SetPicture(std::move(picture));
  return true;
}

bool ToolbarWindow::LoadBannerAnimation(const std::string& file_name) {
  if (!banner_) return false;
  std::optional<BannerFrames> frames = DecodeBannerGif(file_name);
  if (!frames) return false;
  banner_->SetAnimation(std::move(*frames));
  return true;
}

void ToolbarWindow::SetBannerPictureVisible(bool visible) {
  if (banner_) banner_->SetPictureVisible(visible);
}

std::unique_ptr<FlashPlayer> ToolbarWindow::CreateFlashPlayer() {
  ModuleActivationContext::Scope active(activation_);
  return CreateWin32FlashPlayer(BannerAreaWindow());
}

TTBCustomItem* ToolbarWindow::ItemAt(int32_t x, int32_t y) {
  if (!toolbar_) return nullptr;
  POINT at{x, y};
  const int index =
      static_cast<int>(SendMessageW(toolbar_, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&at)));
  // Separators and the places of the controls give negative indexes.
  if (index < 0) return nullptr;
  TBBUTTON button{};
  if (!SendMessageW(toolbar_, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)))
    return nullptr;
  return reinterpret_cast<TTBCustomItem*>(button.dwData);
}

void ToolbarWindow::ItemChanged(const TTBCustomItem& item) {
  const auto found = commands_.find(&item);
  if (found == commands_.end() || !toolbar_) return;
  TBBUTTONINFOW info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_STATE;
  info.fsState = ButtonState(item);
  std::wstring caption = Wide(item.Caption);
  if (item.Kind() != TTBItemKind::Control && item.Kind() != TTBItemKind::Separator) {
    info.dwMask |= TBIF_TEXT | TBIF_IMAGE;
    info.pszText = caption.data();
    info.iImage = item.ImageIndex >= 0 ? item.ImageIndex : I_IMAGENONE;
  }
  SendMessageW(toolbar_, TB_SETBUTTONINFOW, static_cast<WPARAM>(found->second),
               reinterpret_cast<LPARAM>(&info));
  // A new caption or a shown or hidden button moves what follows.
  Layout();
}

std::string ToolbarWindow::SearchText() { return search_ ? search_->Text() : std::string(); }

void ToolbarWindow::SetSearchText(const std::string& text) {
  if (search_) search_->SetText(text);
}

std::string ToolbarWindow::SearchSelection() {
  return search_ ? search_->Selection() : std::string();
}

void ToolbarWindow::SelectAllSearchText() {
  if (search_) search_->SelectAll();
}

int ToolbarWindow::SearchSelectedIndex() { return search_ ? search_->SelectedIndex() : -1; }

void ToolbarWindow::ShowSearchList(const TStringList& entries) {
  if (search_) search_->ShowList(entries);
}

void ToolbarWindow::InsertSearchEntry(int index, std::string_view text) {
  if (search_) search_->InsertEntry(index, text);
}

void ToolbarWindow::DeleteSearchEntry(int index) {
  if (search_) search_->DeleteEntry(index);
}

}  // namespace pq::win32
