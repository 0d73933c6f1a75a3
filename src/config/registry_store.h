#pragma once
// One-value reads and writes of the toolbar's registry settings.
#include <cstdint>
#include <string>
#include <variant>

#include "platform/platform.h"
#include "platform/registry.h"

namespace pq {

// Values travel as text or as a 32-bit integer; binary data travels as text
// holding the bytes unchanged.
using RegVariant = std::variant<std::string, int32_t>;

// The kind of a registry value; 0 on a write means "the kind already stored".
enum RegValueKind : int {
  rvkUnknown = 0,
  rvkText = 1,
  rvkExpandText = 2,
  rvkInteger = 3,
  rvkBinary = 4,
};

// Integers become their decimal text.
std::string VariantToText(const RegVariant& value);

// Reads one value. Never fails: anything that goes wrong reads as the empty text.
void GetRegistryData(Platform& platform, RegRoot root, const std::string& key_path,
                     const std::string& value_name, RegVariant& result);

// Writes one value, creating missing keys. Throws Error with the message text.
void SetRegistryData(Platform& platform, RegRoot root, const std::string& key_path,
                     const std::string& value_name, const RegVariant& value, int kind);

// The toolbar's own state under the band's key ("Date", "Search", "Search
// Type", the speed buttons): the machine's value, unless the current user has
// one of his own. Writes go to the machine's key, or to the user's where the
// machine's is refused for lack of rights; any other failure throws as
// SetRegistryData does.
std::string ReadToolbarSetting(Platform& platform, const std::string& name);
void WriteToolbarSetting(Platform& platform, const std::string& name, const std::string& text);

}  // namespace pq
