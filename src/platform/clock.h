#pragma once
// Today's date, a steady count of milliseconds for deadlines, and the time
// of day as every process on the machine reads it.
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
  // Seconds since 1 January 1970, UTC: comparable across processes, but the
  // user may set the clock back.
  virtual int64_t SecondsSince1970() = 0;
};

}  // namespace pq
