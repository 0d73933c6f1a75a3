#include "win32/win32_registry.h"

#include <shlwapi.h>
#include <windows.h>

#include <cstring>

#include "win32/protected_mode.h"
#include "win32/wide_text.h"

namespace pq::win32 {
namespace {

// The bytes a value is first read into: room for most texts the toolbar keeps.
constexpr DWORD kFirstGuess = 510;

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

// The registry keeps text in UTF-16, also what the A functions wrote; the
// toolbar reads and writes it as UTF-8. Other types cross as their bytes.
bool IsText(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

class Win32Key final : public RegistryKey {
 public:
  explicit Win32Key(unique_hkey key) : key_(std::move(key)) {}

  std::optional<RegValueInfo> QueryValue(const std::string& name) override {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_.get(), Wide(name).c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      return std::nullopt;
    return RegValueInfo{TypeFrom(type), static_cast<int64_t>(size)};
  }

  std::optional<std::string> ReadValue(const std::string& name) override {
    std::optional<RegValue> value = Read(name);
    if (!value) return std::nullopt;
    return std::move(value->data);
  }

  std::optional<RegValue> Read(const std::string& name) override {
    const std::wstring wide_name = Wide(name);
    // Most values fit the first guess, read in one call; a longer one is
    // measured first. Its size may change between the two calls; ask again
    // until it fits.
    DWORD size = kFirstGuess;
    for (int attempt = 0; attempt < 8; ++attempt) {
      DWORD type = 0;
      if (attempt > 0 &&
          RegQueryValueExW(key_.get(), wide_name.c_str(), nullptr, &type, nullptr, &size) !=
              ERROR_SUCCESS)
        return std::nullopt;
      std::string data(size + 2, '\0');
      DWORD got = static_cast<DWORD>(data.size());
      LONG status = RegQueryValueExW(key_.get(), wide_name.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(data.data()), &got);
      if (status == ERROR_MORE_DATA) continue;
      if (status != ERROR_SUCCESS) return std::nullopt;
      data.resize(got < data.size() ? got : data.size());
      if (!IsText(type)) return RegValue{TypeFrom(type), std::move(data)};
      // An odd last byte is no UTF-16 unit; a terminator stays as stored.
      std::wstring text(data.size() / sizeof(wchar_t), L'\0');
      std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
      return RegValue{TypeFrom(type), Utf8(text)};
    }
    return std::nullopt;
  }

  uint32_t WriteValue(const std::string& name, RegType type, const std::string& data) override {
    const DWORD stored = TypeTo(type);
    if (!IsText(stored))
      return static_cast<uint32_t>(RegSetValueExW(key_.get(), Wide(name).c_str(), 0, stored,
                                                  reinterpret_cast<const BYTE*>(data.data()),
                                                  static_cast<DWORD>(data.size())));
    std::wstring text = Wide(data);
    // Text is stored with its terminator.
    if (type == RegType::String || type == RegType::ExpandString) text.push_back(L'\0');
    return static_cast<uint32_t>(RegSetValueExW(
        key_.get(), Wide(name).c_str(), 0, stored, reinterpret_cast<const BYTE*>(text.data()),
        static_cast<DWORD>(text.size() * sizeof(wchar_t))));
  }

  uint32_t DeleteValue(const std::string& name) override {
    return static_cast<uint32_t>(RegDeleteValueW(key_.get(), Wide(name).c_str()));
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
  if (RegOpenKeyExW(Root(root), Wide(path).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32Key>(std::move(key));
}

std::unique_ptr<RegistryKey> Win32Registry::OpenPolicyKey(RegRoot root, const std::string& path) {
  // A 32-bit browser on 64-bit Windows would otherwise read the machine's
  // policies from the 32-bit view, which Group Policy never writes.
  const HKEY parent = root == RegRoot::CurrentUser    ? HKEY_CURRENT_USER
                      : root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE
                                                      : HKEY_CLASSES_ROOT;
  unique_hkey key;
  if (RegOpenKeyExW(parent, Wide(path).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) !=
      ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32Key>(std::move(key));
}

std::unique_ptr<RegistryKey> Win32Registry::OpenExisting(RegRoot root, const std::string& path,
                                                         uint32_t& error) {
  unique_hkey key;
  error = static_cast<uint32_t>(
      RegOpenKeyExW(Root(root), Wide(path).c_str(), 0, KEY_READ | KEY_WRITE, key.put()));
  if (error != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32Key>(std::move(key));
}

std::unique_ptr<RegistryKey> Win32Registry::OpenOrCreate(RegRoot root, const std::string& path,
                                                         uint32_t& error) {
  unique_hkey key;
  error = static_cast<uint32_t>(RegCreateKeyExW(Root(root), Wide(path).c_str(), 0, nullptr,
                                                REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                                nullptr, key.put(), nullptr));
  if (error != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32Key>(std::move(key));
}

uint32_t Win32Registry::DeleteTree(RegRoot root, const std::string& path) {
  return static_cast<uint32_t>(SHDeleteKeyW(Root(root), Wide(path).c_str()));
}

uint32_t Win32Registry::DeleteKey(RegRoot root, const std::string& path) {
  return static_cast<uint32_t>(RegDeleteKeyW(Root(root), Wide(path).c_str()));
}

}  // namespace pq::win32
