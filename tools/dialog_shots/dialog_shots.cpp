// Shows one of the toolbar's dialogs with sample content, saves a picture of
// the screen around it as a bitmap file once it is drawn, and closes it.
//   dialog_shots about|about-timed|input OUTPUT.bmp
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "screen_shot/screen_shot.h"
#include "win32/gdi_handles.h"
#include "win32/wide_text.h"
#include "win32/win32_user_interface.h"

namespace {

constexpr int kMargin = 12;  // of the desktop around the window
constexpr DWORD kWait = 30000;

HWND WaitForWindow(const std::string& caption) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kWait) {
    HWND window = FindWindowW(nullptr, pq::win32::Wide(caption).c_str());
    if (window && IsWindowVisible(window)) return window;
    Sleep(20);
  }
  return nullptr;
}

bool SaveScreen(const RECT& area, const std::string& path) {
  const std::optional<pq::tools::Picture> picture = pq::tools::CaptureScreen(area);
  return picture && pq::tools::SaveBitmap(*picture, path);
}

// Waits for the window, has it drawn, takes the picture and closes it.
void Photograph(const std::string& caption, const std::string& path, bool* saved) {
  HWND window = WaitForWindow(caption);
  if (!window) return;
  // Drawn now, by its own thread, before the picture is taken.
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  SendMessageW(window, WM_NULL, 0, 0);
  RECT area{};
  GetWindowRect(window, &area);
  InflateRect(&area, kMargin, kMargin);
  *saved = SaveScreen(area, path);
  PostMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: dialog_shots about|about-timed|input OUTPUT.bmp\n");
    return 2;
  }
  const std::string kind = argv[1];
  const std::string path = argv[2];
  pq::win32::Win32UserInterface ui;
  bool saved = false;
  if (kind == "input") {
    std::thread camera(Photograph, "SpeedButton URL", path, &saved);
    ui.InputBox("SpeedButton URL", "Enter this Speedbutton's new URL",
                "http://www.example.com/speed");
    camera.join();
  } else if (kind == "about" || kind == "about-timed") {
    pq::AboutBoxContent content;
    content.Caption = "About SampleBar";
    content.Version = "SampleBar";
    content.Copyright = "Copyright (C) 2024 Sample Company";
    content.Url = "http://www.example.com/";
    content.Preparer = "Toolbar software (C) 2024 Pelliquester";
    content.Timed = kind == "about-timed";
    std::thread camera(Photograph, content.Caption, path, &saved);
    ui.ShowAboutBox(content);
    camera.join();
  } else {
    std::fprintf(stderr, "dialog_shots: unknown dialog %s\n", kind.c_str());
    return 2;
  }
  if (!saved) std::fprintf(stderr, "dialog_shots: no picture of the %s dialog\n", kind.c_str());
  return saved ? 0 : 1;
}
