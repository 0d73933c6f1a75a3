// Pelliquester.dll as a browser with several frame threads uses it: the
// class factory's server lock taken and given back on threads of different
// apartments, or on a thread without COM, must still let the module go once
// every lock is given back and nothing else is held.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>
#include <wrl/client.h>

#include <thread>

#include "support/band_dll.h"

namespace pq::testing {
namespace {

using Microsoft::WRL::ComPtr;

// How the thread that makes a LockServer call has set up COM.
enum class Apartment { Main, OtherSta, Mta, None };

const char* Name(Apartment apartment) {
  switch (apartment) {
    case Apartment::Main:
      return "the test's own apartment";
    case Apartment::OtherSta:
      return "another frame's apartment";
    case Apartment::Mta:
      return "the multithreaded apartment";
    default:
      return "a thread without COM";
  }
}

// Runs `call` on a thread set up as `apartment`; Main runs it here.
HRESULT RunIn(Apartment apartment, IClassFactory* factory, BOOL lock) {
  if (apartment == Apartment::Main) return factory->LockServer(lock);
  HRESULT result = E_UNEXPECTED;
  std::thread([&] {
    if (apartment == Apartment::OtherSta) CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (apartment == Apartment::Mta) CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    result = factory->LockServer(lock);
    // A frame thread keeps its apartment while the browser runs: it is not
    // torn down here, where a teardown could give back what the lock took.
  }).join();
  return result;
}

struct LockCase {
  Apartment locker;
  Apartment unlocker;
};

// Each case loads the module afresh: a lock that one case leaves behind must
// not decide the next one.
class ServerLock : public ::testing::TestWithParam<LockCase> {
 protected:
  ServerLock() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  // The apartment goes before the module, giving back what it still holds.
  ~ServerLock() override { CoUninitialize(); }

  BandDll dll;
};

// A lock and its unlock, each on a thread of its own kind: once both have
// succeeded and no reference is left, the module may go; a lock that failed
// holds nothing.
TEST_P(ServerLock, AGivenBackOrRefusedLockNeverKeepsTheModuleLoaded) {
  const LockCase& c = GetParam();
  SCOPED_TRACE(std::string("locked in ") + Name(c.locker) + ", unlocked in " + Name(c.unlocker));
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(dll.GetClassObject(BandClsid(), IID_PPV_ARGS(&factory)), S_OK);
  const HRESULT locked = RunIn(c.locker, factory.Get(), TRUE);
  HRESULT unlocked = S_OK;
  if (SUCCEEDED(locked)) {
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE) << "the server is locked";
    unlocked = RunIn(c.unlocker, factory.Get(), FALSE);
  }
  factory.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_OK)
      << "lock answered 0x" << std::hex << locked << ", unlock 0x" << unlocked;
}

INSTANTIATE_TEST_SUITE_P(Threads, ServerLock,
                         ::testing::Values(LockCase{Apartment::Main, Apartment::Main},
                                           LockCase{Apartment::OtherSta, Apartment::OtherSta},
                                           LockCase{Apartment::OtherSta, Apartment::Main},
                                           LockCase{Apartment::Main, Apartment::OtherSta},
                                           LockCase{Apartment::Mta, Apartment::Main},
                                           LockCase{Apartment::Main, Apartment::Mta},
                                           LockCase{Apartment::None, Apartment::None}));

}  // namespace
}  // namespace pq::testing
