#include "win32/toolbar_window.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "win32/dock_chevron.h"
#include "win32/dropdown_arrows.h"
#include "win32/flash_player_control.h"
#include "win32/item_menu.h"
#include "win32/resource_ids.h"
#include "win32/this_module.h"
#include "win32/wide_text.h"

namespace pq::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"PelliquesterToolbar";
constexpr int kFirstCommand = 100;

// The design's sizes, in pixels at 96 dots per inch.
constexpr SIZE kBannerArea = {107, 22};
constexpr SIZE kBannerPicture = {105, 22};
constexpr int kSearchBoxWidth = 145;
constexpr int kSearchListEntries = 16;
// The dock's room above and below its row, as the system's dock keeps it.
constexpr int kDockEdge = 2;
// The toolbar's height until the dock gives it its row.
constexpr int kUnplacedToolbarHeight = 4096;
// The room a toolbar control keeps for a drop-down arrow where it does not
// say (TB_GETITEMDROPDOWNRECT): 11 pixels whatever the DPI, in comctl32
// without a theme and in Wine's.
constexpr int kControlArrowWidth = 11;

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

// Whether the window is laid out from the right, as a browser's for a
// right-to-left language is.
bool Mirrored(HWND window) {
  return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
}

// Whether the browser's window takes input: a dialog of the toolbar's
// disables it while it is open, and what the mouse cannot reach then, no
// other way reaches either.
bool BrowserTakesInput(HWND window) {
  const HWND root = GetAncestor(window, GA_ROOT);
  return root && IsWindowEnabled(root);
}

// A caption as the toolbar control shows it whole: the control takes a lone
// "&" for the mark of an underlined letter, which no key reaches on a button.
// "&&", which shows as one, is left as it is.
std::wstring ButtonText(const std::string& caption) {
  const std::wstring wide = Wide(ButtonCaption(caption));
  std::wstring text;
  text.reserve(wide.size() + 4);
  for (size_t i = 0; i < wide.size(); ++i) {
    text.push_back(wide[i]);
    if (wide[i] != L'&') continue;
    if (i + 1 < wide.size() && wide[i + 1] == L'&')
      text.push_back(wide[++i]);
    else
      text.push_back(L'&');
  }
  return text;
}

}  // namespace

std::atomic<long> ToolbarWindow::window_count_{0};

ToolbarWindow::ToolbarWindow(HWND parent, Platform& platform, Start start)
    : platform_(platform) {
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
    if (start == Start::Shown) Show();
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
  UnregisterModuleWindowClass(kWindowClass);
  BannerArea::UnregisterWindowClass();
}

void ToolbarWindow::CreateControls() {
  // The common controls of the module's own manifest.
  ModuleActivationContext::Scope active(activation_);
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  LoadImagesAndMetrics();

  // The window is the dock: a system dock would add a window, its layout and
  // its painting to each browser window's start for a chevron alone. Made as
  // wide as the window and taller than any row: a toolbar that hides clipped
  // buttons redraws each button that a change of its size reaches, and given
  // its row later it redraws only those about its right end, not each one.
  toolbar_ = CreateWindowExW(
      0, TOOLBARCLASSNAMEW, L"Toolbar",
      WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
          TBSTYLE_TOOLTIPS | TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
      0, kDockEdge, Width(), kUnplacedToolbarHeight, Handle(), nullptr, ThisModule(), nullptr);
  if (!toolbar_) throw Error("The toolbar cannot be created");
  SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  // Buttons cut by the toolbar's edge are hidden, to be offered behind the
  // chevron. Set before there are buttons, the style costs no layout.
  SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0,
               TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS | TBSTYLE_EX_HIDECLIPPEDBUTTONS);
  SendMessageW(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  ApplyImagesAndMetrics();
  if (!toolbar_subclass_.Install(toolbar_, &ToolbarWindow::ToolbarProc, this))
    throw Error("The toolbar cannot be created");

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
  ConnectCompletion(events);
  search_ = std::make_unique<SearchBox>(toolbar_, Scale(kSearchBoxWidth), kSearchListEntries,
                                        font_.get(), std::move(events));
}

