#pragma once
#include <windows.h>

#include "platform/registry.h"
#include "win32/handles.h"

namespace pq::win32 {

// The registry through advapi32, in the process's own view of it. In the
// browser's protected mode the current user's root is the key the browser lets
// its low-rights process write.
class Win32Registry : public Registry {
 public:
  Win32Registry();
  Win32Registry(const Win32Registry&) = delete;
  Win32Registry& operator=(const Win32Registry&) = delete;

  std::unique_ptr<RegistryKey> OpenReadOnly(RegRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> OpenPolicyKey(RegRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> OpenExisting(RegRoot root, const std::string& path,
                                            uint32_t& error) override;
  std::unique_ptr<RegistryKey> OpenOrCreate(RegRoot root, const std::string& path,
                                            uint32_t& error) override;
  uint32_t DeleteTree(RegRoot root, const std::string& path) override;
  uint32_t DeleteKey(RegRoot root, const std::string& path) override;

 private:
  HKEY Root(RegRoot root) const;
  // The low-rights key in protected mode; null where HKEY_CURRENT_USER serves.
  unique_hkey user_root_;
};

}  // namespace pq::win32
