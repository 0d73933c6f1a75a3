#include "win32/system_library.h"

#include <map>
#include <mutex>
#include <string>

namespace pq::win32 {

HMODULE SystemLibrary(const char* name) {
  static std::mutex lock;
  static std::map<std::string, HMODULE> loaded;
  std::lock_guard guard(lock);
  auto found = loaded.find(name);
  if (found != loaded.end()) return found->second;
  // A planted DLL of the same name in the browser's folder must never be the
  // one loaded. Windows 7 without its loader update refuses the flag; the full
  // path in the system directory does the same there.
  HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
    char directory[MAX_PATH];
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
      module = LoadLibraryExA((std::string(directory) + "\\" + name).c_str(), nullptr,
                              LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  // Kept loaded: functions taken from it may be in use at any time.
  loaded.emplace(name, module);
  return module;
}

}  // namespace pq::win32
