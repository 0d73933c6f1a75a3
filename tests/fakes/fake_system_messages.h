#pragma once
#include <string>

#include "platform/system_messages.h"

namespace pq::fakes {

// Message texts that name their code, so that tests can tell which one came.
class FakeSystemMessages : public SystemMessages {
 public:
  std::string MessageFor(uint32_t code) override {
    return "system message " + std::to_string(code);
  }
  uint32_t LastError() override { return last_error; }
  uint32_t last_error = 0;
};

}  // namespace pq::fakes
