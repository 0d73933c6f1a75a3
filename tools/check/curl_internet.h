#pragma once
// The Internet port through libcurl, for the check on Linux. Addresses have
// no canonical form here: they are taken as written.
#include "platform/internet.h"

namespace pq::check {

class CurlInternet final : public Internet {
 public:
  CurlInternet();
  ~CurlInternet() override;
  CurlInternet(const CurlInternet&) = delete;
  CurlInternet& operator=(const CurlInternet&) = delete;

  std::string AgentName() override { return "pqcheck"; }
  std::unique_ptr<InternetSession> OpenSession(const std::string& agent,
                                               const InternetTimeouts& timeouts) override;
  uint32_t Canonicalize(const std::string& address, std::string& canonical) override;
  uint32_t AttemptConnect() override { return 0; }
};

}  // namespace pq::check
