#include "config/registry_store.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "config/toolbar_config.h"
#include "platform/error.h"
#include "platform/system_messages.h"

namespace pq {
namespace {

RegVariant ReadOne(Platform& platform, RegistryKey& key, const std::string& name) {
  // Type and bytes in one read: each read is a round trip, and the window
  // reads its settings as it opens.
  const std::optional<RegValue> value = key.Read(name);
  const RegType type = value ? value->type : RegType::Other;
  switch (type) {
    case RegType::String:
    case RegType::ExpandString:
      // The terminator may be missing or the length odd; the text ends at the first NUL.
      return value->data.substr(0, value->data.find('\0'));
    case RegType::Dword: {
      const std::string& data = value->data;
      if (data.size() < 4) throw Error(platform.messages->MessageFor(kErrorCantRead));
      uint32_t bits = 0;
      for (int i = 3; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(data[i]);
      return static_cast<int32_t>(bits);
    }
    case RegType::Binary: {
      // Binary data is checked against the size the registry reports.
      const std::optional<RegValueInfo> info = key.QueryValue(name);
      if (!info) throw Error(platform.messages->MessageFor(kErrorCantRead));
      if (info->size == -1) throw Error("GetRegistryData: DataSize = -1");
      if (static_cast<int64_t>(value->data.size()) != info->size)
        throw Error("GetRegistryData: Len <> DataSize");
      return value->data;
    }
    default:
      throw Error(platform.messages->MessageFor(kErrorCantRead));
  }
}

int KindOf(RegType type) {
  switch (type) {
    case RegType::String:
      return rvkText;
    case RegType::ExpandString:
      return rvkExpandText;
    case RegType::Dword:
      return rvkInteger;
    case RegType::Binary:
      return rvkBinary;
    default:
      return rvkUnknown;
  }
}

int32_t VariantToInteger(const RegVariant& value) {
  if (const int32_t* number = std::get_if<int32_t>(&value)) return *number;
  const std::string& text = std::get<std::string>(value);
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  long long parsed = std::strtoll(begin, &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || parsed < INT32_MIN || parsed > INT32_MAX)
    throw Error("Could not convert variant of type (String) into type (Integer)");
  return static_cast<int32_t>(parsed);
}

}  // namespace

std::string VariantToText(const RegVariant& value) {
  if (const int32_t* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
  return std::get<std::string>(value);
}

void GetRegistryData(Platform& platform, RegRoot root, const std::string& key_path,
                     const std::string& value_name, RegVariant& result) {
  result = std::string();
  try {
    std::unique_ptr<RegistryKey> key = platform.registry->OpenReadOnly(root, key_path);
    if (!key) return;
    result = ReadOne(platform, *key, value_name);
  } catch (const std::exception&) {
    // Absence and unreadable values look the same to every caller.
    result = std::string();
  }
}

void SetRegistryData(Platform& platform, RegRoot root, const std::string& key_path,
                     const std::string& value_name, const RegVariant& value, int kind) {
  uint32_t error = 0;
  std::unique_ptr<RegistryKey> key = platform.registry->OpenOrCreate(root, key_path, error);
  if (!key) {
    if (error == kErrorAccessDenied) throw RegistryAccessDenied(platform.messages->MessageFor(error));
    throw Error(platform.messages->MessageFor(error));
  }

  if (kind == rvkUnknown) {
    std::optional<RegValueInfo> stored = key->QueryValue(value_name);
    kind = stored ? KindOf(stored->type) : rvkUnknown;
  }
  RegType type;
  std::string data;
  switch (kind) {
    case rvkText:
      type = RegType::String;
      data = VariantToText(value);
      break;
    case rvkExpandText:
      type = RegType::ExpandString;
      data = VariantToText(value);
      break;
    case rvkInteger: {
      type = RegType::Dword;
      const uint32_t bits = static_cast<uint32_t>(VariantToInteger(value));
      for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
      break;
    }
    case rvkBinary:
      type = RegType::Binary;
      data = VariantToText(value);
      break;
    default:
      throw Error(platform.messages->MessageFor(kErrorCantWrite));
  }
  const uint32_t written = key->WriteValue(value_name, type, data);
  if (written == kErrorAccessDenied)
    throw RegistryAccessDenied("Failed to set data for '" + value_name + "'");
  if (written != kErrorSuccess) throw Error("Failed to set data for '" + value_name + "'");
}

// --- the toolbar's own state

std::string ReadToolbarSetting(Platform& platform, const std::string& name) {
  const std::string& key_path = ToolbarConfig.BandKeyPath;
  RegVariant value;
  std::unique_ptr<RegistryKey> user = platform.registry->OpenReadOnly(RegRoot::CurrentUser, key_path);
  const bool user_has_it = user && user->QueryValue(name).has_value();
  user.reset();
  GetRegistryData(platform, user_has_it ? RegRoot::CurrentUser : RegRoot::LocalMachine, key_path,
                  name, value);
  return VariantToText(value);
}

void WriteToolbarSetting(Platform& platform, const std::string& name, const std::string& text) {
  const std::string& key_path = ToolbarConfig.BandKeyPath;
  try {
    SetRegistryData(platform, RegRoot::LocalMachine, key_path, name, text, rvkText);
  } catch (const RegistryAccessDenied&) {
    // A user without the rights keeps the value for himself, without a word.
    SetRegistryData(platform, RegRoot::CurrentUser, key_path, name, text, rvkText);
    return;
  }
  // One place for each value: the user's copy would hide the machine's.
  uint32_t error = 0;
  if (auto user = platform.registry->OpenExisting(RegRoot::CurrentUser, key_path, error))
    (void)user->DeleteValue(name);
}

}  // namespace pq
