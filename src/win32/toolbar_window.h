#pragma once
// The toolbar window on screen: a borderless child window that is the dock,
// holding a comctl32 toolbar in one row, with a chevron at its right end for
// the items that do not fit. From the left the toolbar shows the banner area,
// a separator, the search box, and then the configured items: buttons,
// drop-down and split buttons with popup menus built from the item tree,
// separators. The window owns its behaviour, TToolbarForm, shows what that
// asks for and reports to it what the user does.
//
// A window lives on the thread that created it and is destroyed there; any
// number of them may exist, on one thread or on several.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <uxtheme.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/host_browser.h"
#include "platform/platform.h"
#include "toolbar/toolbar_form.h"
#include "toolbar/toolbar_view.h"
#include "win32/activation_context.h"
#include "win32/banner_area.h"
#include "win32/chevron_accessible.h"
#include "win32/control_subclass.h"
#include "win32/handles.h"
#include "win32/icon_strips.h"
#include "win32/search_box.h"
#include "win32/win32_user_interface.h"
#include "win32/window_impl.h"
#include "win32/window_metrics.h"

namespace pq::win32 {

class ItemMenu;

class ToolbarWindow final : public ToolbarView, public WindowImpl<ToolbarWindow> {
 public:
  // Whether the window shows as soon as it is built, or stays hidden until
  // Show(), as a desk band's window waits for its host to show the band.
  enum class Start { Shown, Hidden };

  // Creates the window as a child of the parent, as wide as the parent's
  // client area and as high as IdealHeight(), runs the window's start-up
  // steps and shows the items they built; the window's show step runs when
  // it first shows. The platform outlives the window. Raises Error when the
  // system refuses a window.
  ToolbarWindow(HWND parent, Platform& platform, Start start = Start::Shown);
  // Runs the closing steps and destroys the window; when the parent has
  // destroyed the window already, its closing steps ran then.
  ~ToolbarWindow() override;
  ToolbarWindow(const ToolbarWindow&) = delete;
  ToolbarWindow& operator=(const ToolbarWindow&) = delete;

  // The hosting browser, handed over once the window exists.
  void SetHostBrowser(HostBrowserRef browser);
  // Shows the window where its parent has put it, without activating it.
  void Show();
  // What the window tells of the focus: a click in one of its controls
  // (WM_PARENTNOTIFY, before the window handles it), the keyboard focus come
  // into its controls from outside the window, or gone from them to a window
  // that is not the toolbar's.
  enum class FocusEvent { Clicked, Gained, Lost };
  // The handler may close the window; nothing may leave it.
  void SetFocusHandler(std::function<void(FocusEvent)> handler);
  // The height that shows the toolbar's one row whole at the window's
  // resolution.
  int IdealHeight() const;
  TToolbarForm& Form() { return *form_; }

  // The controls, for whoever drives the window through their own messages.
  // The dock is the window itself: it answers the system dock's
  // RB_PUSHCHEVRON, opening its chevron's menu, as that does.
  HWND DockControl() const { return Handle(); }
  HWND ToolbarControl() const { return toolbar_; }
  HWND SearchBoxControl() const { return search_ ? search_->Handle() : nullptr; }
  HWND SearchEditControl() const { return search_ ? search_->Edit() : nullptr; }
  HWND BannerAreaWindow() const { return banner_ ? banner_->Handle() : nullptr; }
  HWND BannerPictureControl() const { return banner_ ? banner_->Picture() : nullptr; }
  const BannerArea* Banner() const { return banner_.get(); }

  // Windows of this kind that exist in the process, and modal loops under
  // way, which may outlast the window they were opened for: the module that
  // holds their code must stay loaded while there is one.
  static long WindowCount() { return window_count_.load() + ModalCallsUnderWay(); }
  // Unregisters the window classes, which succeeds only once no window of
  // them is left; for the module's unloading.
  static void UnregisterWindowClasses();

  // --- ToolbarView
  void SetCaption(const std::string& caption) override;
  int32_t Width() override;
  bool LoadBannerPicture(const std::string& file_name) override;
  void SetBannerPictureVisible(bool visible) override;
  bool LoadBannerAnimation(const std::string& file_name) override;
  std::unique_ptr<FlashPlayer> CreateFlashPlayer() override;
  TTBCustomItem* ItemAt(int32_t x, int32_t y) override;
  void ItemChanged(const TTBCustomItem& item) override;
  std::string SearchText() override;
  void SetSearchText(const std::string& text) override;
  std::string SearchSelection() override;
  void SelectAllSearchText() override;
  int SearchSelectedIndex() override;
  void ShowSearchList(const TStringList& entries) override;
  void InsertSearchEntry(int index, std::string_view text) override;
  void DeleteSearchEntry(int index) override;
  void ShowCompletionList(const TStringList& entries) override;
  void ChooseCompletionEntry(int index, const std::string& text) override;
  void CloseSearchList() override;
  void StartSuggestionTimer(uint32_t delay_ms) override;
  void StopSuggestionTimer() override;
  std::function<void()> SuggestionWaker() override;

