#pragma once
// Today's date, and a steady count of milliseconds for deadlines.
#include <cstdint>

namespace pq {

struct CalendarDate {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
};

class Clock {
 public:
  virtual ~Clock() = default;
  // The local date.
  virtual CalendarDate Today() = 0;
  // Milliseconds since an arbitrary start; never goes back.
  virtual uint64_t Milliseconds() = 0;
};

}  // namespace pq
