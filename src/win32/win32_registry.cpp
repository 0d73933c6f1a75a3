#include "win32/win32_registry.h"

#include <shlwapi.h>
#include <windows.h>

#include "win32/protected_mode.h"

namespace pq::win32 {
namespace {

RegType TypeFrom(DWORD type) {
  switch (type) {
    case REG_SZ:
      return RegType::String;
    case REG_EXPAND_SZ:
      return RegType::ExpandString;
    case REG_DWORD:
      return RegType::Dword;
    case REG_BINARY:
      return RegType::Binary;
    case REG_MULTI_SZ:
      return RegType::MultiString;
    default:
      return RegType::Other;
  }
}

DWORD TypeTo(RegType type) {
  switch (type) {
    case RegType::String:
      return REG_SZ;
    case RegType::ExpandString:
      return REG_EXPAND_SZ;
    case RegType::Dword:
      return REG_DWORD;
    case RegType::Binary:
      return REG_BINARY;
    case RegType::MultiString:
      return REG_MULTI_SZ;
    case RegType::Other:
      break;
  }
  return REG_NONE;
}

class Win32Key final : public RegistryKey {
 public:
  explicit Win32Key(unique_hkey key) : key_(std::move(key)) {}

  std::optional<RegValueInfo> QueryValue(const std::string& name) override {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      return std::nullopt;
    return RegValueInfo{TypeFrom(type), static_cast<int64_t>(size)};
  }

  std::optional<std::string> ReadValue(const std::string& name) override {
    // The size may change between the two calls; ask again until it fits.
    for (int attempt = 0; attempt < 8; ++attempt) {
      DWORD size = 0;
      if (RegQueryValueExA(key_.get(), name.c_str(), nullptr, nullptr, nullptr, &size) !=
          ERROR_SUCCESS)
        return std::nullopt;
      std::string data(size + 2, '\0');
      DWORD got = static_cast<DWORD>(data.size());
      LONG status = RegQueryValueExA(key_.get(), name.c_str(), nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(data.data()), &got);
      if (status == ERROR_MORE_DATA) continue;
      if (status != ERROR_SUCCESS) return std::nullopt;
      data.resize(got < data.size() ? got : data.size());
      return data;
    }
    return std::nullopt;
  }

  uint32_t WriteValue(const std::string& name, RegType type, const std::string& data) override {
    std::string bytes = data;
    // Text is stored with its terminator.
    if (type == RegType::String || type == RegType::ExpandString) bytes.push_back('\0');
    return static_cast<uint32_t>(RegSetValueExA(key_.get(), name.c_str(), 0, TypeTo(type),
                                                reinterpret_cast<const BYTE*>(bytes.data()),
                                                static_cast<DWORD>(bytes.size())));
  }

  uint32_t DeleteValue(const std::string& name) override {
    return static_cast<uint32_t>(RegDeleteValueA(key_.get(), name.c_str()));
  }

 private:
  unique_hkey key_;
};

}  // namespace

Win32Registry::Win32Registry() : user_root_(WriteableUserKey()) {}

HKEY Win32Registry::Root(RegRoot root) const {
  switch (root) {
    case RegRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegRoot::CurrentUser:
      return user_root_ ? user_root_.get() : HKEY_CURRENT_USER;
    case RegRoot::LocalMachine:
      break;
  }
  return HKEY_LOCAL_MACHINE;
}

std::unique_ptr<RegistryKey> Win32Registry::OpenReadOnly(RegRoot root, const std::string& path) {
  unique_hkey key;
  if (RegOpenKeyExA(Root(root), path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32Key>(std::move(key));
}

std::unique_ptr<RegistryKey> Win32Registry::OpenExisting(RegRoot root, const std::string& path,
                                                         uint32_t& error) {
  unique_hkey key;
  error = static_cast<uint32_t>(
      RegOpenKeyExA(Root(root), path.c_str(), 0, KEY_READ | KEY_WRITE, key.put()));
  if (error != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32Key>(std::move(key));
}

std::unique_ptr<RegistryKey> Win32Registry::OpenOrCreate(RegRoot root, const std::string& path,
                                                         uint32_t& error) {
  unique_hkey key;
  error = static_cast<uint32_t>(RegCreateKeyExA(Root(root), path.c_str(), 0, nullptr,
                                                REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                                nullptr, key.put(), nullptr));
  if (error != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32Key>(std::move(key));
}

uint32_t Win32Registry::DeleteTree(RegRoot root, const std::string& path) {
  return static_cast<uint32_t>(SHDeleteKeyA(Root(root), path.c_str()));
}

uint32_t Win32Registry::DeleteKey(RegRoot root, const std::string& path) {
  return static_cast<uint32_t>(RegDeleteKeyA(Root(root), path.c_str()));
}

}  // namespace pq::win32
