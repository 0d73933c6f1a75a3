#pragma once
// The publisher, addresses and configurations the update tests share.
#include <string>

#include "config/band_identity.h"
#include "config/toolbar_config.h"

namespace pq::testing {

inline const std::string kUpdates = "http://updates.example.net/bar";
inline const std::string kUpdateAddress = kUpdates + "/toolbar.ini";
inline const std::string kOldConfig = "[Options]\r\nToolbar Name=MyBar\r\nCompany Name=Old\r\n";
inline const std::string kNewConfig = "[Options]\r\nToolbar Name=MyBar\r\nCompany Name=New\r\n";
inline const std::string kConfigError =
    "Error Loading Configuration File! MyBar.ini! Please contact Pendleworth, Inc.";

}  // namespace pq::testing
