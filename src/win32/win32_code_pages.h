#pragma once
// The system's code pages through kernel32, and their names through MLang.
#include "platform/code_pages.h"

namespace pq::win32 {

class Win32CodePages final : public CodePages {
 public:
  unsigned AnsiCodePage() override;
  // MLang's names where it is installed and COM is up on the calling
  // thread; "windows-NNNN", "cpNNNN" and "utf-8" without it.
  unsigned CodePageNamed(std::string_view name) override;
  std::string ToUtf8(std::string_view bytes, unsigned code_page) override;
  std::optional<std::string> FromUtf8(std::string_view text, unsigned code_page) override;
};

}  // namespace pq::win32
