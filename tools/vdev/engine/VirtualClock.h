#pragma once
// A clock for tests: time stands still until someone waits, and a wait moves it on at once.
// A device that stays silent for 60 polls of 38 ms, or the 2000 ms pauses of an update, then
// cost no wall time, while the order and length of every wait stay as the code asks.
#include "platform/Link.h"

#include <mutex>

namespace divuzo::vdev {

class VirtualClock : public LinkClock {
public:
  TimePoint Now() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
  }
  void SleepUntil(TimePoint when) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (when > now_) now_ = when;
  }
  // Time waited since the clock was made.
  std::chrono::milliseconds Elapsed() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Now() - start_);
  }

private:
  std::mutex mutex_;
  // Any fixed point will do; the steady clock's epoch plus a day keeps arithmetic positive.
  TimePoint start_ = TimePoint{} + std::chrono::hours(24);
  TimePoint now_ = start_;
};

} // namespace divuzo::vdev
