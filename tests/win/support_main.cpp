// Entry point of every Windows test program: the Win32 file system replaces
// the standard library's, as it does in the DLL.
#include <gtest/gtest.h>
#include <windows.h>

#include "win32/win32_system.h"

int main(int argc, char** argv) {
  // No error boxes from the system: a test that fails must not wait for a click.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  static pq::win32::Win32FileSystem files;
  pq::InstallFileSystem(&files);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
