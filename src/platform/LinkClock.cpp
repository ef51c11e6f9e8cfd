#include "platform/Link.h"

#include <thread>

namespace divuzo {

namespace {

class SystemClock : public LinkClock {
public:
  TimePoint Now() override { return std::chrono::steady_clock::now(); }
  void SleepUntil(TimePoint when) override { std::this_thread::sleep_until(when); }
};

} // namespace

LinkClock& LinkClock::System() {
  static SystemClock clock;
  return clock;
}

} // namespace divuzo
