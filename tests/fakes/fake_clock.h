#pragma once
#include "platform/clock.h"

namespace pq::fakes {

// A clock that stands still unless a test or a fake moves it.
class FakeClock : public Clock {
 public:
  TDateTime Today() override { return today; }
  uint64_t Milliseconds() override { return now_ms; }
  void Advance(uint64_t ms) { now_ms += ms; }

  TDateTime today = TryEncodeDate(2024, 5, 17).value();
  uint64_t now_ms = 1'000'000;
};

}  // namespace pq::fakes
