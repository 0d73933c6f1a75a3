#include "win32/window_classes.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <mutex>

#include "win32/activation_context.h"

namespace pq::win32 {
namespace {

// What the window makes while the manifest is active: the toolbar and its
// tips, the banner, the search box and the parts of its list. The dialogs
// make theirs in the browser's own context.
const wchar_t* const kClasses[] = {TOOLBARCLASSNAMEW, TOOLTIPS_CLASSW, L"Static",
                                   L"ComboBox",       L"ComboLBox",    L"Edit"};

}  // namespace

void PrepareSystemWindowClasses() {
  static std::mutex preparing;
  static bool prepared = false;
  const std::lock_guard<std::mutex> hold(preparing);
  if (prepared) return;
  // The classes that the module's windows get are those of its manifest.
  const ModuleActivationContext manifest;
  const ModuleActivationContext::Scope active(manifest);
  INITCOMMONCONTROLSEX common{sizeof common, ICC_BAR_CLASSES};
  InitCommonControlsEx(&common);
  // Asking for a class registers it when the system registers it on demand.
  for (const wchar_t* name : kClasses) {
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    GetClassInfoExW(nullptr, name, &known);
  }
  prepared = true;
}

}  // namespace pq::win32
