#include "win32/window_classes.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <mutex>

#include "win32/activation_context.h"

namespace pq::win32 {
namespace {

// The dock, the toolbar and its tips; the banner; the search box and the
// parts of its list; the dialogs' controls.
const char* const kClasses[] = {REBARCLASSNAMEA, TOOLBARCLASSNAMEA, TOOLTIPS_CLASSA, "Static",
                                "ComboBox",      "ComboLBox",       "Edit",          "ListBox",
                                "Button",        "ScrollBar"};

}  // namespace

void PrepareSystemWindowClasses() {
  static std::mutex preparing;
  static bool prepared = false;
  const std::lock_guard<std::mutex> hold(preparing);
  if (prepared) return;
  // The classes that the module's windows get are those of its manifest.
  const ModuleActivationContext manifest;
  const ModuleActivationContext::Scope active(manifest);
  INITCOMMONCONTROLSEX common{sizeof common, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
  InitCommonControlsEx(&common);
  // Asking for a class registers it when the system registers it on demand.
  for (const char* name : kClasses) {
    WNDCLASSEXA known{};
    known.cbSize = sizeof known;
    GetClassInfoExA(nullptr, name, &known);
  }
  prepared = true;
}

}  // namespace pq::win32
