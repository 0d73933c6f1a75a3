// Module file names and system DLLs loaded from the system directory only.
#include "win32/modules.h"
#include "win32/wide_text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace pq::win32 {
namespace {

std::wstring Lower(std::wstring text) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string Lower(const std::string& text) { return Utf8(Lower(Wide(text))); }

// A loader that records what it was asked, as "name flags", and refuses
// LOAD_LIBRARY_SEARCH_SYSTEM32 with the error it is told.
std::vector<std::string> loader_calls;
DWORD refuse_with = 0;

HMODULE WINAPI ScriptedLoader(LPCWSTR name, HANDLE, DWORD flags) {
  loader_calls.push_back(Utf8(Lower(std::wstring(name))) + " " + std::to_string(flags));
  if ((flags & LOAD_LIBRARY_SEARCH_SYSTEM32) && refuse_with != 0) {
    SetLastError(refuse_with);
    return nullptr;
  }
  return LoadLibraryExW(name, nullptr, flags);
}

// Where a module is found also shows that SystemDirectory() names the
// directory whole, without a trailing backslash.
TEST(SystemLibrary, IsLoadedFromTheSystemDirectoryWithOrWithoutTheSearchFlag) {
  const std::string in_system_directory = Lower(SystemDirectory() + "\\urlmon.dll");
  const std::string flag = " " + std::to_string(LOAD_LIBRARY_SEARCH_SYSTEM32);
  const struct {
    const char* loader;
    DWORD refusal;
    std::vector<std::string> asked;
  } cases[] = {
      {"takes the flag", 0, {"urlmon.dll" + flag}},
      {"refuses the flag",
       ERROR_INVALID_PARAMETER,
       {"urlmon.dll" + flag,
        in_system_directory + " " + std::to_string(LOAD_WITH_ALTERED_SEARCH_PATH)}},
      {"finds no such module", ERROR_MOD_NOT_FOUND, {"urlmon.dll" + flag}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.loader);
    loader_calls.clear();
    refuse_with = c.refusal;
    HMODULE module = LoadSystemLibrary(L"urlmon.dll", &ScriptedLoader);
    EXPECT_EQ(loader_calls, c.asked);
    if (c.refusal == ERROR_MOD_NOT_FOUND) {
      EXPECT_EQ(module, nullptr);
    } else {
      ASSERT_NE(module, nullptr);
      EXPECT_EQ(Lower(ModuleFileName(module)), in_system_directory);
      EXPECT_NE(GetProcAddress(module, "HlinkNavigateString"), nullptr);
      FreeLibrary(module);
    }
  }
}

TEST(ModuleFileName, IsTheWholeNameOfTheProgramAndOfALoadedDll) {
  for (HMODULE module : {HMODULE(nullptr), GetModuleHandleW(L"kernel32.dll")}) {
    wchar_t expected[MAX_PATH * 4] = {};
    ASSERT_GT(GetModuleFileNameW(module, expected, MAX_PATH * 4), 0u);
    EXPECT_EQ(ModuleFileName(module), Utf8(expected));
  }
}

}  // namespace
}  // namespace pq::win32
