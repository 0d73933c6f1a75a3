// The INI store on the Windows file system: binary line ends, replacement of
// an existing file, and files that other processes hold open.
#include "config/big_ini_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/error.h"
#include "support/scratch_key.h"

namespace pq {
namespace {

void WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, bytes.size());
}

std::string ReadBytes(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

// Another process's open handle on a file, without sharing.
class ExclusiveHandle {
 public:
  explicit ExclusiveHandle(const std::string& path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~ExclusiveHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

TEST(WindowsIniFile, ReadsAndWritesLineEndsByteForByte) {
  testing::ScratchDir dir;
  const std::string path = dir.File("toolbar.ini");
  WriteBytes(path, "[Options]\r\nCompany Name=Example\r\nHome Page URL=http://x/\n\x1A trailer");
  TBigIniFile ini(path);
  EXPECT_EQ(ini.ReadString("options", "company name", ""), "Example");
  ini.WriteString("Options", "Home Page URL", "http://y/");
  ini.UpdateFile();
  EXPECT_EQ(ReadBytes(path),
            "[Options]\r\nCompany Name=Example\r\nHome Page URL=http://y/\r\n\r\n");
}

TEST(WindowsIniFile, FileHeldOpenByAnotherCannotBeReadAndIsNamed) {
  testing::ScratchDir dir;
  const std::string path = dir.File("locked.ini");
  WriteBytes(path, "[S]\r\nK=v\r\n");
  ExclusiveHandle lock(path);
  ASSERT_TRUE(lock.valid());
  try {
    TBigIniFile ini(path);
    FAIL() << "a locked file was read";
  } catch (const InOutError& error) {
    EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
  }
}

TEST(WindowsIniFile, RewriteOfAFileHeldOpenFailsAndKeepsIt) {
  testing::ScratchDir dir;
  const std::string path = dir.File("busy.ini");
  WriteBytes(path, "[S]\r\nK=old\r\n");
  TBigIniFile ini(path);
  ini.WriteString("S", "K", "new");
  {
    ExclusiveHandle lock(path);
    ASSERT_TRUE(lock.valid());
    EXPECT_THROW(ini.UpdateFile(), InOutError);
  }
  EXPECT_EQ(ReadBytes(path), "[S]\r\nK=old\r\n");
  EXPECT_EQ(ReadBytes(path + ".tmp"), "<missing>") << "the new image was cleaned up";
  ini.UpdateFile();
  EXPECT_EQ(ReadBytes(path), "[S]\r\nK=new\r\n\r\n") << "the change was still pending";
}

}  // namespace
}  // namespace pq
