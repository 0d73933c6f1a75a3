// Pelliquester.dll as a COM server: exports, class factory, server counts and
// registration, against the real registry of the Wine prefix.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <exdisp.h>
#include <shlwapi.h>
#include <windows.h>
#include <wrl/client.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/band_dll.h"
#include "support/counting_unknown.h"
#include "support/scratch_key.h"

namespace pq::testing {
namespace {

using Microsoft::WRL::ComPtr;

const std::string kClassKey = std::string("CLSID\\") + kBandId;
const std::string kBandKey =
    std::string("SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars\\") + kBandId;
const char kToolbarKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
const char kExplorerBars[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars";
const char kCategory[] = "{00021492-0000-0000-C000-000000000046}";

// --- registry reading, independent of the code under test ---

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::optional<std::string> ReadText(HKEY root, const std::string& path, const char* name) {
  char text[MAX_PATH * 4];
  DWORD size = sizeof text;
  if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::string(text);
}

// Names of a key's subkeys, or of its values.
enum class Listing { Values, Subkeys };
std::set<std::string> Names(HKEY root, const std::string& path, Listing listing) {
  std::set<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if ((listing == Listing::Subkeys
             ? RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr)
             : RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr)) !=
        ERROR_SUCCESS)
      break;
    names.insert(name);
  }
  RegCloseKey(key);
  return names;
}

void WriteText(HKEY root, const std::string& path, const char* name, const std::string& text) {
  ASSERT_EQ(RegSetKeyValueA(root, path.c_str(), name, REG_SZ, text.c_str(),
                            static_cast<DWORD>(text.size() + 1)),
            ERROR_SUCCESS);
}

void DeleteValue(HKEY root, const std::string& path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name);
  RegCloseKey(key);
}

// Everything that registration writes or the installation puts under the band's key.
void RemoveAllBandEntries() {
  SHDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey.c_str());
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kBandKey.c_str());
  DeleteValue(HKEY_LOCAL_MACHINE, kToolbarKey, kBandId);
  DeleteValue(HKEY_LOCAL_MACHINE, kExplorerBars, kBandId);
}

// Yesterday in the user's short date format.
std::string Yesterday() {
  SYSTEMTIME day;
  GetLocalTime(&day);
  FILETIME file_time;
  SystemTimeToFileTime(&day, &file_time);
  ULARGE_INTEGER ticks{{file_time.dwLowDateTime, file_time.dwHighDateTime}};
  ticks.QuadPart -= 864000000000ULL;
  file_time = {ticks.LowPart, ticks.HighPart};
  FileTimeToSystemTime(&file_time, &day);
  char text[128] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, text, sizeof text);
  return text;
}

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH * 2] = {};
  GetModuleFileNameA(module, path, sizeof path);
  return path;
}

// --- exports ---

TEST(BandExports, EachEntryPointIsExportedByNameWithItsOrdinal) {
  BandDll dll;
  ASSERT_NE(dll.module(), nullptr) << BandDllPath();
  const struct {
    WORD ordinal;
    const char* name;
  } expected[] = {{1, "DllUnregisterServer"},
                  {2, "DllRegisterServer"},
                  {3, "DllCanUnloadNow"},
                  {4, "DllGetClassObject"}};
  for (const auto& entry : expected) {
    FARPROC by_name = GetProcAddress(dll.module(), entry.name);
    FARPROC by_ordinal = GetProcAddress(dll.module(), MAKEINTRESOURCEA(entry.ordinal));
    ASSERT_NE(by_name, nullptr) << entry.name;
    EXPECT_EQ(by_name, by_ordinal) << entry.name << " is not ordinal " << entry.ordinal;
  }
  EXPECT_EQ(GetProcAddress(dll.module(), MAKEINTRESOURCEA(5)), nullptr);
}

// --- class factory and server counts ---

class BandServer : public ::testing::Test {
 protected:
  BandServer() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~BandServer() override { CoUninitialize(); }

  ComPtr<IClassFactory> Factory() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(dll.GetClassObject(BandClsid(), IID_PPV_ARGS(&factory)), S_OK);
    return factory;
  }

  BandDll dll;
};

