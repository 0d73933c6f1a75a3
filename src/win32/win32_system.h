#pragma once
// The system's message texts and whole-file operations.
#include "platform/file_system.h"
#include "platform/system_messages.h"

namespace pq::win32 {

class Win32SystemMessages final : public SystemMessages {
 public:
  std::string MessageFor(uint32_t code) override;
  uint32_t LastError() override;
};

class Win32FileSystem final : public FileSystem {
 public:
  bool Exists(const std::string& path) override;
  bool Remove(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Replace(const std::string& from, const std::string& to) override;
  bool Copy(const std::string& from, const std::string& to) override;
  bool ReadAll(const std::string& path, std::string& contents) override;
  FileWriteResult WriteNew(const std::string& path, std::string_view contents) override;
  bool CreateFolder(const std::string& path) override;
  std::optional<int64_t> ModifiedTime(const std::string& path) override;
};

}  // namespace pq::win32
