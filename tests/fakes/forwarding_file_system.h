#pragma once
// A file system that passes every call to another one: tests derive from it
// and change only the calls they make fail or record.
#include <string>

#include "platform/file_system.h"

namespace pq::fakes {

class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& real) : real_(real) {}
  bool Exists(const std::string& path) override { return real_.Exists(path); }
  bool Remove(const std::string& path) override { return real_.Remove(path); }
  bool Rename(const std::string& from, const std::string& to) override {
    return real_.Rename(from, to);
  }
  bool Replace(const std::string& from, const std::string& to) override {
    return real_.Replace(from, to);
  }
  bool Copy(const std::string& from, const std::string& to) override {
    return real_.Copy(from, to);
  }
  bool ReadAll(const std::string& path, std::string& contents) override {
    return real_.ReadAll(path, contents);
  }
  FileWriteResult WriteNew(const std::string& path, std::string_view contents) override {
    return real_.WriteNew(path, contents);
  }
  bool CreateFolder(const std::string& path) override { return real_.CreateFolder(path); }
  std::optional<int64_t> ModifiedTime(const std::string& path) override {
    return real_.ModifiedTime(path);
  }

 protected:
  FileSystem& real_;
};

}  // namespace pq::fakes
