#pragma once
#include <atomic>

#include "platform/clock.h"

namespace pq::fakes {

// A clock that stands still unless a test or a fake moves it. The time of day
// moves with the milliseconds; a background update may read it meanwhile.
class FakeClock : public Clock {
 public:
  TDateTime Today() override { return today; }
  uint64_t Milliseconds() override { return now_ms.load(); }
  int64_t SecondsSince1970() override {
    return kStartOfDay + static_cast<int64_t>(now_ms.load() / 1000);
  }
  void Advance(uint64_t ms) { now_ms += ms; }

  // 17 May 2024, 00:00 UTC, at the first millisecond counted.
  static constexpr int64_t kStartOfDay = 1715904000;
  TDateTime today = TryEncodeDate(2024, 5, 17).value();
  std::atomic<uint64_t> now_ms{1'000'000};
};

}  // namespace pq::fakes
