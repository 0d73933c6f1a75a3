#include "band/com_server.h"

#include <algorithm>
#include <mutex>

#include "band/com_factory.h"

namespace pq::band {

void ComServer::AddFactory(ComObjectFactory* factory) {
  std::unique_lock lock(factories_lock_);
  factories_.push_back(factory);
}

void ComServer::RemoveFactory(ComObjectFactory* factory) {
  std::unique_lock lock(factories_lock_);
  factories_.erase(std::remove(factories_.begin(), factories_.end(), factory), factories_.end());
}

ComObjectFactory* ComServer::FindFactory(REFCLSID class_id) const {
  std::shared_lock lock(factories_lock_);
  for (ComObjectFactory* factory : factories_)
    if (IsEqualCLSID(factory->class_id(), class_id)) return factory;
  return nullptr;
}

void ComServer::UpdateRegistry(bool register_server) {
  registering_ = register_server;
  std::unique_lock lock(factories_lock_);
  for (ComObjectFactory* factory : factories_) factory->UpdateRegistration(register_server);
}

}  // namespace pq::band
