#include "win32/win32_browsing_mode.h"

#include <windows.h>

namespace pq::win32 {
namespace {

using PrivateQuery = BOOL(WINAPI*)();
constexpr char kQueryName[] = "IEIsInPrivateBrowsing";

PrivateQuery QueryOf(HMODULE module) {
  if (!module) return nullptr;
  // The cast goes through void*: GCC would warn of the function types' mismatch.
  return reinterpret_cast<PrivateQuery>(
      reinterpret_cast<void*>(GetProcAddress(module, kQueryName)));
}

}  // namespace

bool Win32BrowsingMode::IsPrivate() {
  HMODULE frame = GetModuleHandleW(L"ieframe.dll");
  HMODULE loaded = nullptr;
  if (!frame)
    frame = loaded = LoadLibraryExW(L"ieframe.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  PrivateQuery query = QueryOf(frame);
  if (!query) query = QueryOf(GetModuleHandleW(nullptr));
  const bool is_private = query && query() != FALSE;
  if (loaded) FreeLibrary(loaded);
  return is_private;
}

}  // namespace pq::win32
