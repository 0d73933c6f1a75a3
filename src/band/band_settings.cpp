#include "band/band_settings.h"

#include "config/band_identity.h"
#include "config/registry_store.h"

namespace pq::band {
namespace {

BandSettings settings;

}  // namespace

std::string BandKeyPath() { return std::string(kExplorerBarsKey) + "\\" + kBandClassId; }

const BandSettings& Settings() { return settings; }

void LoadSettings(Platform& platform) {
  RegVariant name;
  GetRegistryData(platform, RegRoot::LocalMachine, BandKeyPath(), "Toolbar Name", name);
  settings.toolbar_name = VariantToText(name);
}

void ClearSettings() { settings = BandSettings{}; }

}  // namespace pq::band
