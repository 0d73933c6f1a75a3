#pragma once
// A class factory of the server: counted in the server's factory count, listed
// in its factory list for the factory's whole life, and freed by the server
// rather than by its reference count.
#include <unknwn.h>
#include <windows.h>
#include <wrl/client.h>

#include <atomic>
#include <string>

#include "band/com_server.h"
#include "win32/com_object.h"

namespace pq::band {

class ComObjectFactory : public win32::ComObject<ComObjectFactory, IClassFactory> {
 public:
  ComObjectFactory(ComServer& server, const CLSID& class_id, std::string description);
  virtual ~ComObjectFactory();

  const CLSID& class_id() const { return class_id_; }
  const std::string& description() const { return description_; }
  ComServer& server() const { return server_; }

  // IClassFactory
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL lock) override;

  // Writes (true) or removes (false) the class's registry entries; throws Error.
  virtual void UpdateRegistration(bool register_server) = 0;

 protected:
  // One new object with `outer` as its controlling unknown (null when not
  // aggregated); the result is its own, non-delegating IUnknown, holding one reference.
  virtual Microsoft::WRL::ComPtr<IUnknown> CreateComObject(IUnknown* outer) = 0;

 private:
  friend ComObject;
  // The references are the server's factory count; each answers the count
  // that its own step made.
  ULONG AddReference() { return static_cast<ULONG>(server_.AddFactoryRef()); }
  ULONG ReleaseReference() { return static_cast<ULONG>(server_.ReleaseFactoryRef()); }

  ComServer& server_;
  std::atomic<long> locks_{0};  // LockServer's, not given back yet
  CLSID class_id_;
  std::string description_;
};

}  // namespace pq::band
