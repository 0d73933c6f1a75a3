#include "support/band_dll.h"

#include <objbase.h>

#include <algorithm>

#include "config/band_identity.h"

namespace pq::testing {

const char kBandId[] = "{239C3CF1-51CD-435E-8519-61775A6780CF}";
static_assert(sizeof kBandId == sizeof pq::kBandClassId);

std::string WindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string windows = "Z:" + path;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

std::string BandDllPath() { return WindowsPath(PQ_BAND_DLL); }
std::string BandHostPath() { return WindowsPath(PQ_BAND_HOST); }

CLSID BandClsid() {
  std::wstring wide(kBandId, kBandId + sizeof kBandId - 1);
  CLSID id{};
  CLSIDFromString(wide.c_str(), &id);
  return id;
}

template <typename Fn>
static Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

BandDll::BandDll() : module_(LoadLibraryA(BandDllPath().c_str())) {
  if (!module_) return;
  GetClassObject = Export<GetClassObjectFn>(module_, "DllGetClassObject");
  CanUnloadNow = Export<NoArgumentFn>(module_, "DllCanUnloadNow");
  RegisterServer = Export<NoArgumentFn>(module_, "DllRegisterServer");
  UnregisterServer = Export<NoArgumentFn>(module_, "DllUnregisterServer");
}

BandDll::~BandDll() {
  if (module_) FreeLibrary(module_);
}

}  // namespace pq::testing
