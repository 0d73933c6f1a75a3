#pragma once
// The IUnknown of our COM objects, written once: QueryInterface answers the
// interfaces the class lists, the reference count is atomic, and the last
// Release frees the object. mingw-w64 has no ATL and only WRL's client side.
#include <unknwn.h>
#include <windows.h>

#include <atomic>

namespace pq::win32 {

// The count of a server's live objects: the server stays loaded while it is
// above zero.
class ServerObjectCount {
 public:
  virtual void AddObject() = 0;
  virtual void ReleaseObject() = 0;

 protected:
  ~ServerObjectCount() = default;
};

// Derived implements Interfaces; the first of them is its IUnknown. A new
// object holds one reference, its creator's. Derived may hide these members
// with its own (found through the Derived type, no virtual call):
//   void* OtherInterface(REFIID)  an interface not in the list (one it derives
//                                 from, or one known only at run time), else null
//   ULONG AddReference(), ULONG ReleaseReference()
//                                 for an object whose count is kept elsewhere
template <typename Derived, typename... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    return InternalQueryInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return self().AddReference(); }
  STDMETHODIMP_(ULONG) Release() override { return self().ReleaseReference(); }

  // True for IUnknown and every interface the object answers.
  bool Implements(REFIID riid) { return IsEqualIID(riid, IID_IUnknown) || Find(riid) != nullptr; }

 protected:
  // `server`, when given, counts the object for the whole of its life.
  explicit ComObject(ServerObjectCount* server = nullptr) : server_(server) {
    if (server_) server_->AddObject();
  }
  // Runs after Derived's destructor: the server stays loaded until the
  // object's own code has finished.
  ~ComObject() {
    if (server_) server_->ReleaseObject();
  }

  // The object's own identity and interfaces, whatever Derived's IUnknown
  // methods do (an aggregated object delegates them).
  HRESULT InternalQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    void* found = IsEqualIID(riid, IID_IUnknown) ? Identity() : Find(riid);
    *ppv = found;
    if (!found) return E_NOINTERFACE;
    static_cast<IUnknown*>(found)->AddRef();
    return S_OK;
  }
  ULONG AddReference() { return ++references_; }
  ULONG ReleaseReference() {
    const ULONG left = --references_;
    if (left == 0) delete &self();
    return left;
  }
  ULONG ReferenceCount() const { return references_; }
  void* OtherInterface(REFIID) { return nullptr; }

 private:
  template <typename First, typename...>
  struct FirstOf {
    using type = First;
  };

  Derived& self() { return static_cast<Derived&>(*this); }
  IUnknown* Identity() { return static_cast<typename FirstOf<Interfaces...>::type*>(&self()); }
  void* Find(REFIID riid) {
    void* found = nullptr;
    // The first listed interface with this identifier.
    ((found = !found && IsEqualIID(riid, __uuidof(Interfaces))
                  ? static_cast<void*>(static_cast<Interfaces*>(&self()))
                  : found),
     ...);
    return found ? found : self().OtherInterface(riid);
  }

  std::atomic<ULONG> references_{1};
  ServerObjectCount* server_;
};

}  // namespace pq::win32
