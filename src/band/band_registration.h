#pragma once
// The registry entries that make the band known to the system and to the
// browser, written and removed through the registry port.
#include <string>

#include "platform/platform.h"

namespace pq::band {

inline constexpr char kDeskBandCategory[] = "{00021492-0000-0000-C000-000000000046}";
inline constexpr char kBrowserToolbarKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";

struct RegistrationInfo {
  std::string class_id;     // registry text, in braces
  std::string description;  // the class's display name
  std::string server_path;  // the module's file name, as it is to be registered
  std::string toolbar_name;
  std::string date_text;  // the "Date" value: yesterday, in the user's short date format
};

// The class's own entries under HKEY_CLASSES_ROOT. Throws Error
// "Error creating system registry entry" when one can't be written.
void RegisterServerEntries(Platform& platform, const RegistrationInfo& info);
// Plain key deletions; failures are ignored.
void UnregisterServerEntries(Platform& platform, const std::string& class_id);

// The band's entries for the browser. A key that can't be opened skips its
// step; a value that can't be written throws Error "Failed to set data for '...'".
void RegisterBandKeys(Platform& platform, const RegistrationInfo& info);
// Removes the band's entries, its installation values included; ignores every failure.
void UnregisterBandKeys(Platform& platform, const std::string& class_id);

}  // namespace pq::band
