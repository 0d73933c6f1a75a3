#pragma once
// The module's own manifest (resource 2, which asks for version 6 of the
// common controls) made active around the calls that create common controls.
// A DLL's manifest applies only where its code activates it; a module
// without that resource works with whatever the process has. The manifest
// is read once; every object refers to the same context.
#include <windows.h>

namespace pq::win32 {

class ModuleActivationContext {
 public:
  ModuleActivationContext();
  ~ModuleActivationContext();
  ModuleActivationContext(const ModuleActivationContext&) = delete;
  ModuleActivationContext& operator=(const ModuleActivationContext&) = delete;

  // Active while the scope lives, on the thread that made the scope.
  class Scope {
   public:
    explicit Scope(const ModuleActivationContext& context);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
  };

  bool Loaded() const { return context_ != INVALID_HANDLE_VALUE; }

  // Gives up the process's own reference; contexts still held stay valid.
  // Called when the module is unloaded.
  static void ReleaseShared();

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
};

}  // namespace pq::win32
