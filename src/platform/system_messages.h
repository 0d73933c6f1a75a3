#pragma once
#include <cstdint>
#include <string>

namespace pq {

// The operating system's own message texts for its error codes.
class SystemMessages {
 public:
  virtual ~SystemMessages() = default;
  virtual std::string MessageFor(uint32_t code) = 0;
  // The calling thread's last error code.
  virtual uint32_t LastError() = 0;
};

}  // namespace pq
