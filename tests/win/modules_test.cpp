// Module file names and system DLLs loaded from the system directory only.
#include "win32/modules.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace pq::win32 {
namespace {

std::string Lower(std::string text) {
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// A loader that records what it was asked and answers as it is told.
struct LoaderCall {
  std::string name;
  DWORD flags;
};
std::vector<LoaderCall> loader_calls;
DWORD refuse_with = 0;  // the error of a refused LOAD_LIBRARY_SEARCH_SYSTEM32

HMODULE WINAPI ScriptedLoader(LPCSTR name, HANDLE, DWORD flags) {
  loader_calls.push_back({name, flags});
  if ((flags & LOAD_LIBRARY_SEARCH_SYSTEM32) && refuse_with != 0) {
    SetLastError(refuse_with);
    return nullptr;
  }
  return LoadLibraryExA(name, nullptr, flags);
}

TEST(SystemLibrary, IsLoadedFromTheSystemDirectoryWithOrWithoutTheSearchFlag) {
  const std::string in_system_directory = SystemDirectory() + "\\urlmon.dll";
  const struct {
    const char* loader;
    DWORD refusal;
    std::vector<std::string> names_asked;
    std::vector<DWORD> flags_asked;
  } cases[] = {
      {"takes the flag", 0, {"urlmon.dll"}, {LOAD_LIBRARY_SEARCH_SYSTEM32}},
      {"refuses the flag",
       ERROR_INVALID_PARAMETER,
       {"urlmon.dll", in_system_directory},
       {LOAD_LIBRARY_SEARCH_SYSTEM32, LOAD_WITH_ALTERED_SEARCH_PATH}},
      {"finds no such module", ERROR_MOD_NOT_FOUND, {"urlmon.dll"}, {LOAD_LIBRARY_SEARCH_SYSTEM32}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.loader);
    loader_calls.clear();
    refuse_with = c.refusal;
    HMODULE module = LoadSystemLibrary("urlmon.dll", &ScriptedLoader);
    ASSERT_EQ(loader_calls.size(), c.names_asked.size());
    for (size_t i = 0; i < loader_calls.size(); ++i) {
      EXPECT_EQ(Lower(loader_calls[i].name), Lower(c.names_asked[i]));
      EXPECT_EQ(loader_calls[i].flags, c.flags_asked[i]);
    }
    if (c.refusal == ERROR_MOD_NOT_FOUND) {
      EXPECT_EQ(module, nullptr);
    } else {
      ASSERT_NE(module, nullptr);
      EXPECT_EQ(Lower(ModuleFileName(module)), Lower(in_system_directory));
      EXPECT_NE(GetProcAddress(module, "HlinkNavigateString"), nullptr);
      FreeLibrary(module);
    }
  }
}

TEST(SystemLibrary, SystemDirectoryHasNoTrailingBackslash) {
  const std::string directory = SystemDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_NE(directory.back(), '\\');
  EXPECT_NE(GetFileAttributesA(directory.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ModuleFileName, IsTheWholeNameOfTheProgramAndOfALoadedDll) {
  char expected[MAX_PATH * 4] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, expected, sizeof expected), 0u);
  EXPECT_EQ(ModuleFileName(nullptr), expected);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  ASSERT_GT(GetModuleFileNameA(kernel, expected, sizeof expected), 0u);
  EXPECT_EQ(ModuleFileName(kernel), expected);
}

}  // namespace
}  // namespace pq::win32
