#pragma once
// The built Pelliquester.dll, loaded into the test process through its exports.
#include <windows.h>

#include <string>

namespace pq::testing {

// A program's build-tree path as the Windows program sees it (Wine maps the
// Unix root to drive Z:).
std::string WindowsPath(const std::string& path);
std::string BandDllPath();
std::string BandHostPath();

class BandDll {
 public:
  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using NoArgumentFn = HRESULT(STDAPICALLTYPE*)();

  BandDll();
  ~BandDll();
  BandDll(const BandDll&) = delete;
  BandDll& operator=(const BandDll&) = delete;

  HMODULE module() const { return module_; }
  GetClassObjectFn GetClassObject = nullptr;
  NoArgumentFn CanUnloadNow = nullptr;
  NoArgumentFn RegisterServer = nullptr;
  NoArgumentFn UnregisterServer = nullptr;

 private:
  HMODULE module_ = nullptr;
};

// The band's class identifier, in registry text and as a GUID.
extern const char kBandId[];
CLSID BandClsid();

}  // namespace pq::testing
