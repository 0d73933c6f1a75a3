#pragma once
// The window that the band shows: created as a child of the band site's window
// and destroyed by the band. For now a plain strip that shows the toolbar's
// name and holds one edit field, so that focus and keystrokes can be followed.
#include <exdisp.h>
#include <windows.h>
#include <wrl/client.h>

#include <string>

namespace pq::band {

class BandWindow {
 public:
  BandWindow() = default;
  ~BandWindow();
  BandWindow(const BandWindow&) = delete;
  BandWindow& operator=(const BandWindow&) = delete;

  // Creates the native window, visible, with no owner; false when the system refuses it.
  [[nodiscard]] bool Create(HWND parent, const std::string& caption);
  // The hosting browser, handed over once the window exists; may be null.
  void SetHostBrowser(Microsoft::WRL::ComPtr<IWebBrowser2> browser);
  HWND Handle() const { return window_; }
  void Destroy();

  // Unregisters the window class; only once no window of it is left.
  static void UnregisterWindowClass(HINSTANCE module);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Paint();

  HWND window_ = nullptr;
  HWND edit_ = nullptr;
  std::string caption_;
  Microsoft::WRL::ComPtr<IWebBrowser2> host_browser_;
};

}  // namespace pq::band
