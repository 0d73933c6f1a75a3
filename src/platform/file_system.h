#pragma once
// Whole-file operations that the standard library cannot do portably: the
// atomic replacement of one file by another in particular.
#include <string>

namespace pq {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True when something exists at the path (readable or not).
  virtual bool Exists(const std::string& path) = 0;
  [[nodiscard]] virtual bool Remove(const std::string& path) = 0;
  // Moves a file to a name that must not exist yet.
  [[nodiscard]] virtual bool Rename(const std::string& from, const std::string& to) = 0;
  // Moves a file onto a name in one step, replacing the file that stands there.
  [[nodiscard]] virtual bool Replace(const std::string& from, const std::string& to) = 0;
  // Copies a file's contents to a name, replacing the file that stands there.
  [[nodiscard]] virtual bool Copy(const std::string& from, const std::string& to) = 0;
};

// The process's file system: POSIX calls natively, Win32 once the Windows
// adapters install theirs.
FileSystem& Files();
void InstallFileSystem(FileSystem* files);

}  // namespace pq
