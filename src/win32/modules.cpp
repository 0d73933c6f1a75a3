#include "win32/modules.h"

namespace pq::win32 {

std::string ModuleFileName(HMODULE module) {
  std::string name(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(module, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return std::string();
    if (length < name.size()) {
      name.resize(length);
      return name;
    }
    name.resize(name.size() * 2);  // truncated: the name is longer
  }
}

namespace {

// A directory the system names through a function that tells the size it
// needs when asked with no room.
std::string DirectoryFrom(UINT(WINAPI* get)(LPSTR, UINT)) {
  const UINT size = get(nullptr, 0);
  if (size == 0) return std::string();
  std::string directory(size, '\0');
  const UINT length = get(directory.data(), size);
  if (length == 0 || length >= size) return std::string();
  directory.resize(length);
  return directory;
}

}  // namespace

std::string SystemDirectory() { return DirectoryFrom(&GetSystemDirectoryA); }

std::string WindowsDirectory() { return DirectoryFrom(&GetWindowsDirectoryA); }

HMODULE LoadSystemLibrary(const char* name, LoadLibraryExFunction load) noexcept {
  try {
    HMODULE module = load(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    const std::string directory = SystemDirectory();
    if (directory.empty()) return nullptr;
    // The DLL's own dependencies are then looked for beside it first.
    const std::string path = directory + "\\" + name;
    return load(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace pq::win32
