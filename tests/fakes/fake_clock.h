#pragma once
#include "platform/clock.h"

namespace pq::fakes {

// A clock that stands still unless a test or a fake moves it.
class FakeClock : public Clock {
 public:
  CalendarDate Today() override { return today; }
  uint64_t Milliseconds() override { return now_ms; }
  void Advance(uint64_t ms) { now_ms += ms; }

  CalendarDate today{2024, 5, 17};
  uint64_t now_ms = 1'000'000;
};

}  // namespace pq::fakes
