#pragma once
// The virtual device's side of the line: how the engine talks back, and what it knows of the
// line. The pseudo-terminal front end (PtyLine) and the in-process link each implement it.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace divuzo::vdev {

class DeviceIo {
public:
  using TimePoint = std::chrono::steady_clock::time_point;
  virtual ~DeviceIo() = default;
  // Writes bytes to the host as they are (no fault options applied).
  virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
  void Write(std::string_view text) {
    Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  }
  // The line speed the host set on the port (0 when unknown).
  virtual unsigned LineSpeed() const = 0;
  // When on, writes take the time the bytes would need on a real line at LineSpeed().
  virtual void SetPacing(bool on) = 0;
  // One line in the device's log (the engine keeps the log; front ends need not).
  virtual void Log(std::string_view line) { (void)line; }
  // The device's time, and waiting on it: what is written after a wait reaches the host no
  // earlier than that. The pseudo-terminal sleeps; the in-process link moves its time on.
  virtual TimePoint Now() = 0;
  virtual void SleepUntil(TimePoint when) = 0;
  void SleepMs(long ms) { SleepUntil(Now() + std::chrono::milliseconds(ms)); }
  // Like pulling the cable: the host sees the line go away.
  virtual void HangUp() = 0;
  // Like another program taking the port for a moment: from now (or, while the host still has
  // it open, from when it closes it) the host cannot open the port for `ms` milliseconds
  // (for good when `ms` is negative).
  virtual void HoldPort(long ms) { (void)ms; }
};

} // namespace divuzo::vdev
