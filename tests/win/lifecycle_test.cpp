// A thousand browser windows, one after the other, each showing the toolbar
// as the browser does: the band created, sited, shown, a search typed and
// sent, closed and released. Windows, GDI objects and private memory must
// come back to where they stood after the first cycles.
//   PQ_LIFECYCLES=N overrides the number of cycles (1000).
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which they need
#include <shlwapi.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "support/band_dll.h"
#include "support/scratch_key.h"
#include "support/test_site.h"

namespace pq::testing {
namespace {

// Kept after the first cycles, once every lazily made thing exists.
constexpr int kWarmUpCycles = 10;
// What a thousand cycles may leave behind: no window; of GDI objects, the
// few that the system's own caches of device contexts and regions gain in
// steps while windows come and go (Wine's grow by 3 at the 17th window); of
// memory, a few of the steps of 64 KiB in which the heap grows, and of the
// heap's bytes in use, what an allocator keeps for its own bookkeeping. A
// window that left one GDI object, 256 bytes of memory or 16 bytes of heap
// behind would exceed these.
constexpr long kWindowAllowance = 0;
constexpr long kGdiAllowance = 8;
constexpr int64_t kPrivateBytesAllowance = 256 << 10;
constexpr int64_t kHeapBytesAllowance = 16 << 10;

int Cycles() {
  const char* given = std::getenv("PQ_LIFECYCLES");
  return given && std::atoi(given) > 0 ? std::atoi(given) : 1000;
}

// Wine answers GetGuiResources with 0. Its GDI handle table is shared with
// the process like the system's own, one entry for each live object of the
// process; a 32-bit process finds it through the 64-bit side's blocks.
#pragma pack(push, 1)
struct GdiHandleEntry {
  uint64_t object;
  uint16_t process_id;
  uint16_t lock;
  uint16_t unique;
  uint8_t type;
  uint8_t flags;
  uint64_t user_pointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiHandleEntry) == 24);

const char* ThreadBlock() {
  // The compiler cannot see that the segment read is no array access.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
  return reinterpret_cast<const char*>(NtCurrentTeb());
#pragma GCC diagnostic pop
}

const GdiHandleEntry* GdiHandleTable() {
  const char* teb = ThreadBlock();
#ifdef _WIN64
  const char* peb = *reinterpret_cast<const char* const*>(teb + 0x60);
  return *reinterpret_cast<const GdiHandleEntry* const*>(peb + 0xF8);
#else
  const char* peb = *reinterpret_cast<const char* const*>(teb + 0x30);
  if (auto table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + 0x94)) return table;
  const uint32_t teb64 = *reinterpret_cast<const uint32_t*>(teb + 0xF70);
  if (!teb64) return nullptr;
  const uint64_t peb64 = *reinterpret_cast<const uint64_t*>(static_cast<uintptr_t>(teb64) + 0x60);
  return reinterpret_cast<const GdiHandleEntry*>(static_cast<uintptr_t>(
      *reinterpret_cast<const uint64_t*>(static_cast<uintptr_t>(peb64) + 0xF8)));
#endif
}

long GdiObjects() {
  if (const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return counted;
  const GdiHandleEntry* table = GdiHandleTable();
  if (!table) return -1;
  const uint16_t process = static_cast<uint16_t>(GetCurrentProcessId());
  long objects = 0;
  for (int i = 0; i < 0x10000; ++i)
    if (table[i].type != 0 && (table[i].process_id == 0 || table[i].process_id == process))
      ++objects;
  return objects;
}

// The windows of this process, top-level ones and all below them. Wine keeps
// no count of USER objects; windows are the ones a toolbar makes.
BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<long*>(count);
  EnumChildWindows(window, CountChild, count);
  return TRUE;
}

