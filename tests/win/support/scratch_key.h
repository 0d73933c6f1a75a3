#pragma once
// A registry key of one test's own under HKEY_LOCAL_MACHINE, deleted with it.
#include <windows.h>

#include <string>

namespace pq::testing {

class ScratchKey {
 public:
  ScratchKey();
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  const std::string& path() const { return path_; }
  HKEY Open() const;  // KEY_ALL_ACCESS, created when missing; the caller closes it

 private:
  std::string path_;
};

// A directory of one test's own, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

}  // namespace pq::testing