// The image list and the button layout at the window's DPI.
void ToolbarWindow::LoadImagesAndMetrics() {
  images_ = IconImageList(dpi_, Mirrored(Handle()));
  if (Mirrored(Handle())) plain_images_ = IconImageList(dpi_);
  metrics_ = ToolbarMetricsAt(dpi_, kControlArrowWidth);
}

// Gives them to the toolbar control, before its buttons are added.
void ToolbarWindow::ApplyImagesAndMetrics() {
  SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.get()));
  SendMessageW(toolbar_, TB_SETPADDING, 0, MAKELPARAM(metrics_.padding_x, metrics_.padding_y));
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
        button.iBitmap = metrics_.separator;  // a separator's width
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
        captions.push_back(ButtonText(item->Caption));
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

  // Only the controls' places are asked for: each message to the toolbar
  // costs, and a hidden button has no place.
  for (size_t index = 0; index < buttons_.size(); ++index) {
    const HWND control = ControlWindow(*buttons_[index]);
    RECT place{};
    if (!control ||
        !SendMessageW(toolbar_, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&place)))
      continue;
    RECT own{};
    GetWindowRect(control, &own);
    MapWindowPoints(nullptr, toolbar_, reinterpret_cast<POINT*>(&own), 2);
    const POINT at{place.left, place.top + (place.bottom - place.top - (own.bottom - own.top)) / 2};
    if (at.x != own.left || at.y != own.top)
      SetWindowPos(control, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The row ends with its last shown button.
  int full_width = 0;
  for (size_t index = buttons_.size(); index-- > 0;) {
    RECT place{};
    if (SendMessageW(toolbar_, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&place))) {
      full_width = place.right;
      break;
    }
  }

  row_ = row;
  buttons_width_ = full_width;
  if (Visible()) PlaceDock();
}

bool ToolbarWindow::Visible() const {
  return Handle() && (GetWindowLongW(Handle(), GWL_STYLE) & WS_VISIBLE);
}

