#pragma once
// A test clock (engine/VirtualClock.h) that also writes down every pause: each wait longer
// than the waiting loop's own slices (50 ms), in milliseconds, in order. The pauses an update
// makes, or the 1000 ms before a goodbye, can then be checked without being waited for.
#include "engine/VirtualClock.h"

#include <mutex>
#include <vector>

namespace divuzo::test {

class PauseClock : public vdev::VirtualClock {
public:
  void SleepUntil(TimePoint when) override {
    const long ms = std::chrono::duration_cast<std::chrono::milliseconds>(when - Now()).count();
    if (ms > 50) {
      std::lock_guard<std::mutex> lock(mutex_);
      pauses_.push_back(ms);
    }
    VirtualClock::SleepUntil(when);
  }
  std::vector<long> Pauses() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pauses_;
  }
  void ClearPauses() {
    std::lock_guard<std::mutex> lock(mutex_);
    pauses_.clear();
  }

private:
  std::mutex mutex_;
  std::vector<long> pauses_;
};

} // namespace divuzo::test
