#include "platform/TermiosPort.h"

#include "platform/LineSpeed.h"
#include "platform/Trace.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace divuzo {

namespace {

// Unix98 pseudo-terminal slaves live on majors 136..143.
bool IsPseudoTerminal(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  const unsigned maj = major(st.st_rdev);
  return maj >= 136 && maj <= 143;
}

// The rates termios names; others go through LineSpeed's numeric path.
speed_t SpeedConstant(unsigned baud) {
  switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
  }
}

// A write that makes no progress for this long is given up (a wedged adapter must not hang us).
constexpr int kWriteStallMs = 10000;

} // namespace

TermiosPort::~TermiosPort() { Close(); }

std::unique_ptr<Link> OpenSerialLink(const std::string& path, unsigned baud, PortError& error) {
  auto port = std::make_unique<TermiosPort>();
  if (!port->Open(path, baud)) {
    error = port->LastError();
    return nullptr;
  }
  error = PortError{};
  return port;
}

void TermiosPort::SetError(int err, const std::string& what) {
  error_ = DescribePortError(err, path_);
  TraceF("serial %s %s: %s", what.c_str(), path_.c_str(), std::strerror(err));
}

bool TermiosPort::Open(const std::string& path, unsigned baud) {
  Close();
  path_ = path;
  error_ = PortError{};
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetError(errno, "open");
    return false;
  }
  if (!isatty(fd)) {
    const int err = errno == 0 ? ENOTTY : errno;
    ::close(fd);
    SetError(err == EINVAL ? ENOTTY : err, "isatty");
    return false;
  }
  // Two conventions keep other programs away: advisory flock (used by most serial tools)
  // and the tty's own exclusive mode (refuses further opens by non-root processes).
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    SetError(err == EWOULDBLOCK ? EBUSY : err, "flock");
    return false;
  }
  if (ioctl(fd, TIOCEXCL) != 0) {
    const int err = errno;
    ::close(fd);
    SetError(err, "TIOCEXCL");
    return false;
  }
  fd_ = fd;
  if (!Configure(baud)) {
    const PortError kept = error_;
    Close();
    error_ = kept;
    return false;
  }
  // DTR and RTS raised and held; pseudo-terminals have no modem lines and refuse this.
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (ioctl(fd_, TIOCMBIS, &lines) != 0) {
    const int err = errno;
    if (!((err == ENOTTY || err == EINVAL) && IsPseudoTerminal(fd_))) {
      Close();
      SetError(err, "TIOCMBIS");
      return false;
    }
  }
  TraceF("serial open %s at %u baud", path_.c_str(), baud_);
  return true;
}

bool TermiosPort::Configure(unsigned baud) {
  if (fd_ < 0) return false;
  struct termios tio {};
  if (tcgetattr(fd_, &tio) != 0) {
    SetError(errno, "tcgetattr");
    return false;
  }
  cfmakeraw(&tio);
  tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | ISTRIP);
  // VMIN 1 with O_NONBLOCK: no data gives EAGAIN, so read() == 0 can only mean hang-up.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  const speed_t named = SpeedConstant(baud);
  if (named != B0) {
    cfsetispeed(&tio, named);
    cfsetospeed(&tio, named);
  }
  if (tcsetattr(fd_, TCSANOW, &tio) != 0) {
    SetError(errno, "tcsetattr");
    return false;
  }
  if (named == B0 && !SetLineSpeed(fd_, baud)) {
    SetError(errno, "set speed");
    return false;
  }
  const unsigned actual = GetLineSpeed(fd_);
  // Drivers round to the nearest rate their clock can make; more than 3% off is unusable.
  const unsigned diff = actual > baud ? actual - baud : baud - actual;
  if (actual == 0 || diff * 100 > baud * 3) {
    error_ = PortError{PortError::Kind::Other, EINVAL,
                       path_ + " does not support " + std::to_string(baud) + " baud.",
                       kTextPortOther};
    TraceF("serial speed %s: asked %u, got %u", path_.c_str(), baud, actual);
    return false;
  }
  baud_ = actual;
  return true;
}

long TermiosPort::Read(void* buffer, std::size_t count) {
  if (fd_ < 0) return -1;
  if (count == 0) return 0;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, count);
    if (n > 0) {
      TraceBytes("<<", buffer, static_cast<std::size_t>(n));
      return static_cast<long>(n);
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    // read() == 0 (hang-up), EIO, ENODEV or anything else: the line is gone.
    const int err = n == 0 ? EIO : errno;
    Close();
    SetError(err == ENODEV ? EIO : err, "read");
    return -1;
  }
}

bool TermiosPort::WaitReadable(int timeoutMs) {
  if (fd_ < 0) return false;
  struct pollfd p {fd_, POLLIN, 0};
  for (;;) {
    const int r = ::poll(&p, 1, timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    return r > 0;
  }
}

long TermiosPort::Write(const void* buffer, std::size_t count) {
  if (fd_ < 0) return -1;
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, bytes + done, count - done);
    if (n > 0) {
      TraceBytes(">>", bytes + done, static_cast<std::size_t>(n));
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      struct pollfd p {fd_, POLLOUT, 0};
      const int r = ::poll(&p, 1, kWriteStallMs);
      if (r < 0 && errno == EINTR) continue;
      if (r == 0) {
        SetError(ETIMEDOUT, "write");
        return -1;
      }
      if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
        Close();
        SetError(EIO, "write");
        return -1;
      }
      continue;
    }
    const int err = n == 0 ? EIO : errno;
    if (err == EIO || err == ENODEV) {
      Close();
      SetError(EIO, "write");
    } else {
      SetError(err, "write");
    }
    return -1;
  }
  return static_cast<long>(done);
}

void TermiosPort::Drain() {
  if (fd_ < 0) return;
  while (tcdrain(fd_) != 0 && errno == EINTR) {
  }
}

void TermiosPort::Purge() {
  if (fd_ < 0) return;
  tcflush(fd_, TCIOFLUSH);
}

void TermiosPort::Close() {
  if (fd_ < 0) return;
  // Exclusive mode outlives close on pseudo-terminals: clear it first.
  ioctl(fd_, TIOCNXCL);
  flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
  TraceF("serial close %s", path_.c_str());
}

} // namespace divuzo
