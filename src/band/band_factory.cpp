#include "band/band_factory.h"

#include "band/band_object.h"
#include "band/band_registration.h"
#include "band/browser_bar.h"
#include "band/class_id.h"
#include "config/band_identity.h"
#include "config/toolbar_config.h"
#include "win32/modules.h"
#include "win32/user_locale.h"
#include "win32/wide_text.h"

namespace pq::band {
namespace {

// The class registration takes the short form of a name with blanks in it.
std::string ServerPath(HMODULE module) {
  const std::string path = win32::ModuleFileName(module);
  if (path.find(' ') == std::string::npos) return path;
  const std::wstring wide = win32::Wide(path);
  const DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (size == 0) return path;
  std::wstring short_path(size, L'\0');
  const DWORD length = GetShortPathNameW(wide.c_str(), short_path.data(), size);
  if (length == 0 || length >= size) return path;
  short_path.resize(length);
  return win32::Utf8(short_path);
}

}  // namespace

TTarnwickFactory::TTarnwickFactory(ComServer& server, Platform& platform)
    : ComObjectFactory(server, BandClassGuid(), ToolbarConfig.ToolbarName), platform_(platform) {}

Microsoft::WRL::ComPtr<IUnknown> TTarnwickFactory::CreateComObject(IUnknown* outer) {
  auto* band = new TTarnwick(server(), platform_, outer);
  // The new object's first reference; releasing it frees the object. Taken
  // over as it is: this ComPtr's Attach would add a reference of its own.
  Microsoft::WRL::ComPtr<IUnknown> object;
  *object.ReleaseAndGetAddressOf() = band->NonDelegatingUnknown();
  return object;
}

void TTarnwickFactory::UpdateRegistration(bool register_server) {
  RegistrationInfo info;
  info.class_id = kBandClassId;
  info.description = description();
  info.toolbar_name = ToolbarConfig.ToolbarName;
  if (register_server) {
    info.server_path = ServerPath(server().module());
    info.date_text = win32::ShortDateText(-1);
    RegisterServerEntries(platform_, info);
    RegisterBandKeys(platform_, info);
    ShowBandInBrowser(info.class_id);
  } else {
    UnregisterServerEntries(platform_, info.class_id);
    UnregisterBandKeys(platform_, info.class_id);
  }
}

}  // namespace pq::band
