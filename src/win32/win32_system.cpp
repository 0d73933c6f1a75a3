#include "win32/win32_system.h"

#include <windows.h>
// after windows.h, which it needs
#include <shlobj.h>

#include <algorithm>

#include "win32/handles.h"
#include "win32/wide_text.h"

namespace pq::win32 {

std::string Win32SystemMessages::MessageFor(uint32_t code) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (buffer) {
    text = Utf8(std::wstring_view(buffer, length));
    LocalFree(buffer);
  }
  // The system ends its texts with a line break; messages shown in a box don't need it.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  if (text.empty()) text = "System Error.  Code: " + std::to_string(code) + ".";
  return text;
}

uint32_t Win32SystemMessages::LastError() { return GetLastError(); }

bool Win32FileSystem::Exists(const std::string& path) {
  return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::Remove(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

bool Win32FileSystem::Rename(const std::string& from, const std::string& to) {
  return MoveFileW(Wide(from).c_str(), Wide(to).c_str()) != 0;
}

bool Win32FileSystem::Replace(const std::string& from, const std::string& to) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32FileSystem::Copy(const std::string& from, const std::string& to) {
  return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) != 0;
}

bool Win32FileSystem::ReadAll(const std::string& path, std::string& contents) {
  // Other readers may look at the file meanwhile; a writer may not change it
  // under our feet.
  unique_file file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) return false;
  std::string read;
  read.reserve(static_cast<size_t>(size.QuadPart));
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) break;
    read.append(buffer, got);
  }
  contents = std::move(read);
  return true;
}

FileWriteResult Win32FileSystem::WriteNew(const std::string& path, std::string_view contents) {
  const std::wstring name = Wide(path);
  unique_file file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    switch (GetLastError()) {
      case ERROR_FILE_EXISTS:
      case ERROR_ALREADY_EXISTS:
        return FileWriteResult::Exists;
      case ERROR_ACCESS_DENIED:
      case ERROR_WRITE_PROTECT:
        return FileWriteResult::Denied;
      default:
        return FileWriteResult::Failed;
    }
  }
  bool ok = true;
  size_t done = 0;
  while (ok && done < contents.size()) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(contents.size() - done, 1u << 20));
    DWORD wrote = 0;
    ok = WriteFile(file.get(), contents.data() + done, piece, &wrote, nullptr) && wrote == piece;
    done += wrote;
  }
  // On disk before it replaces anything: a crash must not leave an empty file
  // in the place of a whole one.
  ok = ok && FlushFileBuffers(file.get());
  file.reset();
  if (!ok) DeleteFileW(Wide(path).c_str());
  return ok ? FileWriteResult::Written : FileWriteResult::Failed;
}

bool Win32FileSystem::CreateFolder(const std::string& path) {
  const int result = SHCreateDirectoryExW(nullptr, Wide(path).c_str(), nullptr);
  return result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS;
}

std::optional<int64_t> Win32FileSystem::ModifiedTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                              data.ftLastWriteTime.dwLowDateTime);
}

}  // namespace pq::win32
