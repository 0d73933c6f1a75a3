#include "win32/protected_mode.h"

#include <objbase.h>
#include <shlobj.h>

#include <mutex>

#include "win32/com_support.h"
#include "win32/wide_text.h"

namespace pq::win32 {
namespace {

using IsProtectedFn = HRESULT(WINAPI*)(BOOL*);
using WriteableFolderFn = HRESULT(WINAPI*)(REFGUID, LPWSTR*);
using WriteableKeyFn = HRESULT(WINAPI*)(HKEY*);

// {A520A1A4-1780-4FF6-BD18-167343C5AF16}: LocalAppDataLow, the user's data
// folder of low-rights processes.
constexpr GUID kLocalAppDataLow = {
    0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}};

template <typename Function>
Function BrowserFunction(const char* name) {
  // Only the browser's own processes run in its protected mode, and its
  // frame module is loaded in each of them before any band: another host
  // is told no without loading the browser's frame and what that loads
  // (URL monikers, WinINet, sockets), which cost its first window dearly.
  const HMODULE browser = GetModuleHandleW(L"ieframe.dll");
  if (!browser) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(browser, name)));
}

}  // namespace

bool IsProtectedModeProcess() {
  const auto is_protected = BrowserFunction<IsProtectedFn>("IEIsProtectedModeProcess");
  BOOL result = FALSE;
  return is_protected && SUCCEEDED(is_protected(&result)) && result;
}

namespace {

// The folder as the browser and the shell name it now.
std::string FindWriteableUserDataFolder() {
  if (IsProtectedModeProcess()) {
    if (const auto folder = BrowserFunction<WriteableFolderFn>("IEGetWriteableFolderPath")) {
      LPWSTR path = nullptr;
      if (SUCCEEDED(folder(kLocalAppDataLow, &path)) && path) {
        std::string text = Utf8(path);
        CoTaskMemFree(path);
        return text;
      }
    }
  }
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                              SHGFP_TYPE_CURRENT, path)))
    return std::string();
  return Utf8(path);
}

}  // namespace

std::string WriteableUserDataFolder() {
  // The process keeps its user and its rights for life, and so the folder:
  // the shell is asked once, not for each window (it reads, and writes, the
  // registry each time).
  static std::mutex lock;
  static std::string known;
  const std::lock_guard<std::mutex> guard(lock);
  if (known.empty()) known = FindWriteableUserDataFolder();
  return known;
}

HKEY WriteableUserKey() {
  if (!IsProtectedModeProcess()) return nullptr;
  const auto user_key = BrowserFunction<WriteableKeyFn>("IEGetWriteableHKCU");
  HKEY key = nullptr;
  if (!user_key || FAILED(user_key(&key))) return nullptr;
  return key;
}

}  // namespace pq::win32
