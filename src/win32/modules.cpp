#include "win32/modules.h"

#include "win32/wide_text.h"

namespace pq::win32 {

std::string ModuleFileName(HMODULE module) {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return std::string();
    if (length < name.size()) {
      name.resize(length);
      return Utf8(name);
    }
    name.resize(name.size() * 2);  // truncated: the name is longer
  }
}

namespace {

// A directory the system names through a function that tells the size it
// needs when asked with no room.
std::wstring DirectoryFrom(UINT(WINAPI* get)(LPWSTR, UINT)) {
  const UINT size = get(nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring directory(size, L'\0');
  const UINT length = get(directory.data(), size);
  if (length == 0 || length >= size) return std::wstring();
  directory.resize(length);
  return directory;
}

}  // namespace

std::string SystemDirectory() { return Utf8(DirectoryFrom(&GetSystemDirectoryW)); }

std::string WindowsDirectory() { return Utf8(DirectoryFrom(&GetWindowsDirectoryW)); }

HMODULE LoadSystemLibrary(const wchar_t* name, LoadLibraryExFunction load) noexcept {
  try {
    HMODULE module = load(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    const std::wstring directory = DirectoryFrom(&GetSystemDirectoryW);
    if (directory.empty()) return nullptr;
    // The DLL's own dependencies are then looked for beside it first.
    const std::wstring path = directory + L"\\" + name;
    return load(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace pq::win32
