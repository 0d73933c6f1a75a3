// bandhost: plays the browser for the toolbar bands registered on this machine.
//   bandhost [--log FILE] [--exit-after MS] [--frames N] [--private]
// As in the browser, each frame window runs on a thread of its own, in an
// apartment of its own, with a Unicode message loop; the bands of every frame
// are created at the same time. The host ends when its last frame has closed.
// With --private it plays a private (InPrivate) session: it answers the
// browser's question IEIsInPrivateBrowsing, which bands ask of the browser's
// frame library first, through an export of its own.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host_frame.h"
#include "host_log.h"

namespace {

using namespace pq::bandhost;

constexpr int kMostFrames = 8;
constexpr char kUsage[] =
    "Usage: bandhost [--log FILE] [--exit-after MS] [--frames N] [--private]";

bool private_session = false;

// Wine shapes text through caches that the process shares and that two
// threads filling them at once can corrupt: the frames' own windows are made
// and first drawn one at a time. Their bands are built at once all the same.
bool CreateFrame(HostFrame& frame) {
  static std::mutex creating;
  const std::lock_guard<std::mutex> hold(creating);
  return frame.Create();
}

// One frame window's life on the calling thread; its exit status.
int RunFrame(int number, UINT exit_after) {
  if (number > 1) HostLog::SetThreadTag("[frame " + std::to_string(number) + "] ");
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int status = 0;
  {
    HostFrame frame(number);
    if (!CreateFrame(frame)) {
      Log("host: the frame window could not be created");
      status = 1;
    } else {
      frame.LoadBands();
      if (exit_after) frame.CloseAfter(exit_after);
      MSG msg;
      // Read in the wide form, as the browser reads: a character message
      // holds a UTF-16 unit, whatever the system's code page.
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // The band with the focus sees each keystroke first, as in the browser.
        if (frame.RouteKeystroke(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
  // A server that the frame has let go of is unloaded, as the browser does.
  CoFreeUnusedLibraries();
  CoUninitialize();
  return status;
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI IEIsInPrivateBrowsing() {
  return private_session ? TRUE : FALSE;
}

int main(int argc, char** argv) {
  UINT exit_after = 0;
  int frames = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
      if (!HostLog::Instance().Open(argv[++i])) {
        MessageBoxW(nullptr, pq::win32::Wide("Can't open the log file " + std::string(argv[i])).c_str(),
                    L"Band host", MB_OK | MB_ICONERROR);
        return 2;
      }
    } else if (std::strcmp(argv[i], "--exit-after") == 0 && i + 1 < argc) {
      exit_after = static_cast<UINT>(std::strtoul(argv[++i], nullptr, 10));
    } else if (std::strcmp(argv[i], "--private") == 0) {
      private_session = true;
    } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      frames = std::atoi(argv[++i]);
      if (frames < 1 || frames > kMostFrames) {
        MessageBoxW(nullptr, pq::win32::Wide(kUsage).c_str(), L"Band host", MB_OK | MB_ICONINFORMATION);
        return 2;
      }
    } else {
      MessageBoxW(nullptr, pq::win32::Wide(kUsage).c_str(), L"Band host", MB_OK | MB_ICONINFORMATION);
      return 2;
    }
  }

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  if (!HostFrame::RegisterClasses()) {
    Log("host: the frame's window classes could not be registered");
    return 1;
  }
  // The other frames start first, so that every frame builds its bands at
  // the same time as the first.
  std::vector<int> statuses(static_cast<size_t>(frames), 0);
  std::vector<std::thread> others;
  for (int number = 2; number <= frames; ++number)
    others.emplace_back([&statuses, number, exit_after] {
      statuses[static_cast<size_t>(number - 1)] = RunFrame(number, exit_after);
    });
  statuses[0] = RunFrame(1, exit_after);
  for (std::thread& other : others) other.join();
  Log("host: done");
  return *std::max_element(statuses.begin(), statuses.end());
}