long Windows() {
  long windows = 0;
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// Committed memory of the process's own (heaps, stacks, private mappings),
// added up region by region: Wine leaves the process counters' private
// usage at 0.
// The bytes in use in the process's heaps, where the C library's and the
// system's allocations live.
int64_t HeapBytes() {
  HANDLE heaps[64];
  DWORD count = GetProcessHeaps(64, heaps);
  int64_t busy = 0;
  for (DWORD h = 0; h < count && h < 64; ++h) {
    PROCESS_HEAP_ENTRY entry{};
    HeapLock(heaps[h]);
    while (HeapWalk(heaps[h], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
    HeapUnlock(heaps[h]);
  }
  return busy;
}

int64_t PrivateBytes() {
  int64_t bytes = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
      bytes += static_cast<int64_t>(region.RegionSize);
    if (static_cast<const char*>(region.BaseAddress) + region.RegionSize <= at) break;
  }
  return bytes;
}

struct Reading {
  long windows, gdi;
  int64_t private_bytes, heap_bytes;
};

Reading Read() { return {Windows(), GdiObjects(), PrivateBytes(), HeapBytes()}; }

class Lifecycle : public ::testing::Test {
 protected:
  Lifecycle() {
    // An installation of its own: the sample toolbar in a scratch folder.
    std::ifstream sample(WindowsPath(std::string(PQ_SOURCE_DIR) + "/samples/SampleBar.ini"),
                         std::ios::binary);
    std::ofstream(dir.File("Cycle.ini"), std::ios::binary) << sample.rdbuf();
    const std::string key =
        "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\" + std::string(kBandId);
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    for (const auto& [name, value] :
         {std::pair<const char*, std::string>{"InstallPath", dir.path()},
          {"Toolbar Name", "Cycle"},
          {"Toolbar File", "Cycle"}})
      SHSetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, value.c_str(),
                  static_cast<DWORD>(value.size() + 1));
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    site.browser.Attach(new RecordingBrowser);
    // Each cycle's band sizes itself to the browser and searches there.
    site.browser->Expect({"get_Width", "Navigate"});
  }
  ~Lifecycle() override {
    CoUninitialize();
    SHDeleteKeyA(
        HKEY_LOCAL_MACHINE,
        ("SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\" + std::string(kBandId)).c_str());
  }

  // One browser window's life with the toolbar in it.
  void Cycle(IClassFactory& factory) {
    ComPtr<IDeskBand> band;
    ASSERT_EQ(factory.CreateInstance(nullptr, IID_PPV_ARGS(&band)), S_OK);
    ComPtr<IObjectWithSite> with_site;
    ASSERT_EQ(band.As(&with_site), S_OK);
    ASSERT_EQ(with_site->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
    HWND window = nullptr;
    ASSERT_EQ(band->GetWindow(&window), S_OK);
    ASSERT_EQ(band->ShowDW(TRUE), S_OK);
    ComPtr<IInputObject> input;
    ASSERT_EQ(band.As(&input), S_OK);
    ASSERT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
    HWND field = GetFocus();
    // The last window's text comes back; the new query is typed over it.
    SendMessageA(field, EM_SETSEL, 0, -1);
    // The same query each time: the history stays as it is, so that memory
    // kept by anything else shows.
    const std::string query = "one more cycle\r";
    for (char c : query) {
      MSG key{field, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1, 0, {0, 0}};
      input->TranslateAcceleratorIO(&key);
    }
    PumpMessages();
    ASSERT_EQ(band->CloseDW(0), S_OK);
    ASSERT_EQ(with_site->SetSite(nullptr), S_OK);
    // What the site and the browser recorded would grow with the cycles.
    searches += site.browser->navigations.size();
    if (!site.browser->navigations.empty()) last_address = site.browser->navigations.back().url;
    site.browser->navigations.clear();
    site.browser->navigations.shrink_to_fit();
    site.focus_changes = {};
    site.exec_calls = {};
    site.service_queries = {};
  }

  size_t searches = 0;
  std::wstring last_address;

  ScratchDir dir;
  TestSite site{SiteWindow()};
};

TEST_F(Lifecycle, AThousandWindowsLeaveNothingBehind) {
  const int cycles = Cycles();
  Reading warm{};
  DWORD started = 0;
  {
    BandDll dll;
    ASSERT_NE(dll.module(), nullptr);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(dll.GetClassObject(BandClsid(), IID_PPV_ARGS(&factory)), S_OK);
    for (int n = 1; n <= cycles; ++n) {
      ASSERT_NO_FATAL_FAILURE(Cycle(*factory.Get())) << "cycle " << n;
      if (std::getenv("PQ_LIFECYCLE_TRACE")) {
        const Reading now = Read();
        std::printf("%d: %ld %ld %lld %lld\n", n, now.windows, now.gdi,
                    static_cast<long long>(now.private_bytes),
                    static_cast<long long>(now.heap_bytes));
      }
      if (n == kWarmUpCycles) {
        warm = Read();
        started = GetTickCount();
      }
    }
    const DWORD elapsed = GetTickCount() - started;
    const Reading end = Read();
    ASSERT_EQ(searches, static_cast<size_t>(cycles));
    EXPECT_EQ(last_address, L"http://search.example.org/search?q=one+more+cycle");
    std::printf(
        "after %d cycles: windows %ld -> %ld, GDI objects %ld -> %ld, private bytes %lld -> %lld,"
        " heap bytes in use %lld -> %lld; %.1f ms a cycle\n",
        kWarmUpCycles, warm.windows, end.windows, warm.gdi, end.gdi,
        static_cast<long long>(warm.private_bytes), static_cast<long long>(end.private_bytes),
        static_cast<long long>(warm.heap_bytes), static_cast<long long>(end.heap_bytes),
        cycles > kWarmUpCycles ? double(elapsed) / (cycles - kWarmUpCycles) : 0.0);
    EXPECT_GE(warm.gdi, 0) << "no way to count GDI objects here";
    EXPECT_LE(end.windows - warm.windows, kWindowAllowance);
    EXPECT_LE(end.gdi - warm.gdi, kGdiAllowance);
    EXPECT_LE(end.private_bytes - warm.private_bytes, kPrivateBytesAllowance);
    EXPECT_LE(end.heap_bytes - warm.heap_bytes, kHeapBytesAllowance);
    factory.Reset();
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
  }
}

}  // namespace
}  // namespace pq::testing