TEST_F(BandServer, GetClassObjectServesTheBandsFactoryAsClassFactoryAndUnknownOnly) {
  const struct {
    CLSID clsid;
    IID iid;
    HRESULT expected;
  } cases[] = {
      {CLSID_ShellLink, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {BandClsid(), IID_IDispatch, E_NOINTERFACE},
      {BandClsid(), IID_IClassFactory, S_OK},
      {BandClsid(), IID_IUnknown, S_OK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.expected);
    void* object = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(dll.GetClassObject(c.clsid, c.iid, &object), c.expected);
    // A failure nulls the result.
    EXPECT_EQ(object == nullptr, FAILED(c.expected));
    if (SUCCEEDED(c.expected) && object) static_cast<IUnknown*>(object)->Release();
  }
  EXPECT_EQ(dll.GetClassObject(BandClsid(), IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(BandServer, CreateInstanceMakesANewBandEachTimeAggregatedOnlyAsIUnknownAndNoRefusedOne) {
  ComPtr<IClassFactory> factory = Factory();
  ComPtr<IDeskBand> first, second;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&first)), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&second)), S_OK);
  EXPECT_NE(first.Get(), second.Get());
  first.Reset();
  second.Reset();
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDeskBand, nullptr), E_POINTER);

  // An aggregated band delegates its interfaces to the outer object.
  testing::CountingUnknown outer;
  IUnknown* inner = nullptr;
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
  IDeskBand* band = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_PPV_ARGS(&band)), S_OK);
  EXPECT_EQ(outer.references, 2u) << "the interface's reference belongs to the outer object";
  IUnknown* identity = nullptr;
  ASSERT_EQ(band->QueryInterface(IID_PPV_ARGS(&identity)), S_OK);
  EXPECT_EQ(identity, &outer) << "IUnknown through an interface is the outer's";
  identity->Release();
  band->Release();
  EXPECT_EQ(outer.references, 1u);
  inner->Release();

  // Aggregation is refused unless the outer object asks for IUnknown.
  void* object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IDeskBand, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  factory.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_OK) << "no band and no refused object may stay alive";
}

TEST_F(BandServer, CanUnloadOnlyWhenNoBandNoFactoryReferenceAndNoLockIsLeft) {
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
  ComPtr<IClassFactory> factory = Factory();
  EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
  ComPtr<IUnknown> band;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&band)), S_OK);
  factory.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_FALSE) << "a band is alive";
  band.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);

  factory = Factory();
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_FALSE) << "the server is locked";
  factory = Factory();
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

// A band is created while a factory reference is held, and the factory may be
// released as soon as the band exists: one of the two holds the server at
// every moment, and threads asking meanwhile must never be told that the
// module can go. COM never lets DllCanUnloadNow overlap DllGetClassObject, so
// answers given while the host fetched the factory again do not count.
TEST_F(BandServer, CanUnloadNeverAnswersYesWhileAFactoryOrABandIsHeld) {
  ComPtr<IClassFactory> factory = Factory();
  std::atomic<bool> done{false};
  std::atomic<unsigned> fetching{0};  // odd while the host fetches the factory
  std::atomic<int> wrong_answers{0};
  std::vector<std::thread> askers;
  for (int i = 0; i < 6; ++i)
    askers.emplace_back([&] {
      while (!done) {
        const unsigned before = fetching;
        const bool can_unload = dll.CanUnloadNow() == S_OK;
        if (can_unload && before % 2 == 0 && fetching == before) ++wrong_answers;
      }
    });
  const ULONGLONG until = GetTickCount64() + 2500;
  while (factory && GetTickCount64() < until && wrong_answers == 0) {
    ComPtr<IUnknown> band;
    if (FAILED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&band)))) break;
    factory.Reset();  // the band alone holds the server
    ++fetching;
    dll.GetClassObject(BandClsid(), IID_PPV_ARGS(&factory));
    band.Reset();  // the factory alone holds it
    ++fetching;
  }
  done = true;
  for (std::thread& asker : askers) asker.join();
  EXPECT_NE(factory, nullptr) << "the server stopped serving";
  EXPECT_EQ(wrong_answers, 0);
}

// Each AddRef and Release answers the count that it made itself, even while
// other threads count too: no two answers of a kind are alike.
TEST_F(BandServer, FactoryReferenceCountsAnswerTheirOwnStep) {
  ComPtr<IClassFactory> factory = Factory();
  constexpr int kThreads = 8, kSteps = 50000;
  std::vector<std::vector<ULONG>> added(kThreads), released(kThreads);
  // All threads add, then all threads release: the count only rises, then only falls.
  for (auto* answers : {&added, &released}) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, answers, t] {
        for (int i = 0; i < kSteps; ++i)
          (*answers)[t].push_back(answers == &added ? factory->AddRef() : factory->Release());
      });
    for (std::thread& thread : threads) thread.join();
  }
  for (const auto* answers : {&added, &released}) {
    std::set<ULONG> distinct;
    for (const std::vector<ULONG>& of_thread : *answers)
      distinct.insert(of_thread.begin(), of_thread.end());
    EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kSteps))
        << (answers == &added ? "AddRef" : "Release") << " answered a count twice";
  }
  EXPECT_EQ(factory->AddRef(), 2u);
  EXPECT_EQ(factory->Release(), 1u);
}

// --- a configuration that cannot be read ---

struct PendingCall {
  std::function<HRESULT()> call;
  HRESULT result = E_UNEXPECTED;
};

