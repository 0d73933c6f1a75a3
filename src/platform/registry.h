#pragma once
// The system registry, as the toolbar uses it: keys opened read-only or
// created, typed values read and written as raw bytes, trees deleted.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace pq {

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine };

// Stored value types (the registry's own numbering is the adapter's business).
enum class RegType { String, ExpandString, Dword, Binary, MultiString, Other };

struct RegValueInfo {
  RegType type;
  int64_t size;  // bytes as stored; -1 when the registry cannot tell
};

// A value's type and its bytes, as ReadValue gives them.
struct RegValue {
  RegType type;
  std::string data;
};

// Win32 error codes that the core names.
inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorCantRead = 1012;
inline constexpr uint32_t kErrorCantWrite = 1013;
inline constexpr uint32_t kErrorKeyDeleted = 1018;

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // Type and size of a value; none when it is missing or cannot be queried.
  virtual std::optional<RegValueInfo> QueryValue(const std::string& name) = 0;
  // The value's bytes exactly as stored (text without any added terminator).
  virtual std::optional<std::string> ReadValue(const std::string& name) = 0;
  // Type and bytes together; none when the value is missing or cannot be
  // read. A registry that can, answers in one read.
  virtual std::optional<RegValue> Read(const std::string& name) {
    const std::optional<RegValueInfo> info = QueryValue(name);
    if (!info) return std::nullopt;
    std::optional<std::string> data = ReadValue(name);
    if (!data) return std::nullopt;
    return RegValue{info->type, std::move(*data)};
  }
  // Returns a Win32 error code; 0 is success.
  virtual uint32_t WriteValue(const std::string& name, RegType type, const std::string& data) = 0;
  virtual uint32_t DeleteValue(const std::string& name) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Read access; none when the key does not exist or cannot be opened.
  virtual std::unique_ptr<RegistryKey> OpenReadOnly(RegRoot root, const std::string& path) = 0;
  // Read access to a key that administrators write: the user's own hive
  // (never the key a low-rights process is given in its place) and the
  // system's native view of the machine's, where Group Policy writes.
  virtual std::unique_ptr<RegistryKey> OpenPolicyKey(RegRoot root, const std::string& path) {
    return OpenReadOnly(root, path);
  }
  // Write access to an existing key, without creating it.
  virtual std::unique_ptr<RegistryKey> OpenExisting(RegRoot root, const std::string& path,
                                                    uint32_t& error) = 0;
  // Write access, creating missing keys on the way.
  virtual std::unique_ptr<RegistryKey> OpenOrCreate(RegRoot root, const std::string& path,
                                                    uint32_t& error) = 0;
  // Deletes a key with all its subkeys and values.
  virtual uint32_t DeleteTree(RegRoot root, const std::string& path) = 0;
  // Deletes a key that has no subkeys.
  virtual uint32_t DeleteKey(RegRoot root, const std::string& path) = 0;
};

}  // namespace pq
