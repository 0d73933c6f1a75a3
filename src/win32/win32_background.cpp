#include "win32/win32_background.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <utility>

namespace pq::win32 {
namespace {

std::atomic<long> running{0};

struct Worker {
  std::function<void()> work;
  HMODULE module = nullptr;
};

DWORD WINAPI WorkerMain(void* parameter) {
  HMODULE module;
  {
    std::unique_ptr<Worker> worker(static_cast<Worker*>(parameter));
    module = worker->module;
    try {
      worker->work();
    } catch (...) {
      // Nothing is left to tell; the work keeps its own outcome.
    }
  }
  // Once the count is down the module may be unloaded by its users; the
  // reference taken at the start keeps its code mapped until the call below
  // drops it and ends the thread without returning here.
  running.fetch_sub(1);
  FreeLibraryAndExitThread(module, 0);
}

}  // namespace

bool Win32Background::Start(std::function<void()> work) {
  auto worker = std::make_unique<Worker>();
  worker->work = std::move(work);
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&WorkerMain), &worker->module))
    return false;
  running.fetch_add(1);
  const HMODULE module = worker->module;
  HANDLE thread = CreateThread(nullptr, 0, WorkerMain, worker.get(), 0, nullptr);
  if (!thread) {
    running.fetch_sub(1);
    FreeLibrary(module);
    return false;
  }
  worker.release();
  CloseHandle(thread);
  return true;
}

long Win32Background::Running() { return running.load(); }

}  // namespace pq::win32
