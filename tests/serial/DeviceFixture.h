#pragma once
// What the device tests share: the serial channel and the protocol over it, talking to a
// divuzo-vdev each test starts, with the program-wide state reset around every test.
#include "VdevProcess.h"

#include "app/UtilityManager.h"
#include "serial/DeviceProtocol.h"

#include <gtest/gtest.h>

#include <memory>

namespace divuzo::test {

// No pauses around disconnects and speed changes, short sleeps between sentence pieces; each
// test program sets its own polls on top.
inline LinkTiming QuickTiming() {
  LinkTiming t;
  t.pieceSleepMs = 5;
  t.disconnectPauseMs = 0;
  t.speedRestorePauseMs = 0;
  return t;
}

class DeviceFixture : public ::testing::Test {
protected:
  explicit DeviceFixture(const LinkTiming& timing) : protocol{channel, timing} {}
  void SetUp() override { theUtilityManager.Reset(); }
  void TearDown() override {
    channel.Reset();
    portOpen = false;
    theUtilityManager.Reset();
  }

  SerialPort channel;
  DeviceProtocol protocol;
  std::unique_ptr<VdevProcess> vdev;
};

} // namespace divuzo::test