void ToolbarWindow::PlaceDock() {
  if (!Handle() || !toolbar_) return;
  RECT area{};
  GetClientRect(Handle(), &area);
  const DockArrangement dock =
      ArrangeDock(area.right, buttons_width_, Scale(kDesignChevronWidth));
  const RECT chevron = dock.chevron
                           ? RECT{dock.toolbar_width, kDockEdge, area.right, kDockEdge + row_}
                           : RECT{};
  if (!EqualRect(&chevron, &chevron_)) {
    const long shown_before = accessible_ ? accessible_->ChevronChild() : 0;
    InvalidateRect(Handle(), &chevron_, TRUE);
    chevron_ = chevron;
    InvalidateRect(Handle(), &chevron_, TRUE);
    if (accessible_) {
      if (const long shown = accessible_->ChevronChild())
        NotifyChevronEvent(shown_before ? EVENT_OBJECT_LOCATIONCHANGE : EVENT_OBJECT_SHOW, shown);
      else if (shown_before)
        NotifyChevronEvent(EVENT_OBJECT_HIDE, shown_before);
    }
  }
  RECT now{};
  GetWindowRect(toolbar_, &now);
  MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&now), 2);
  if (now.left != 0 || now.top != kDockEdge || now.right != dock.toolbar_width ||
      now.bottom != kDockEdge + row_)
    SetWindowPos(toolbar_, nullptr, 0, kDockEdge, dock.toolbar_width, row_,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

int ToolbarWindow::IdealHeight() const { return row_ ? row_ + 2 * kDockEdge : 0; }

void ToolbarWindow::SetHostBrowser(HostBrowserRef browser) {
  form_->HostBrowser = std::move(browser);
}

void ToolbarWindow::Show() {
  // Showing it runs the window's show step.
  if (Handle()) ShowWindow(Handle(), SW_SHOWNA);
}

void ToolbarWindow::SetFocusHandler(std::function<void(FocusEvent)> handler) {
  focus_changed_ = std::move(handler);
}

void ToolbarWindow::ReportFocus(FocusEvent event) {
  if (!focus_changed_) return;
  // A copy: the handler may close the window, and this object with it.
  const std::function<void(FocusEvent)> handler = focus_changed_;
  try {
    handler(event);
  } catch (...) {
  }
}

void ToolbarWindow::RunClosingSteps() {
  if (closing_steps_run_ || !form_) return;
  closing_steps_run_ = true;
  form_->FormDestroy();
}

// --- messages

void ToolbarWindow::OnWindowGone() noexcept {
  toolbar_ = nullptr;
  // A client may hold the object longer: it finds no chevron from now on.
  if (accessible_) accessible_->Detach();
  accessible_.Reset();
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
      // A hidden window's dock waits until it shows: the host gives the
      // window its place before it shows the band, and each new size lays
      // the toolbar out anew.
      if (Visible()) PlaceDock();
      return 0;
    case WM_PAINT:
      PaintDock();
      return 0;
    case WM_MOUSEMOVE:
      TrackChevronHover({static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
      return 0;
    case WM_MOUSELEAVE:
      SetChevronLook(false, chevron_pressed_);
      return 0;
    case WM_LBUTTONDOWN: {
      const POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
      if (PtInRect(&chevron_, at)) PushChevron();
      return 0;
    }
    case RB_PUSHCHEVRON:
      // Posted, it may come once a dialog has disabled the browser's window.
      if (BrowserTakesInput(Handle())) PushChevron();
      return 0;
    case WM_GETOBJECT:
      if (static_cast<LONG>(lparam) != static_cast<LONG>(OBJID_CLIENT)) break;
      if (const LRESULT answer = ChevronAccessible::Answer(accessible_, Handle(), wparam, [this] {
            return ChevronView{ScreenRect(Handle(), chevron_), chevron_hot_, chevron_pressed_,
                               BrowserTakesInput(Handle())};
          }))
        return answer;
      break;
    case WM_THEMECHANGED:
      // The chevron's theme is asked for anew at its next paint.
      chevron_theme_.reset();
      chevron_theme_asked_ = false;
      InvalidateRect(Handle(), &chevron_, TRUE);
      break;
    case WM_SETFOCUS:
      // The search box is the window's active control.
      if (SearchEditControl()) SetFocus(SearchEditControl());
      return 0;
    case WM_SHOWWINDOW:
      if (!wparam) break;
      PlaceDock();
      if (form_) form_->FormShow();
      break;
    case WM_PARENTNOTIFY:
      if (focus_changed_) {
        // The handler may close the window: nothing of it is touched afterwards.
        const HWND window = Handle();
        ReportFocus(FocusEvent::Clicked);
        return DefWindowProcW(window, message, wparam, lparam);
      }
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
      // The toolbar passes on its children's notifications.
      if (search_ && lparam && reinterpret_cast<HWND>(lparam) == search_->Handle()) {
        search_->OnNotification(HIWORD(wparam));
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
    case WM_DRAWITEM: {
      const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      const DWORD layout = GetLayout(draw.hDC);
      const bool turns_over = layout != GDI_ERROR && (layout & LAYOUT_RTL);
      if (ItemMenu::Draw(draw, plain_images_ && !turns_over ? plain_images_.get() : images_.get()))
        return TRUE;
      break;
    }
  }
  return DefaultProc(message, wparam, lparam);
}

LRESULT ToolbarWindow::OnNotify(const NMHDR& header) {
  switch (header.code) {
    case TBN_DROPDOWN:
      if (header.hwndFrom != toolbar_) break;
      ShowButtonMenu(reinterpret_cast<const NMTOOLBARW&>(header).iItem);
      return TBDDRET_DEFAULT;
    case NM_CUSTOMDRAW:
      if (header.hwndFrom != toolbar_) break;
      return DrawDropDownArrows(reinterpret_cast<const NMTBCUSTOMDRAW&>(header), metrics_,
                                kControlArrowWidth, paint_theme_);
    case TTN_GETDISPINFOW: {
      // Only items that ask for it show their hint.
      const TTBCustomItem* item = ItemOfCommand(static_cast<int>(header.idFrom));
      tooltip_.clear();
      // Addresses and hints show as written: the tooltip takes a lone "&"
      // for the mark of an underlined letter.
      if (item && item->Options.Contains(tboShowHint))
        for (const wchar_t c : Wide(item->Hint)) tooltip_.append(c == L'&' ? 2 : 1, c);
      auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
      info.hinst = nullptr;
      info.lpszText = tooltip_.data();
      return 0;
    }
  }
  return DefaultProc(WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

LRESULT CALLBACK ToolbarWindow::ToolbarProc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  auto* owner = ControlSubclass::Owner<ToolbarWindow>(window);
  if (!owner) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_MOUSEMOVE) {
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
  return owner->toolbar_subclass_.CallNext(window, message, wparam, lparam);
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
  // The menu lines up with the edge where the button begins: its right one
  // in a browser mirrored for a right-to-left language.
  const bool mirrored = Mirrored(Handle());
  TTBCustomItem* chosen =
      TrackMenu(menu, {mirrored ? place.right : place.left, place.bottom}, &place, mirrored);
  if (toolbar_) SendMessageW(toolbar_, TB_PRESSBUTTON, static_cast<WPARAM>(command), FALSE);
  Chosen(chosen);
}

void ToolbarWindow::PushChevron() {
  if (IsRectEmpty(&chevron_) || !toolbar_) return;
  // The items whose buttons reach past the part of the toolbar shown.
  RECT shown{};
  GetClientRect(toolbar_, &shown);
  std::vector<TTBCustomItem*> hidden;
  for (const auto& [button, place] : ShownButtons(toolbar_)) {
    if (place.right > shown.right)
      hidden.push_back(reinterpret_cast<TTBCustomItem*>(button.dwData));
  }
  if (hidden.empty()) return;
  const RECT place = ScreenRect(Handle(), chevron_);
  const ItemMenu menu(hidden);
  SetChevronLook(false, true);
  // The chevron is at the dock's end, its right one but in a mirrored
  // browser: the menu opens back over the toolbar. The window outlives the
  // menu, or the menu's call raises.
  const bool mirrored = Mirrored(Handle());
  TTBCustomItem* chosen =
      TrackMenu(menu, {mirrored ? place.left : place.right, place.bottom}, &place, !mirrored);
  SetChevronLook(false, false);
  Chosen(chosen);
}

void ToolbarWindow::SetChevronLook(bool hot, bool pressed) {
  if (hot == chevron_hot_ && pressed == chevron_pressed_) return;
  chevron_hot_ = hot;
  chevron_pressed_ = pressed;
  InvalidateRect(Handle(), &chevron_, TRUE);
  UpdateWindow(Handle());
  if (accessible_) NotifyChevronEvent(EVENT_OBJECT_STATECHANGE, accessible_->ChevronChild());
}

void ToolbarWindow::NotifyChevronEvent(DWORD event, long child) {
  if (child != 0) NotifyWinEvent(event, Handle(), OBJID_CLIENT, child);
}

void ToolbarWindow::TrackChevronHover(POINT at) {
  const bool over = PtInRect(&chevron_, at) != FALSE;
  if (over && !chevron_hot_) {
    // Told when the mouse leaves the window, to light the chevron down again.
    TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, Handle(), 0};
    TrackMouseEvent(&leave);
  }
  SetChevronLook(over, chevron_pressed_);
}

void ToolbarWindow::PaintDock() {
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(Handle(), &paint);
  if (!dc) return;
  RECT overlap{};
  if (IntersectRect(&overlap, &paint.rcPaint, &chevron_)) {
    if (!chevron_theme_asked_) {
      chevron_theme_.reset(OpenThemeData(nullptr, L"Rebar"));
      chevron_theme_asked_ = true;
    }
    PaintChevron(dc, chevron_,
                 chevron_pressed_ ? ChevronLook::Pressed
                 : chevron_hot_   ? ChevronLook::Hot
                                  : ChevronLook::Normal,
                 dpi_, chevron_theme_.get());
  }
  EndPaint(Handle(), &paint);
}

void ToolbarWindow::ShowContextMenu(HWND target, POINT at) {
  if (!form_) return;
  const HWND search = SearchBoxControl();
  const bool in_search_box = search && (target == search || IsChild(search, target));
  const TTBPopupMenu& popup = in_search_box ? *form_->SearchPopup : *form_->MainPopup;
  // A mirrored browser's menus open from the right, as its text runs.
  const bool mirrored = Mirrored(Handle());
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: below the search box, or at the window's corner.
    RECT area{};
    GetWindowRect(in_search_box ? search : Handle(), &area);
    at = {mirrored ? area.right : area.left, in_search_box ? area.bottom : area.top};
  }
  const ItemMenu menu(popup.Items.Items());
  Chosen(TrackMenu(menu, at, nullptr, mirrored));
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
  const std::wstring text = Wide(caption);
  if (Handle()) SetWindowTextW(Handle(), text.c_str());
  // The banner picture draws itself; its text is what accessibility tools
  // name it by: the toolbar's name, whose home page it opens.
  if (banner_ && banner_->Picture()) SetWindowTextW(banner_->Picture(), text.c_str());
}

int32_t ToolbarWindow::Width() {
  RECT area{};
  if (Handle()) GetClientRect(Handle(), &area);
  return area.right;
}

bool ToolbarWindow::LoadBannerPicture(const std::string& file_name) {
  unique_hbitmap picture = LoadBannerBitmap(file_name);
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
  std::wstring caption = ButtonText(item.Caption);
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

// --- completion

void ToolbarWindow::ConnectCompletion(SearchBox::Events& events) {
  events.text_changed = [this] { RunEvent(Handle(), [&] { if (form_) form_->SearchTextChanged(); }); };
  events.list_key = [this](SearchBox::ListKey key) {
    using Key = TToolbarForm::SearchKey;
    bool taken = false;
    RunEvent(Handle(), [&] {
      taken = form_ && form_->SearchBoxNavigate(key == SearchBox::ListKey::Up     ? Key::Up
                                       : key == SearchBox::ListKey::Down ? Key::Down
                                                                         : Key::Escape);
    });
    return taken;
  };
  events.list_dropping = [this] { RunEvent(Handle(), [&] { if (form_) form_->SearchListDropping(); }); };
  events.list_closed = [this] { RunEvent(Handle(), [&] { if (form_) form_->SearchListClosed(); }); };
  events.focus_gained = [this](HWND from) {
    if (!from || (from != Handle() && !IsChild(Handle(), from))) ReportFocus(FocusEvent::Gained);
  };
  events.focus_left = [this](HWND to) {
    RunEvent(Handle(), [&] { if (form_) form_->SearchBoxExit(); });
    if (!to || (to != Handle() && !IsChild(Handle(), to))) ReportFocus(FocusEvent::Lost);
  };
  events.suggestion_timer = [this] { RunEvent(Handle(), [&] { if (form_) form_->SuggestionTimer(); }); };
  events.suggestions_waiting = [this] {
    RunEvent(Handle(), [&] { if (form_) form_->SuggestionsArrived(); });
  };
}

void ToolbarWindow::ShowCompletionList(const TStringList& entries) {
  if (search_) search_->ShowCompletion(entries);
}

void ToolbarWindow::ChooseCompletionEntry(int index, const std::string& text) {
  if (search_) search_->ChooseEntry(index, text);
}

void ToolbarWindow::CloseSearchList() {
  if (search_) search_->CloseList();
}

void ToolbarWindow::StartSuggestionTimer(uint32_t delay_ms) {
  if (search_) search_->StartTimer(delay_ms);
}

void ToolbarWindow::StopSuggestionTimer() {
  if (search_) search_->StopTimer();
}

std::function<void()> ToolbarWindow::SuggestionWaker() {
  return search_ ? search_->Waker() : std::function<void()>();
}

}  // namespace pq::win32
