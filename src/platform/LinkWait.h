#pragma once
// The one waiting loop of every conversation with a device: read what arrives into a buffer
// that joins the pieces, and ask a predicate after every read whether what came so far is the
// awaited answer; stop at a deadline, when the line goes, or when the work is cancelled.
// The sentence senders, the Bluetooth address steps and the boot-ROM host all wait here.
#include "platform/CancelToken.h"
#include "platform/Link.h"

#include <cstddef>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace divuzo {

// Bytes received since the last Clear, in arrival order, always followed by a NUL so that
// sentence scanners can treat them as text. Reads that bring a reply in pieces are joined.
class ReceiveBuffer {
public:
  enum class WhenFull {
    StopReading,  // keep the first `capacity` bytes; what comes later stays in the line
    KeepTail,     // drop the oldest bytes, keeping the newest half
  };
  struct Options {
    std::size_t capacity = 64 * 1024;
    WhenFull whenFull = WhenFull::StopReading;
    bool dropNul = false;     // NUL bytes are left out (text that must stay one string)
    std::size_t chunk = 80;   // bytes taken from the line per read call
  };
  ReceiveBuffer() : ReceiveBuffer(Options{}) {}
  explicit ReceiveBuffer(const Options& options);

  char* Data() { return bytes_.get(); }
  const char* Data() const { return bytes_.get(); }
  std::size_t Size() const { return size_; }
  std::string_view View() const { return {bytes_.get(), size_}; }
  const Options& Settings() const { return options_; }

  // Forgets what was received; the used part is zeroed again.
  void Clear();
  // Drops the first `count` bytes.
  void Consume(std::size_t count);
  void Append(const char* data, std::size_t size);
  // Reads everything the line has queued now; false when the line is gone.
  bool ReadFrom(Link& link);

private:
  Options options_;
  struct Free {
    void operator()(char* p) const { std::free(p); }
  };
  // capacity + 1 bytes, NUL after the last byte. Allocated zeroed by the system, so that a
  // large buffer costs memory only as far as it is used.
  std::unique_ptr<char, Free> bytes_;
  std::size_t size_ = 0;
};

enum class WaitStatus { Ok, Timeout, Lost, Cancelled };

// Called after every read with all bytes received so far; `last` is true for the look after
// the deadline has passed (a caller may then take a partial answer). True: the wait is over.
// The predicate may consume bytes from the buffer.
using WaitPredicate = std::function<bool(ReceiveBuffer& received, bool last)>;

// Reads at once, then whenever bytes arrive, until `done` says so (Ok), the deadline passes
// (Timeout), the line goes (Lost; what arrived before is still offered to `done`) or `cancel`
// is set (Cancelled, looked at before every read).
// Time is the link's clock.
WaitStatus WaitFor(Link& link, ReceiveBuffer& received, LinkClock::TimePoint deadline,
                   const WaitPredicate& done, const CancelToken* cancel = nullptr);

// The deadline `ms` milliseconds from now on the link's clock.
LinkClock::TimePoint DeadlineIn(Link& link, long ms);

// Waits for the first byte that is one of `wanted` (single-character replies): the bytes
// before it are dropped (and counted in *skipped when given), the byte itself is taken out of
// `received` and put in `found`; what came after it stays for the next wait.
WaitStatus WaitForByteOf(Link& link, ReceiveBuffer& received, std::string_view wanted,
                         LinkClock::TimePoint deadline, char& found,
                         const CancelToken* cancel = nullptr, std::size_t* skipped = nullptr);

// Waits until `received` holds at least `count` bytes (a block of a known length).
WaitStatus WaitForBytes(Link& link, ReceiveBuffer& received, std::size_t count,
                        LinkClock::TimePoint deadline, const CancelToken* cancel = nullptr);

} // namespace divuzo