DWORD WINAPI RunPendingCall(void* pending) {
  static_cast<PendingCall*>(pending)->result = static_cast<PendingCall*>(pending)->call();
  return 0;
}

// An entry point's result, or none when it did not return within the time:
// a call that hangs fails the test instead of holding up the run.
std::optional<HRESULT> ResultWithin(DWORD milliseconds, std::function<HRESULT()> call) {
  PendingCall pending{std::move(call)};
  HANDLE thread = CreateThread(nullptr, 0, &RunPendingCall, &pending, 0, nullptr);
  if (!thread) return std::nullopt;
  const bool returned = WaitForSingleObject(thread, milliseconds) == WAIT_OBJECT_0;
  if (!returned) TerminateThread(thread, 1);  // stuck on a lock that nothing will free
  CloseHandle(thread);
  return returned ? std::optional<HRESULT>(pending.result) : std::nullopt;
}

// The installation's configuration held open without sharing by another
// program, as an editor or a virus scanner may hold it for a while.
class LockedConfiguration : public ::testing::Test {
 protected:
  LockedConfiguration() {
    RemoveAllBandEntries();
    WriteText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", scratch.path());
    WriteText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar Name", "Locked Bar");
    WriteText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar File", "Locked");
    std::ofstream(scratch.File("Locked.ini"), std::ios::binary)
        << "[Options]\r\nToolbar Name=Locked Bar\r\n";
    holder = CreateFileA(scratch.File("Locked.ini").c_str(), GENERIC_READ, 0, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  ~LockedConfiguration() override {
    Release();
    CoUninitialize();
    RemoveAllBandEntries();
  }
  void Release() {
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
    holder = INVALID_HANDLE_VALUE;
  }
  HRESULT GetFactory(BandDll& dll) {
    ComPtr<IClassFactory> factory;
    return dll.GetClassObject(BandClsid(), IID_PPV_ARGS(&factory));
  }

  ScratchDir scratch;
  HANDLE holder = INVALID_HANDLE_VALUE;
};

TEST_F(LockedConfiguration, EveryEntryPointFailsPromptlyWhileTheFileIsHeldAndLoadsOnceItIsNot) {
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  BandDll dll;
  ASSERT_NE(dll.module(), nullptr);
  EXPECT_EQ(GetFactory(dll), E_FAIL);
  const struct {
    const char* name;
    std::function<HRESULT()> call;
    HRESULT expected;
  } later_calls[] = {
      {"DllGetClassObject", [&] { return GetFactory(dll); }, E_FAIL},
      {"DllRegisterServer", [&] { return dll.RegisterServer(); }, E_FAIL},
      {"DllUnregisterServer", [&] { return dll.UnregisterServer(); }, E_FAIL},
      {"DllCanUnloadNow", [&] { return dll.CanUnloadNow(); }, S_OK},
  };
  for (const auto& later : later_calls) {
    const std::optional<HRESULT> result = ResultWithin(10000, later.call);
    ASSERT_TRUE(result.has_value()) << later.name << " did not return";
    EXPECT_EQ(*result, later.expected) << later.name;
  }
  EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kClassKey, nullptr), std::nullopt)
      << "nothing was registered from a configuration that was not read";

  // Released, the load is tried again.
  Release();
  const std::optional<HRESULT> result = ResultWithin(10000, [&] { return GetFactory(dll); });
  ASSERT_TRUE(result.has_value()) << "DllGetClassObject did not return";
  EXPECT_EQ(*result, S_OK);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(dll.GetClassObject(BandClsid(), IID_PPV_ARGS(&factory)), S_OK);
  ComPtr<IPersist> band;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&band)), S_OK);
  CLSID id{};
  EXPECT_EQ(band->GetClassID(&id), S_OK);
  EXPECT_TRUE(IsEqualCLSID(id, BandClsid())) << "the configuration is whole after the retry";
  band.Reset();
  factory.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

// --- registration ---

// The registration entries are the real ones; the test owns them while it runs.
class BandRegistration : public ::testing::Test {
 protected:
  BandRegistration() { RemoveAllBandEntries(); }
  ~BandRegistration() override { RemoveAllBandEntries(); }

  // The installation's values, as an installer writes them before registering.
  static void Install(const std::string& toolbar_name) {
    WriteText(HKEY_LOCAL_MACHINE, kBandKey, "InstallPath", "C:\\Program Files\\Test Toolbar");
    if (!toolbar_name.empty())
      WriteText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar Name", toolbar_name);
    WriteText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar File", "TestBar");
  }

