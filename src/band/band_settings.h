#pragma once
// What the component takes from the configuration when it is loaded: read
// once per process, before the class factory exists, and never changed after.
#include <string>

#include "platform/platform.h"

namespace pq::band {

// HKEY_LOCAL_MACHINE key of the installation's values and the toolbar's state.
std::string BandKeyPath();

struct BandSettings {
  std::string toolbar_name;  // "Toolbar Name"; empty when the installation wrote none
};

const BandSettings& Settings();
// Reads the installation's values under the band's key.
void LoadSettings(Platform& platform);
void ClearSettings();

}  // namespace pq::band
