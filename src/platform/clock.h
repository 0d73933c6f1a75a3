#pragma once
// Today's date, and a steady count of milliseconds for deadlines.
#include <cstdint>

#include "platform/date_time.h"

namespace pq {

class Clock {
 public:
  virtual ~Clock() = default;
  // The local date, at midnight.
  virtual TDateTime Today() = 0;
  // Milliseconds since an arbitrary start; never goes back.
  virtual uint64_t Milliseconds() = 0;
};

}  // namespace pq
