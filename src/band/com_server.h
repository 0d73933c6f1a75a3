#pragma once
// The in-process server: counts live objects and factory references, and
// keeps the list of class factories that DllGetClassObject searches.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <shared_mutex>
#include <vector>

#include "win32/com_object.h"

namespace pq::band {

class ComObjectFactory;

class ComServer final : public win32::ServerObjectCount {
 public:
  explicit ComServer(HMODULE module) : module_(module) {}
  ComServer(const ComServer&) = delete;
  ComServer& operator=(const ComServer&) = delete;

  HMODULE module() const { return module_; }

  void AddObject() override { ++objects_; }
  void ReleaseObject() override { --objects_; }
  int32_t ObjectCount() const { return objects_; }
  // Each returns the count that its own step produced.
  int32_t AddFactoryRef() { return ++factory_refs_; }
  int32_t ReleaseFactoryRef() { return --factory_refs_; }
  int32_t FactoryCount() const { return factory_refs_; }
  // The factory count is read first: an object is only created while a
  // factory reference is held, so once that count is seen at zero, an object
  // made just before it dropped is already in the object count.
  bool CanUnload() const {
    if (factory_refs_.load() != 0) return false;
    return objects_.load() == 0;
  }

  void AddFactory(ComObjectFactory* factory);
  void RemoveFactory(ComObjectFactory* factory);
  // The first factory of the class; null when the server serves no such class.
  ComObjectFactory* FindFactory(REFCLSID class_id) const;
  // Direction of the registration walk in progress.
  bool registering() const { return registering_; }
  // Runs every factory's registration step; throws what a step throws.
  void UpdateRegistry(bool register_server);

 private:
  HMODULE module_;
  std::atomic<int32_t> objects_{0};
  std::atomic<int32_t> factory_refs_{0};
  bool registering_ = false;
  mutable std::shared_mutex factories_lock_;
  std::vector<ComObjectFactory*> factories_;
};

// The process's server; null before the first entry point call and after unloading.
ComServer* Server();

}  // namespace pq::band
