// The module's entry points. The component loads its configuration once per
// process, at the first entry point call rather than under the loader lock.
#include <olectl.h>
#include <windows.h>

#include <memory>
#include <mutex>

#include "band/band_factory.h"
#include "band/band_window.h"
#include "band/com_server.h"
#include "config/toolbar_config.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "win32/win32_clock.h"
#include "win32/win32_internet.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_user_interface.h"

namespace pq::band {
namespace {

struct ModuleState {
  win32::Win32Registry registry;
  win32::Win32SystemMessages messages;
  win32::Win32FileSystem files;
  win32::Win32Internet internet;
  win32::Win32UserInterface ui;
  win32::Win32Clock clock;
  Platform platform;
  std::unique_ptr<ComServer> server;
  std::unique_ptr<TTarnwickFactory> factory;
};

HMODULE module_handle = nullptr;
std::once_flag load_once;
// Freed when the module is unloaded; left to the system when the process ends.
ModuleState* state = nullptr;

// Server object, configuration, class factory: in this order.
void Load() {
  auto loaded = std::make_unique<ModuleState>();
  loaded->platform.registry = &loaded->registry;
  loaded->platform.messages = &loaded->messages;
  loaded->platform.internet = &loaded->internet;
  loaded->platform.ui = &loaded->ui;
  loaded->platform.clock = &loaded->clock;
  InstallFileSystem(&loaded->files);
  loaded->server = std::make_unique<ComServer>(module_handle);
  LoadToolbarConfig(loaded->platform);
  loaded->factory = std::make_unique<TTarnwickFactory>(*loaded->server, loaded->platform);
  state = loaded.release();
}

ComServer& LoadedServer() {
  std::call_once(load_once, Load);
  return *state->server;
}

// The reverse of Load.
void Unload() {
  ClearToolbarConfig();
  if (state) {
    state->factory.reset();
    state->server.reset();
    delete state;
    state = nullptr;
  }
  InstallFileSystem(nullptr);
  BandWindow::UnregisterWindowClass(module_handle);
}

}  // namespace

ComServer* Server() { return state ? state->server.get() : nullptr; }

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
  try {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    pq::band::ComObjectFactory* factory = LoadedServer().FindFactory(class_id);
    if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(riid, ppv);
  } catch (...) {
    return E_FAIL;
  }
}

STDAPI DllCanUnloadNow() {
  try {
    pq::band::ComServer* server = pq::band::Server();
    return !server || server->CanUnload() ? S_OK : S_FALSE;
  } catch (...) {
    return E_FAIL;
  }
}

STDAPI DllRegisterServer() {
  try {
    LoadedServer().UpdateRegistry(true);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

STDAPI DllUnregisterServer() {
  try {
    LoadedServer().UpdateRegistry(false);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}
