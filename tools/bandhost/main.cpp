// bandhost: plays the browser for the toolbar bands registered on this machine.
//   bandhost [--log FILE] [--exit-after MS]
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "host_frame.h"
#include "host_log.h"

int main(int argc, char** argv) {
  using namespace pq::bandhost;
  UINT exit_after = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
      if (!HostLog::Instance().Open(argv[++i])) {
        MessageBoxA(nullptr, ("Can't open the log file " + std::string(argv[i])).c_str(),
                    "Band host", MB_OK | MB_ICONERROR);
        return 2;
      }
    } else if (std::strcmp(argv[i], "--exit-after") == 0 && i + 1 < argc) {
      exit_after = static_cast<UINT>(std::strtoul(argv[++i], nullptr, 10));
    } else {
      MessageBoxA(nullptr, "Usage: bandhost [--log FILE] [--exit-after MS]", "Band host",
                  MB_OK | MB_ICONINFORMATION);
      return 2;
    }
  }

  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  int status = 0;
  {
    HostFrame frame;
    if (!frame.Create()) {
      Log("host: the frame window could not be created");
      status = 1;
    } else {
      frame.LoadBands();
      if (exit_after) frame.CloseAfter(exit_after);
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        // The band with the focus sees each keystroke first, as in the browser.
        if (frame.RouteKeystroke(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }
  CoFreeUnusedLibraries();
  CoUninitialize();
  Log("host: done");
  return status;
}
