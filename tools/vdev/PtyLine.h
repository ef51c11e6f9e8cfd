#pragma once
// The pseudo-terminal the virtual device serves, and its DeviceIo: writes to the master, the
// line speed the host set on the slave, real time.
#include "engine/DeviceIo.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace divuzo::vdev {

class PtyLine : public DeviceIo {
public:
  PtyLine() = default;
  ~PtyLine() override;
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  // Opens the master, makes both sides raw and keeps a slave descriptor of our own so the
  // line stays up while the host closes and reopens it. False with a message on failure.
  bool Open(std::string& error);
  const std::string& SlavePath() const { return slavePath_; }
  int MasterFd() const { return master_; }
  bool HungUp() const { return hungUp_; }

  void Write(const std::uint8_t* data, std::size_t size) override;
  using DeviceIo::Write;
  unsigned LineSpeed() const override;
  void SetPacing(bool on) override { pacing_ = on; }
  TimePoint Now() override;
  void SleepUntil(TimePoint when) override;
  // Closes both sides: the host sees the line hang up.
  void HangUp() override;
  // Takes the advisory lock the host's port takes, as soon as the host has let go of it, and
  // keeps it for `ms` (negative: until the device stops).
  void HoldPort(long ms) override;

  // Called when output is dropped because the host does not read (for the log).
  std::function<void()> onDropped;

private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
  bool pacing_ = false;
  bool hungUp_ = false;
  std::thread holder_;
  std::atomic<bool> stopHolding_{false};
};

} // namespace divuzo::vdev
