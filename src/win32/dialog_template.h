#pragma once
// A dialog template without controls, built in memory: the dialogs of this
// module create their controls themselves, in pixels measured from their fonts
// and the screen's DPI, which a resource template in dialog units cannot say.
#include <windows.h>

#include <vector>

namespace pq::win32 {

class EmptyDialogTemplate {
 public:
  EmptyDialogTemplate(DWORD style, DWORD extended_style) {
    // The header, then empty menu, class and title: three WORDs of zero. A
    // DWORD vector keeps the alignment the dialog manager needs.
    constexpr size_t kWords = (sizeof(DLGTEMPLATE) + 3 * sizeof(WORD) + 3) / sizeof(DWORD);
    storage_.assign(kWords, 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(storage_.data());
    header->style = style;
    header->dwExtendedStyle = extended_style;
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(storage_.data()); }

 private:
  std::vector<DWORD> storage_;
};

}  // namespace pq::win32
