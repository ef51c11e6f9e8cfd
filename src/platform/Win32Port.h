#pragma once
// A serial line on the Windows communications functions: the Windows Link, the counterpart of
// TermiosPort (OpenSerialLink opens one). Opens "\\.\COMn" exclusively (no sharing), 8N1 binary,
// DTR/RTS raised and held, no flow control, driver queues of 4096/256 bytes, and time-outs that
// make a read return at once with what is queued (read interval MAXDWORD, every other value 0).
// Input is waited for with the receive-character event (SetCommMask EV_RXCHAR, WaitCommEvent);
// where the driver reports no events, by looking at the input queue every millisecond. A line that
// is lost (the adapter unplugged) is reported as PortError::Kind::Gone and the handle is dropped,
// so every polling loop ends.
#include "platform/Link.h"

#include <cstddef>
#include <memory>
#include <string>

namespace divuzo {

class Win32Port : public Link {
 public:
  Win32Port();
  ~Win32Port() override;
  Win32Port(const Win32Port&) = delete;
  Win32Port& operator=(const Win32Port&) = delete;

  // `path` is a port name ("COM3"), one with the "//.//" prefix of the port list ("//.//COM10")
  // or a device path ("\\.\COM10").
  bool Open(const std::string& path, unsigned baud);
  bool IsOpen() const override;
  // Applies the line settings again with the given rate; reads the rate back.
  bool Configure(unsigned baud) override;
  unsigned Baud() const override { return baud_; }
  // Bytes read (0 when nothing is queued), or -1 when the line is gone or not open.
  long Read(void* buffer, std::size_t count) override;
  // Waits at most timeoutMs for input; true when bytes can be read (or the line dropped).
  bool WaitReadable(int timeoutMs) override;
  // Writes all bytes (blocking until the driver took them); -1 on failure.
  long Write(const void* buffer, std::size_t count) override;
  // Blocks until the output queue has gone out on the wire.
  void Drain() override;
  // Discards both driver queues (PURGE_TXCLEAR | PURGE_RXCLEAR).
  void Purge() override;
  void Close() override;
  const std::string& Path() const override { return path_; }
  const PortError& LastError() const override { return error_; }

 private:
  struct Handles;
  // Bytes waiting in the driver's input queue; -1 when the line is gone.
  long Queued();
  void NoEvents(unsigned long code);
  void SetError(unsigned long code, const char* what, bool opening);
  // Records the error of a failed call on the open line; a lost line closes the port.
  void Failed(const char* what);
  // A failed setting call: a reason to refuse the port while opening, else as Failed.
  void SettingFailed(const char* what);
  std::unique_ptr<Handles> h_;
  bool opening_ = false;
  unsigned baud_ = 0;
  std::string path_;
  PortError error_;
};

// The device path CreateFileW takes for a port name: "COM3" -> "\\.\COM3", "//.//COM10" ->
// "\\.\COM10"; a path that already starts with "\\.\" stays as it is.
std::string Win32PortDevicePath(const std::string& path);

// The one place that turns a Windows error code from opening (`opening`) or using a port into a
// user's words and a kind: access denied when opening means another program holds the port, a
// missing file means there is no such COM port; access denied, an aborted operation, a bad
// command or a device that is not connected while the line is in use mean it was lost.
PortError DescribeWin32PortError(unsigned long code, const std::string& port, bool opening);

}  // namespace divuzo
