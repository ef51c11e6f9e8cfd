#pragma once
// The line to a device, whatever carries it. Every byte the program says to a device or hears
// from it goes through a Link: a serial port (TermiosPort here, a Win32 port on Windows) or the
// in-process link to the virtual device's engine that tests and benchmarks use.
//
// Opening is not part of the interface: OpenSerialLink (or the LinkOpener a DeviceSession was
// given) opens one; whoever opened it owns it and hands it to the code that talks over it.
// A line that went away (adapter unplugged, line hung up) closes itself: IsOpen() turns false,
// LastError().kind is PortError::Kind::Gone and State() says LineState::Lost, so every loop
// that checks the line ends.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace divuzo {

// What went wrong, in a form callers can branch on; `message` is a sentence for the user in
// English (traces, scripts), `textId` the same in the string table (the user's language).
struct PortError {
  enum class Kind { None, PermissionDenied, Busy, NotFound, Gone, Other };
  Kind kind = Kind::None;
  int errnoValue = 0;
  std::string message;
  int textId = 0;
};

// String-table texts of port errors.
inline constexpr int kTextPortPermission = 910;
inline constexpr int kTextPortBusy = 911;
inline constexpr int kTextPortNotFound = 912;
inline constexpr int kTextPortGone = 913;
inline constexpr int kTextPortNotSerial = 914;
inline constexpr int kTextPortOther = 915;

// Time as the line sees it. Real lines run on the steady clock; the in-process link can run on
// a test clock that jumps over the waits, so that long pauses and silent devices cost no time.
class LinkClock {
public:
  using TimePoint = std::chrono::steady_clock::time_point;
  virtual ~LinkClock() = default;
  virtual TimePoint Now() = 0;
  virtual void SleepUntil(TimePoint when) = 0;
  void SleepMs(long ms) {
    if (ms > 0) SleepUntil(Now() + std::chrono::milliseconds(ms));
  }
  // The steady clock and real sleeps.
  static LinkClock& System();
};

enum class LineState { Open, Closed, Lost };

class Link {
public:
  virtual ~Link() = default;

  // Writes all bytes (blocking until the driver took them); -1 on failure.
  virtual long Write(const void* data, std::size_t size) = 0;
  // Up to `count` bytes of what is queued now: 0 when nothing is, -1 when the line is gone
  // or not open. Never waits.
  virtual long Read(void* buffer, std::size_t count) = 0;
  // Waits at most timeoutMs for input; true when bytes can be read (or the line dropped).
  virtual bool WaitReadable(int timeoutMs) = 0;
  // Applies the line settings again at `baud` and reads the rate back; false when it cannot.
  virtual bool Configure(unsigned baud) = 0;
  virtual unsigned Baud() const = 0;
  // Blocks until what was written has gone out on the wire.
  virtual void Drain() = 0;
  // Discards what was received and not read, and what was written and not yet sent.
  virtual void Purge() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual const std::string& Path() const = 0;
  virtual const PortError& LastError() const = 0;
  // The clock of this line: waits and pauses of the code talking over it use it.
  virtual LinkClock& Clock() { return LinkClock::System(); }

  LineState State() const {
    if (IsOpen()) return LineState::Open;
    return LastError().kind == PortError::Kind::Gone ? LineState::Lost : LineState::Closed;
  }
};

// Opens `path` at `baud` as the platform's serial line: exclusive, 8N1 raw, DTR and RTS
// raised, no flow control, reads that return at once. nullptr with `error` filled when it
// cannot.
std::unique_ptr<Link> OpenSerialLink(const std::string& path, unsigned baud, PortError& error);

// How a DeviceSession opens its line; OpenSerialLink unless a test or benchmark gives another.
using LinkOpener =
    std::function<std::unique_ptr<Link>(const std::string& path, unsigned baud, PortError& error)>;

} // namespace divuzo