 private:
  static LRESULT CALLBACK ToolbarProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  friend WindowImpl;
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnWindowAttached() noexcept { ++window_count_; }
  void OnWindowGone() noexcept;
  LRESULT OnMessageFailed(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  LRESULT OnNotify(const NMHDR& header);

  void CreateControls();
  void LoadImagesAndMetrics();
  void ApplyImagesAndMetrics();
  // The search box's completion events go to the window's behaviour.
  void ConnectCompletion(SearchBox::Events& events);
  void ShowItems();
  // Sizes the row to its tallest part, puts the controls over their places
  // and tells the dock the toolbar's full width.
  void Layout();
  // Sizes the toolbar to the window's width, less the chevron's room while
  // buttons do not fit, and to the row's height.
  void PlaceDock();
  // Whether the window itself is shown, whatever its parent is.
  bool Visible() const;
  void RunClosingSteps();

  int Scale(int design_pixels) const { return ScaleToDpi(design_pixels, dpi_); }
  TTBCustomItem* ItemOfCommand(int command) const;
  HWND ControlWindow(const TTBCustomItem& item) const;
  BYTE ButtonState(const TTBCustomItem& item) const;

  // Runs what the user did through a control, on behalf of the window: the
  // dialogs it shows are the window's. The event may close the window, so
  // nothing of it is touched afterwards.
  static void RunEvent(HWND window, const std::function<void()>& event);

  // What the user does. Each ends in the window's behaviour, which may close
  // the window: nothing touches the window after it.
  void ButtonClicked(int command);
  void ShowButtonMenu(int command);
  // Opens the chevron's menu of the items that do not fit, the chevron
  // pressed meanwhile.
  void PushChevron();
  void SetChevronLook(bool hot, bool pressed);
  void PaintDock();
  void TrackChevronHover(POINT at);
  // Tells accessibility tools of a change to the chevron, if one asked.
  void NotifyChevronEvent(DWORD event, long child);
  void ShowContextMenu(HWND target, POINT at);
  // Shows a menu and returns the item chosen, or null. Its loop runs the
  // browser's messages: a window destroyed meanwhile takes the menu with it,
  // and the call raises WindowDestroyed.
  TTBCustomItem* TrackMenu(const ItemMenu& menu, POINT at, const RECT* keep_clear,
                           bool right_aligned = false);
  void Chosen(TTBCustomItem* item);

  Platform& platform_;
  ModuleActivationContext activation_;
  int dpi_ = 96;
  unique_hfont font_;
  unique_himagelist images_;
  // In a mirrored window, which turns images over as it draws them, the
  // images as they are, for menus that are not drawn mirrored.
  unique_himagelist plain_images_;
  ToolbarMetrics metrics_;  // buttons, separators and arrows at dpi_
  HTHEME paint_theme_ = nullptr;  // the toolbar's theme during one paint of it
  // The chevron's theme, opened at its first paint and kept until the theme
  // changes: each opening is a round trip to the window system. Not tied to
  // the window, as nothing else of the window is themed.
  unique_handle<HTHEME, &CloseThemeData> chevron_theme_;
  bool chevron_theme_asked_ = false;
  std::unique_ptr<TToolbarForm> form_;
  std::unique_ptr<BannerArea> banner_;
  std::unique_ptr<SearchBox> search_;
  HWND toolbar_ = nullptr;
  ControlSubclass toolbar_subclass_;
  std::function<void(FocusEvent)> focus_changed_;
  void ReportFocus(FocusEvent event);
  // The toolbar's top-level items by command: command kFirstCommand + n is
  // buttons_[n].
  std::vector<TTBCustomItem*> buttons_;
  std::unordered_map<const TTBCustomItem*, int> commands_;
  int natural_button_height_ = 0;
  // The row's height and where its buttons, laid out whole, end.
  int row_ = 0;
  int buttons_width_ = 0;
  // The chevron's place in the window (empty while all buttons fit), and
  // how it looks.
  RECT chevron_{};
  bool chevron_hot_ = false;
  bool chevron_pressed_ = false;
  // The client area as accessibility tools see it, made when one first asks.
  Microsoft::WRL::ComPtr<ChevronAccessible> accessible_;
  bool closing_steps_run_ = false;
  // What the tooltip shows, alive until it asks again.
  std::wstring tooltip_;

  static std::atomic<long> window_count_;
};

}  // namespace pq::win32
