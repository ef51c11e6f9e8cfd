#pragma once
// A serial line on termios: the one place that talks to /dev/tty* and pseudo-terminals.
// Opens exclusive (flock + TIOCEXCL), 8N1 raw, DTR/RTS raised, no flow control; any rate,
// 921600 included. Reads return at once with what is queued. When the line is gone
// (read 0 on a tty, EIO, ENODEV) the handle is dropped, so every polling loop ends.
#include "platform/Link.h"

#include <cstddef>
#include <string>

namespace divuzo {

class TermiosPort : public Link {
public:
  TermiosPort() = default;
  ~TermiosPort() override;
  TermiosPort(const TermiosPort&) = delete;
  TermiosPort& operator=(const TermiosPort&) = delete;

  bool Open(const std::string& path, unsigned baud);
  bool IsOpen() const override { return fd_ >= 0; }
  // Applies the line settings again with the given rate; reads the rate back.
  bool Configure(unsigned baud) override;
  unsigned Baud() const override { return baud_; }
  // Bytes read (0 when nothing is queued), or -1 when the line is gone or not open.
  long Read(void* buffer, std::size_t count) override;
  // Waits at most timeoutMs for input; true when bytes can be read (or the line dropped).
  bool WaitReadable(int timeoutMs) override;
  // Writes all bytes (blocking until the kernel took them); -1 on failure.
  long Write(const void* buffer, std::size_t count) override;
  // Blocks until the output queue has gone out on the wire.
  void Drain() override;
  void Purge() override;
  void Close() override;
  const std::string& Path() const override { return path_; }
  int Fd() const { return fd_; }
  const PortError& LastError() const override { return error_; }

private:
  void SetError(int err, const std::string& what);
  int fd_ = -1;
  unsigned baud_ = 0;
  std::string path_;
  PortError error_;
};

// One place that turns errno from opening/using a port into a user's words.
PortError DescribePortError(int err, const std::string& path);

} // namespace divuzo
