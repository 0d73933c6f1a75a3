// Entry point of every Windows test program: the Win32 file system and code
// pages replace the standard library's, as they do in the DLL.
#include <gtest/gtest.h>
#include <windows.h>

#include "win32/win32_code_pages.h"
#include "win32/win32_system.h"

int main(int argc, char** argv) {
  // No error boxes from the system: a test that fails must not wait for a click.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  static pq::win32::Win32FileSystem files;
  pq::InstallFileSystem(&files);
  static pq::win32::Win32CodePages code_pages;
  pq::InstallCodePages(&code_pages);
  // The display outlives each program run on it, and the pointer stays where
  // the last one left it: resting over a band shown there, it would hover a
  // button, and the band would tell the browser its status text unasked.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
