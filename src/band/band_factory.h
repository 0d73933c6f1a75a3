#pragma once
// TTarnwickFactory: makes band objects and registers the band.
#include "band/com_factory.h"
#include "platform/platform.h"

namespace pq::band {

class TTarnwickFactory final : public ComObjectFactory {
 public:
  TTarnwickFactory(ComServer& server, Platform& platform);

  void UpdateRegistration(bool register_server) override;

 protected:
  Microsoft::WRL::ComPtr<IUnknown> CreateComObject(IUnknown* outer) override;

 private:
  Platform& platform_;
};

}  // namespace pq::band
