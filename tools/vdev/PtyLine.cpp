#include "PtyLine.h"

#include "platform/LineSpeed.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace divuzo::vdev {

namespace {

bool MakeRaw(int fd) {
  struct termios tio {};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

} // namespace

PtyLine::~PtyLine() {
  stopHolding_ = true;
  if (holder_.joinable()) holder_.join();
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

bool PtyLine::Open(std::string& error) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  const char* name = ptsname(master_);
  if (!name) {
    error = "ptsname failed";
    return false;
  }
  slavePath_ = name;
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) {
    error = "cannot open " + slavePath_ + ": " + std::strerror(errno);
    return false;
  }
  // Both directions raw, so bytes pass untouched whatever the host does or does not set.
  if (!MakeRaw(master_) || !MakeRaw(slave_)) {
    error = std::string("cannot set raw mode: ") + std::strerror(errno);
    return false;
  }
  const int flags = fcntl(master_, F_GETFL);
  fcntl(master_, F_SETFL, flags | O_NONBLOCK);
  return true;
}

void PtyLine::HoldPort(long ms) {
  if (slave_ < 0) return;
  stopHolding_ = true;
  if (holder_.joinable()) holder_.join();
  stopHolding_ = false;
  // The device's own descriptor of the slave: the lock is its, not the host's.
  const int fd = fcntl(slave_, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return;
  holder_ = std::thread([this, fd, ms] {
    using Clock = std::chrono::steady_clock;
    // The host holds the lock until it closes the port; take it the moment it is free.
    while (!stopHolding_ && flock(fd, LOCK_EX | LOCK_NB) != 0)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (!stopHolding_ && (ms < 0 || Clock::now() < until))
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    flock(fd, LOCK_UN);
    ::close(fd);
  });
}

void PtyLine::HangUp() {
  // Closing the master is the unplug: the host's reads end and opening the path fails. The
  // slave stays open so that the pseudo-terminal's number is not handed to another device
  // (another test's, say) while this one lives.
  if (master_ >= 0) ::close(master_);
  master_ = -1;
  hungUp_ = true;
}

DeviceIo::TimePoint PtyLine::Now() { return std::chrono::steady_clock::now(); }

void PtyLine::SleepUntil(TimePoint when) { std::this_thread::sleep_until(when); }

void PtyLine::Write(const std::uint8_t* data, std::size_t size) {
  if (master_ < 0) return;
  if (pacing_) {
    const unsigned baud = LineSpeed();
    if (baud > 0)
      std::this_thread::sleep_for(std::chrono::microseconds(size * 10ULL * 1000000ULL / baud));
  }
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(master_, data + done, size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // The host is not reading; give it a while, then drop the rest as a real line would.
      struct pollfd p {master_, POLLOUT, 0};
      if (::poll(&p, 1, 2000) > 0) continue;
    }
    if (onDropped) onDropped();
    return;
  }
}

unsigned PtyLine::LineSpeed() const { return master_ >= 0 ? GetLineSpeed(slave_) : 0; }

} // namespace divuzo::vdev
