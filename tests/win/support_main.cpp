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
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
