#pragma once
// Loaded modules: their file names, and system DLLs taken from the system
// directory only.
#include <windows.h>

#include <string>

namespace pq::win32 {

// The full file name of a loaded module (null: the program's), in UTF-8;
// empty when the system cannot tell it.
std::string ModuleFileName(HMODULE module);

// The system directory, without a trailing backslash; empty when the system
// cannot tell it.
std::string SystemDirectory();
// The Windows directory, likewise.
std::string WindowsDirectory();

using LoadLibraryExFunction = HMODULE(WINAPI*)(LPCWSTR name, HANDLE file, DWORD flags);

// Loads a DLL from the system directory, never from wherever a search would
// find one of the name first. A loader that refuses LOAD_LIBRARY_SEARCH_SYSTEM32
// (Windows 7 without KB2533623 answers ERROR_INVALID_PARAMETER) is given the
// DLL's full path in the system directory instead. Null when the DLL cannot be
// loaded.
HMODULE LoadSystemLibrary(const wchar_t* name,
                          LoadLibraryExFunction load = &LoadLibraryExW) noexcept;

}  // namespace pq::win32
