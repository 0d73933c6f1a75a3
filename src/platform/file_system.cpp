#include "platform/file_system.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

namespace pq {
namespace {

// Native file system: rename(2) already replaces its target atomically.
class StdFileSystem final : public FileSystem {
 public:
  bool Exists(const std::string& path) override {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
  }
  bool Remove(const std::string& path) override { return std::remove(path.c_str()) == 0; }
  bool Rename(const std::string& from, const std::string& to) override {
    if (Exists(to)) return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
  }
  bool Replace(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0;
  }
  bool Copy(const std::string& from, const std::string& to) override {
    std::error_code error;
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                      error);
  }
};

StdFileSystem std_files;
FileSystem* installed = &std_files;

}  // namespace

FileSystem& Files() { return *installed; }
void InstallFileSystem(FileSystem* files) { installed = files ? files : &std_files; }

}  // namespace pq
