// Two browser frames on two threads of one process, each with an apartment of
// its own, building their toolbars at the same moment: what the browser does
// when two of its windows open at once. The toolbars share the module's
// state, the installed configuration and the history file.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlwapi.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/band_dll.h"
#include "support/scratch_key.h"
#include "support/test_site.h"
#include "ui_kit/window_finder.h"

namespace pq::testing {
namespace {

using ui_kit::DescendantOfClass;
using ui_kit::SearchFieldOf;

const std::string kBandKey =
    "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\" + std::string(kBandId);
constexpr char kFrameClass[] = "TwoFramesTestFrame";

// What one frame saw of its toolbar, noted on its own thread and judged on
// the test's.
struct Frame {
  HRESULT created = E_UNEXPECTED;
  HRESULT sited = E_UNEXPECTED;
  HRESULT got_window = E_UNEXPECTED;
  HRESULT shown = E_UNEXPECTED;
  HRESULT closed = E_UNEXPECTED;
  bool window_of_this_thread = false;
  bool has_field = false;
  bool window_gone = false;
  ULONG site_references_left = 0;
  std::vector<std::string> captions;
};

// Holds each thread that arrives until `count` have: then all go at once.
// (This tool chain's std::latch was seen to miss its wake-up.)
class StartLine {
 public:
  explicit StartLine(int count) : waiting_(count) {}
  void ArriveAndWait() {
    std::unique_lock<std::mutex> hold(lock_);
    if (--waiting_ == 0) {
      all_here_.notify_all();
      return;
    }
    all_here_.wait(hold, [&] { return waiting_ == 0; });
  }

 private:
  std::mutex lock_;
  std::condition_variable all_here_;
  int waiting_;
};

void RunQueue() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// A browser frame's life with the toolbar in it, on the calling thread: the
// band created through COM, sited, its window made and shown, closed and
// released. `start` holds the band's creation back until every frame is ready.
void RunFrame(Frame& frame, StartLine* start) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HWND frame_window =
      CreateWindowExA(0, kFrameClass, "frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 120,
                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  {
    TestSite site(frame_window);
    if (start) start->ArriveAndWait();
    ComPtr<IDeskBand> band;
    frame.created =
        CoCreateInstance(BandClsid(), nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&band));
    ComPtr<IObjectWithSite> with_site;
    if (SUCCEEDED(frame.created) && SUCCEEDED(band.As(&with_site))) {
      frame.sited = with_site->SetSite(static_cast<IOleWindow*>(&site));
      HWND window = nullptr;
      frame.got_window = band->GetWindow(&window);
      frame.shown = band->ShowDW(TRUE);
      MoveWindow(window, 0, 0, 900, 25, TRUE);
      ShowWindow(window, SW_SHOW);
      RunQueue();
      frame.window_of_this_thread =
          window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
      frame.captions = ui_kit::ToolbarCaptionsOf(window);
      frame.has_field = SearchFieldOf(window) != nullptr;
      frame.closed = band->CloseDW(0);
      with_site->SetSite(nullptr);
      frame.window_gone = !IsWindow(window);
    }
    with_site.Reset();
    band.Reset();
    frame.site_references_left = site.references();
  }
  DestroyWindow(frame_window);
  CoUninitialize();
}

class TwoFrames : public ::testing::Test {
 protected:
  TwoFrames() {
    // The sample toolbar, installed in a scratch folder.
    std::ifstream sample(WindowsPath(std::string(PQ_SOURCE_DIR) + "/samples/SampleBar.ini"),
                         std::ios::binary);
    std::ofstream(dir_.File("Pair.ini"), std::ios::binary) << sample.rdbuf();
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kBandKey.c_str());
    for (const auto& [name, value] :
         {std::pair<const char*, std::string>{"InstallPath", dir_.path()},
          {"Toolbar Name", "Pair"},
          {"Toolbar File", "Pair"}})
      SetText(HKEY_LOCAL_MACHINE, kBandKey, name, value);
    // The class as registration writes it, without calling the module: the
    // frames' first calls are the ones that load its state.
    SetText(HKEY_CLASSES_ROOT, kServerKey, nullptr, BandDllPath());
    SetText(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", "Apartment");
    WNDCLASSA frame_class{};
    frame_class.lpfnWndProc = DefWindowProcA;
    frame_class.hInstance = GetModuleHandleA(nullptr);
    frame_class.lpszClassName = kFrameClass;
    RegisterClassA(&frame_class);
  }
  ~TwoFrames() override {
    SHDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kBandKey.c_str());
  }

  static void SetText(HKEY root, const std::string& key, const char* name,
                      const std::string& value) {
    SHSetValueA(root, key.c_str(), name, REG_SZ, value.c_str(),
                static_cast<DWORD>(value.size() + 1));
  }

  const std::string kClassKey = "CLSID\\" + std::string(kBandId);
  const std::string kServerKey = kClassKey + "\\InprocServer32";
  ScratchDir dir_;
};

TEST_F(TwoFrames, BuildTheirToolbarsAtOnceOnTwoThreadsAndLetTheServerUnload) {
  // Held for the answer to DllCanUnloadNow, which the apartments' own loads
  // would not outlive.
  BandDll dll;
  ASSERT_NE(dll.module(), nullptr);
  Frame frames[2];
  StartLine start(2);
  std::thread first([&] { RunFrame(frames[0], &start); });
  std::thread second([&] { RunFrame(frames[1], &start); });
  first.join();
  second.join();
  // What the toolbar shows when it is built alone.
  Frame alone;
  std::thread([&] { RunFrame(alone, nullptr); }).join();
  ASSERT_EQ(alone.created, S_OK);
  ASSERT_FALSE(alone.captions.empty()) << "the sample toolbar has no buttons";

  for (const Frame& frame : frames) {
    SCOPED_TRACE(&frame == &frames[0] ? "first frame" : "second frame");
    EXPECT_EQ(frame.created, S_OK);
    EXPECT_EQ(frame.sited, S_OK);
    EXPECT_EQ(frame.got_window, S_OK);
    EXPECT_EQ(frame.shown, S_OK);
    EXPECT_TRUE(frame.window_of_this_thread);
    EXPECT_EQ(frame.captions, alone.captions) << "the toolbar is not built whole";
    EXPECT_TRUE(frame.has_field);
    EXPECT_EQ(frame.closed, S_OK);
    EXPECT_TRUE(frame.window_gone);
    EXPECT_EQ(frame.site_references_left, 1u) << "the band kept its site";
  }
  EXPECT_EQ(dll.CanUnloadNow(), S_OK) << "a band, a window or the factory is still held";
}

}  // namespace
}  // namespace pq::testing