  static void ExpectRegistered(const std::string& toolbar_name, const std::string& server_path) {
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kClassKey, nullptr), toolbar_name);
    EXPECT_EQ(Names(HKEY_CLASSES_ROOT, kClassKey, Listing::Values), std::set<std::string>{""});
    EXPECT_EQ(Names(HKEY_CLASSES_ROOT, kClassKey, Listing::Subkeys),
              (std::set<std::string>{"InprocServer32", "Implemented Categories"}));
    const std::string server_key = kClassKey + "\\InprocServer32";
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, server_key, nullptr), server_path);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, server_key, "ThreadingModel"), "Apartment");
    EXPECT_EQ(Names(HKEY_CLASSES_ROOT, server_key, Listing::Values),
              (std::set<std::string>{"", "ThreadingModel"}));
    const std::string categories = kClassKey + "\\Implemented Categories";
    EXPECT_EQ(Names(HKEY_CLASSES_ROOT, categories, Listing::Subkeys),
              std::set<std::string>{kCategory});
    EXPECT_TRUE(Names(HKEY_CLASSES_ROOT, categories + "\\" + kCategory, Listing::Values).empty());
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kToolbarKey, kBandId), toolbar_name);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kExplorerBars, kBandId), "");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kBandKey, "Date"), Yesterday());
  }
};

TEST_F(BandRegistration, WithoutAToolbarNameTheNamesAreWrittenEmpty) {
  Install("");
  BandDll dll;
  ASSERT_EQ(dll.RegisterServer(), S_OK);
  ExpectRegistered("", ModulePath(dll.module()));
}

TEST_F(BandRegistration, TheNameIsTheOneReadWhenTheModuleWasLoaded) {
  Install("First Name");
  BandDll dll;
  ASSERT_EQ(dll.CanUnloadNow(), S_OK);  // no load step yet
  void* unused = nullptr;
  dll.GetClassObject(CLSID_ShellLink, IID_IClassFactory, &unused);  // the load step runs
  WriteText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar Name", "Second Name");
  ASSERT_EQ(dll.RegisterServer(), S_OK);
  EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kClassKey, nullptr), "First Name");
}

TEST_F(BandRegistration, WritesAndRewritesTheEntriesAndUnregisteringRemovesThemAll) {
  Install("Test Toolbar");
  BandDll dll;
  ASSERT_EQ(dll.RegisterServer(), S_OK);
  ExpectRegistered("Test Toolbar", ModulePath(dll.module()));
  // The installation's values stay as they were.
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kBandKey, "Toolbar File"), "TestBar");
  EXPECT_EQ(Names(HKEY_LOCAL_MACHINE, kBandKey, Listing::Values),
            (std::set<std::string>{"InstallPath", "Toolbar Name", "Toolbar File", "Date"}));

  WriteText(HKEY_LOCAL_MACHINE, kBandKey, "Date", "1/1/2001");
  WriteText(HKEY_CLASSES_ROOT, kClassKey, nullptr, "changed");
  ASSERT_EQ(dll.RegisterServer(), S_OK);
  ExpectRegistered("Test Toolbar", ModulePath(dll.module()));

  WriteText(HKEY_LOCAL_MACHINE, kBandKey + "\\MRUKeywords", "a", "b");
  const std::string enum_key = std::string("Component Categories\\") + kCategory + "\\Enum";
  WriteText(HKEY_CLASSES_ROOT, enum_key, "Implementor", "cached");
  const char kOther[] = "{00000000-0000-0000-0000-000000000001}";
  WriteText(HKEY_LOCAL_MACHINE, kToolbarKey, kOther, "Other");
  for (const char* time : {"unregistered", "unregistered again, when nothing is registered"}) {
    SCOPED_TRACE(time);
    ASSERT_EQ(dll.UnregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, enum_key)) << "the category's cache goes too";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kBandKey));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kToolbarKey, kBandId), std::nullopt);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kExplorerBars, kBandId), std::nullopt);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kToolbarKey, kOther), "Other")
        << "other toolbars stay listed";
  }
  DeleteValue(HKEY_LOCAL_MACHINE, kToolbarKey, kOther);
}

// Registering shows the band in a browser that the registration starts. A
// browser that another program has just let go of may be ending as the
// registration asks for one: the request may reach it as it goes. Another
// thread here starts and lets go of browsers while the band is registered.
TEST_F(BandRegistration, SucceedsWhileBrowsersThatOthersLetGoOfEnd) {
  Install("Test Toolbar");
  BandDll dll;
  std::atomic<bool> registering{true};
  std::atomic<int> started{0};
  std::thread other([&] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    while (registering) {
      ComPtr<IUnknown> browser;
      if (SUCCEEDED(CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER,
                                     IID_PPV_ARGS(&browser))))
        ++started;
    }
    CoUninitialize();
  });
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    EXPECT_EQ(dll.RegisterServer(), S_OK);
  }
  registering = false;
  other.join();
  EXPECT_GT(started.load(), 0) << "the other thread started browsers";
  ExpectRegistered("Test Toolbar", ModulePath(dll.module()));
}

}  // namespace
}  // namespace pq::testing
