#pragma once
#include "platform/clock.h"

namespace pq::win32 {

class Win32Clock final : public Clock {
 public:
  TDateTime Today() override;
  uint64_t Milliseconds() override;
  int64_t SecondsSince1970() override;
};

}  // namespace pq::win32
