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
  // The browser's frame module is loaded in each of its processes before any
  // band. Loading it for the question in another host would cost each new
  // window that module and all it loads, only to be told no.
  PrivateQuery query = QueryOf(GetModuleHandleW(L"ieframe.dll"));
  if (!query) query = QueryOf(GetModuleHandleW(nullptr));
  return query && query() != FALSE;
}

}  // namespace pq::win32
