#include "platform/LinkWait.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace divuzo {

namespace {
// A cancel is noticed within this long even while the line stays quiet.
constexpr long kCancelCheckMs = 50;
} // namespace

ReceiveBuffer::ReceiveBuffer(const Options& options)
    : options_(options), bytes_(static_cast<char*>(std::calloc(options.capacity + 1, 1))) {
  if (!bytes_) throw std::bad_alloc();
}

void ReceiveBuffer::Clear() {
  std::memset(Data(), 0, std::min(size_ + 8, options_.capacity + 1));
  size_ = 0;
}

void ReceiveBuffer::Consume(std::size_t count) {
  count = std::min(count, size_);
  std::memmove(Data(), Data() + count, size_ - count);
  std::memset(Data() + size_ - count, 0, count);
  size_ -= count;
}

void ReceiveBuffer::Append(const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (options_.dropNul && data[i] == '\0') continue;
    if (size_ == options_.capacity) {
      if (options_.whenFull == WhenFull::StopReading) break;
      Consume(options_.capacity - options_.capacity / 2);
    }
    Data()[size_++] = data[i];
  }
  Data()[size_] = '\0';
}

bool ReceiveBuffer::ReadFrom(Link& link) {
  char chunk[4096];
  const std::size_t want = std::min(options_.chunk, sizeof chunk);
  for (;;) {
    if (options_.whenFull == WhenFull::StopReading && size_ == options_.capacity) return true;
    const std::size_t room = options_.whenFull == WhenFull::StopReading
                                 ? std::min(want, options_.capacity - size_)
                                 : want;
    const long n = link.Read(chunk, room);
    if (n < 0) return false;
    if (n == 0) return true;
    Append(chunk, static_cast<std::size_t>(n));
  }
}

LinkClock::TimePoint DeadlineIn(Link& link, long ms) {
  return link.Clock().Now() + std::chrono::milliseconds(ms);
}

WaitStatus WaitFor(Link& link, ReceiveBuffer& received, LinkClock::TimePoint deadline,
                   const WaitPredicate& done, const CancelToken* cancel) {
  LinkClock& clock = link.Clock();
  for (;;) {
    // A cancel wins over an answer that happens to be there already: the caller asked to stop.
    if (cancel && cancel->Cancelled()) return WaitStatus::Cancelled;
    // What arrived before a line went away is still looked at: the answer may be complete.
    const bool alive = received.ReadFrom(link);
    const bool last = clock.Now() >= deadline;
    if (done(received, last)) return WaitStatus::Ok;
    if (!alive) return WaitStatus::Lost;
    if (last) return WaitStatus::Timeout;
    // Rounded up: a wait of less than a millisecond must still let the clock reach the deadline.
    const long left = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock.Now()).count();
    link.WaitReadable(static_cast<int>(std::clamp<long>(left, 0, kCancelCheckMs)));
  }
}

WaitStatus WaitForByteOf(Link& link, ReceiveBuffer& received, std::string_view wanted,
                         LinkClock::TimePoint deadline, char& found, const CancelToken* cancel,
                         std::size_t* skipped) {
  return WaitFor(
      link, received, deadline,
      [&](ReceiveBuffer& r, bool) {
        const std::string_view text = r.View();
        const std::size_t at = text.find_first_of(wanted);
        const std::size_t dropped = at == std::string_view::npos ? text.size() : at;
        if (skipped) *skipped += dropped;
        if (at == std::string_view::npos) {
          r.Clear();
          return false;
        }
        found = text[at];
        r.Consume(at + 1);
        return true;
      },
      cancel);
}

WaitStatus WaitForBytes(Link& link, ReceiveBuffer& received, std::size_t count,
                        LinkClock::TimePoint deadline, const CancelToken* cancel) {
  return WaitFor(
      link, received, deadline, [count](ReceiveBuffer& r, bool) { return r.Size() >= count; },
      cancel);
}

} // namespace divuzo
