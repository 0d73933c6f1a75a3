// The module's entry points. The component loads its configuration at the
// first entry point call rather than under the loader lock, once per process
// unless loading fails.
#include <olectl.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "band/band_factory.h"
#include "band/com_server.h"
#include "config/toolbar_config.h"
#include "platform/date_time.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "win32/activation_context.h"
#include "win32/com_support.h"
#include "win32/toolbar_window.h"
#include "win32/win32_background.h"
#include "win32/win32_browsing_mode.h"
#include "win32/user_locale.h"
#include "win32/win32_clock.h"
#include "win32/win32_desktop.h"
#include "win32/win32_internet.h"
#include "win32/win32_registry.h"
#include "win32/win32_signature_verifier.h"
#include "win32/win32_code_pages.h"
#include "win32/win32_system.h"
#include "win32/win32_user_interface.h"

namespace pq::band {
namespace {

struct ModuleState {
  win32::Win32Registry registry;
  win32::Win32SystemMessages messages;
  win32::Win32FileSystem files;
  win32::Win32CodePages code_pages;
  win32::Win32Internet internet;
  win32::Win32UserInterface ui;
  win32::Win32Clock clock;
  win32::Win32Desktop desktop;
  win32::Win32SignatureVerifier verifier;
  win32::Win32Background background;
  win32::Win32BrowsingMode browsing_mode;
  Platform platform;
  std::unique_ptr<ComServer> server;
  std::unique_ptr<TTarnwickFactory> factory;
};

HMODULE module_handle = nullptr;
// Lets one thread at a time load; readers of a loaded state need no lock.
std::mutex load_lock;
// Published only once whole. Freed when the module is unloaded; left to the
// system when the process ends.
std::atomic<ModuleState*> state{nullptr};

// Server object, configuration, class factory: in this order. A load that
// fails leaves nothing behind, no half-filled configuration and no service
// pointing into the discarded state, and the next entry point call tries
// again: a configuration file that an editor or a scanner holds for a moment
// must not disable the toolbar until the browser restarts.
ModuleState* Load() noexcept {
  std::unique_ptr<ModuleState> loaded;
  try {
    loaded = std::make_unique<ModuleState>();
    loaded->platform.registry = &loaded->registry;
    loaded->platform.messages = &loaded->messages;
    loaded->platform.internet = &loaded->internet;
    loaded->platform.ui = &loaded->ui;
    loaded->platform.clock = &loaded->clock;
    loaded->platform.desktop = &loaded->desktop;
    loaded->platform.verifier = &loaded->verifier;
    loaded->platform.background = &loaded->background;
    loaded->platform.browsing_mode = &loaded->browsing_mode;
    // Typed INI values are read and written in the user's regional forms.
    UserFormatSettings() = win32::LocaleFormatSettings(LOCALE_USER_DEFAULT);
    InstallFileSystem(&loaded->files);
    InstallCodePages(&loaded->code_pages);
    loaded->server = std::make_unique<ComServer>(module_handle);
    LoadToolbarConfig(loaded->platform);
    loaded->factory = std::make_unique<TTarnwickFactory>(*loaded->server, loaded->platform);
    return loaded.release();
  } catch (...) {
    InstallFileSystem(nullptr);
    InstallCodePages(nullptr);
    ClearToolbarConfig();
    return nullptr;
  }
}

// The loaded state, loading it first if need be; null when loading failed.
ModuleState* LoadedState() {
  if (ModuleState* loaded = state.load(std::memory_order_acquire)) return loaded;
  std::lock_guard<std::mutex> lock(load_lock);
  ModuleState* loaded = state.load(std::memory_order_acquire);
  if (!loaded) {
    loaded = Load();
    state.store(loaded, std::memory_order_release);
  }
  return loaded;
}

ComServer* LoadedServer() {
  ModuleState* loaded = LoadedState();
  return loaded ? loaded->server.get() : nullptr;
}

// The reverse of Load. Runs when the module is freed, when no entry point
// call can be under way.
void Unload() {
  ClearToolbarConfig();
  if (ModuleState* loaded = state.exchange(nullptr)) {
    loaded->factory.reset();
    loaded->server.reset();
    delete loaded;
  }
  InstallFileSystem(nullptr);
  InstallCodePages(nullptr);
  win32::ToolbarWindow::UnregisterWindowClasses();
  win32::ModuleActivationContext::ReleaseShared();
}

// Writes (true) or removes (false) the server's registry entries.
HRESULT UpdateRegistration(bool register_server) {
  return win32::Guarded([=] {
    ComServer* server = LoadedServer();
    if (!server) return E_FAIL;
    server->UpdateRegistry(register_server);
    return S_OK;
  });
}

}  // namespace

ComServer* Server() {
  ModuleState* loaded = state.load(std::memory_order_acquire);
  return loaded ? loaded->server.get() : nullptr;
}

}  // namespace pq::band

using pq::band::LoadedServer;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      pq::band::module_handle = instance;
      break;
    case DLL_PROCESS_DETACH:
      // At process exit other threads are gone and the system reclaims everything.
      if (!reserved) pq::band::Unload();
      break;
    default:
      break;
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID class_id, REFIID riid, LPVOID* ppv) {
  return pq::win32::Guarded([&]() -> HRESULT {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    pq::band::ComServer* server = LoadedServer();
    if (!server) return E_FAIL;
    pq::band::ComObjectFactory* factory = server->FindFactory(class_id);
    if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(riid, ppv);
  });
}

STDAPI DllCanUnloadNow() {
  return pq::win32::Guarded([] {
    pq::band::ComServer* server = pq::band::Server();
    // A toolbar window's code lives in this module: it must stay loaded while
    // one exists, even one whose band was released without closing it.
    if (pq::win32::ToolbarWindow::WindowCount() > 0) return S_FALSE;
    // So must the accessible views of them that clients still hold.
    if (pq::win32::ChevronAccessible::Live() > 0) return S_FALSE;
    const bool unused = !server || server->CanUnload();
    // An update in the background keeps the module loaded by itself; once no
    // one else uses the module, it is told to stop instead of finishing a
    // download whose configuration no window will read.
    if (pq::win32::Win32Background::Running() > 0) {
      if (unused) pq::CancelConfigUpdate();
      return S_FALSE;
    }
    return unused ? S_OK : S_FALSE;
  });
}

STDAPI DllRegisterServer() { return pq::band::UpdateRegistration(true); }

STDAPI DllUnregisterServer() { return pq::band::UpdateRegistration(false); }
