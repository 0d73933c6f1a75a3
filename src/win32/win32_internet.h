#pragma once
#include "platform/internet.h"

namespace pq::win32 {

// The Internet through WinINet, with the system's proxy settings.
class Win32Internet final : public Internet {
 public:
  std::string AgentName() override;
  std::unique_ptr<InternetSession> OpenSession(const std::string& agent,
                                               const InternetTimeouts& timeouts) override;
  uint32_t Canonicalize(const std::string& address, std::string& canonical) override;
  uint32_t AttemptConnect() override;
};

}  // namespace pq::win32
