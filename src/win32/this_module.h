#pragma once
#include <windows.h>

// The image base of the module this code is linked into (the DLL, or a test program).
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace pq::win32 {

inline HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

}  // namespace pq::win32
