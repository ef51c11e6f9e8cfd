#pragma once
// What the device tests share: a session talking to a virtual device in the same process,
// on a test clock, so that every wait keeps its production length without costing time.
#include "PauseClock.h"

#include "engine/InProcessDevice.h"
#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"

#include <gtest/gtest.h>

#include <memory>

namespace divuzo::test {

class DeviceFixture : public ::testing::Test {
protected:
  // A new device (the previous one goes); the session's line is not opened yet.
  void NewDevice(const vdev::DeviceOptions& options) {
    session.Reset();
    device = std::make_unique<vdev::InProcessDevice>(options, clock);
    device->Attach(session);
  }
  // A new device with the session's line open on it, as after a port selection.
  void Start(const vdev::DeviceOptions& options) {
    NewDevice(options);
    session.SelectFromLists(device->Path(), -1);
    ASSERT_TRUE(session.portOpen.load()) << session.LastError().message;
  }
  // Virtual milliseconds since `from`.
  long Since(LinkClock::TimePoint from) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - from).count());
  }
  void TearDown() override { session.Reset(); }

  PauseClock clock;
  std::unique_ptr<vdev::InProcessDevice> device;
  DeviceSession session;
  DeviceProtocol& protocol = session.Protocol();
};

} // namespace divuzo::test
