#include "band_site.h"

#include <string>

#include "host_frame.h"
#include "host_log.h"

namespace pq::bandhost {

BandSite::BandSite(HostFrame& frame, HostedBand& band, IUnknown* browser)
    : frame_(frame), band_(&band), browser_(browser) {}

HWND BandSite::Window() { return frame_.band_area(); }

void BandSite::WindowAsked() { Log("site: IOleWindow::GetWindow"); }

void BandSite::HelpAsked() { Log("site: IOleWindow::ContextSensitiveHelp (not implemented)"); }

void BandSite::FocusChanged(IUnknown*, BOOL gained) {
  Log(std::string("site: IInputObjectSite::OnFocusChangeIS ") + (gained ? "TRUE" : "FALSE"));
  if (band_) frame_.BandFocusChanged(*band_, gained != FALSE);
}

void BandSite::StatusAsked(const GUID* group) {
  Log("site: IOleCommandTarget::QueryStatus " + (group ? GuidText(*group) : "(none)") +
      " (not supported)");
}

void BandSite::Executed(const GUID* group, DWORD command, DWORD option, const VARIANT* in,
                        const VARIANT*, bool band_info_changed) {
  std::string line = "site: IOleCommandTarget::Exec " + (group ? GuidText(*group) : "(none)") +
                     " " + std::to_string(command) + " " + std::to_string(option);
  if (in && in->vt == VT_I4) line += " VT_I4 " + std::to_string(in->lVal);
  if (!band_info_changed) {
    Log(line + " (not supported)");
    return;
  }
  Log(line + " (band info changed)");
  if (band_) frame_.BandInfoChanged(*band_);
}

void BandSite::ServiceAsked(REFGUID service, REFIID riid, HRESULT answer) {
  Log("site: IServiceProvider::QueryService " + GuidText(service) + " " + GuidText(riid) + " -> " +
      Hex(answer));
}

}  // namespace pq::bandhost
