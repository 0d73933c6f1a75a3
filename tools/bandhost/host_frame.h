#pragma once
// The browser's part: a frame window of class "IEFrame" with an address line,
// the bands docked below it and a status bar. Its windows are Unicode windows,
// as the browser's are; each frame lives on the thread that created it.
#include <exdisp.h>
#include <shobjidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "win32/wide_text.h"
#include "win32/window_impl.h"

namespace pq::bandhost {

class BandSite;
class BrowserStandIn;

struct HostedBand {
  std::string id_text;  // the class identifier in braces
  CLSID id{};
  DWORD band_id = 0;
  Microsoft::WRL::ComPtr<IDeskBand> band;
  Microsoft::WRL::ComPtr<IInputObject> input;
  Microsoft::WRL::ComPtr<BandSite> site;
  HWND window = nullptr;
  int height = 0;
  bool shown = true;
};

class HostFrame : public win32::WindowImpl<HostFrame> {
 public:
  // `number` counts the frames of the process from 1.
  explicit HostFrame(int number);
  ~HostFrame();
  HostFrame(const HostFrame&) = delete;
  HostFrame& operator=(const HostFrame&) = delete;

  // The frames' window classes, registered before any frame is made: the
  // frames' threads then find them whole.
  [[nodiscard]] static bool RegisterClasses();
  [[nodiscard]] bool Create();
  // Creates every band listed under the browser's toolbar key.
  void LoadBands();
  void CloseAfter(UINT milliseconds);
  // Offers a keystroke to the band that has the focus; true when it took it.
  bool RouteKeystroke(MSG& msg);

  // What the site and the browser stand-in ask of the frame.
  HWND frame() const { return Handle(); }
  HWND band_area() const { return band_area_; }
  void BandFocusChanged(HostedBand& band, bool gained);
  void BandInfoChanged(HostedBand& band);
  void ShowAddress(const std::string& address);
  void SetStatusText(const std::string& text);
  const std::string& status_text() const { return status_text_; }
  const std::string& address() const { return address_; }
  // Shows or hides the band with this class identifier; false when no such band is hosted.
  bool ShowBand(const CLSID& id, bool show);

 private:
  friend WindowImpl;
  static LRESULT CALLBACK BandAreaProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void LoadBand(const std::string& id_text, const CLSID& id);
  void AskBandInfo(HostedBand& band);
  void Layout();
  void CloseBands();

  int number_;
  HWND address_line_ = nullptr;
  HWND band_area_ = nullptr;
  HWND status_bar_ = nullptr;
  std::string address_;
  std::string status_text_;
  Microsoft::WRL::ComPtr<BrowserStandIn> browser_;
  std::vector<std::unique_ptr<HostedBand>> bands_;
  HostedBand* focused_ = nullptr;
};

std::string GuidText(const GUID& guid);

}  // namespace pq::bandhost
