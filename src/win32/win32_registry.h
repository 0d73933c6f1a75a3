#pragma once
#include "platform/registry.h"

namespace pq::win32 {

// The registry through advapi32, in the process's own view of it.
class Win32Registry : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenReadOnly(RegRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> OpenExisting(RegRoot root, const std::string& path,
                                            uint32_t& error) override;
  std::unique_ptr<RegistryKey> OpenOrCreate(RegRoot root, const std::string& path,
                                            uint32_t& error) override;
  uint32_t DeleteTree(RegRoot root, const std::string& path) override;
  uint32_t DeleteKey(RegRoot root, const std::string& path) override;
};

}  // namespace pq::win32
