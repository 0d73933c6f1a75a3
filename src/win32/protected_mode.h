#pragma once
// The browser's protected mode, where its process runs with low rights and
// may write only to places the browser names. The functions that tell are in
// the browser's library from Windows Vista on; they are looked up at run time,
// so that the DLL loads where they are missing.
#include <windows.h>

#include <string>

namespace pq::win32 {

// True when this process is the browser running in protected mode.
bool IsProtectedModeProcess();

// The user's data folder the process may write: in protected mode the one the
// browser allows its low-rights process, else the user's local application
// data. Empty when neither is known.
std::string WriteableUserDataFolder();

// In protected mode, the user's registry key the process may write; the
// caller closes it. Null when not in protected mode or when the browser
// cannot tell.
HKEY WriteableUserKey();

}  // namespace pq::win32
