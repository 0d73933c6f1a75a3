#pragma once
#include <windows.h>

#include "platform/registry.h"

namespace pq::win32 {

// The registry through advapi32, in the process's own view of it. In the
// browser's protected mode the current user's root is the key the browser lets
// its low-rights process write.
class Win32Registry : public Registry {
 public:
  Win32Registry();
  ~Win32Registry() override;
  Win32Registry(const Win32Registry&) = delete;
  Win32Registry& operator=(const Win32Registry&) = delete;

  std::unique_ptr<RegistryKey> OpenReadOnly(RegRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> OpenExisting(RegRoot root, const std::string& path,
                                            uint32_t& error) override;
  std::unique_ptr<RegistryKey> OpenOrCreate(RegRoot root, const std::string& path,
                                            uint32_t& error) override;
  uint32_t DeleteTree(RegRoot root, const std::string& path) override;
  uint32_t DeleteKey(RegRoot root, const std::string& path) override;

 private:
  HKEY Root(RegRoot root) const;
  HKEY user_root_;  // owned when it is not HKEY_CURRENT_USER
};

}  // namespace pq::win32
