#pragma once
// The serial channel: one port name, one open line and its speed. The update page owns the
// one channel of the program; every other user reaches the line through it.
#include "platform/NativePort.h"
#include "serial/SerialPortList.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <string>

namespace divuzo {

// Whether the last port selection ended with an open port; the sentence senders refuse to
// send while it is false.
extern std::atomic<bool> portOpen;

// Line speeds of the rate list, by index ("4800" ... "115200").
inline constexpr std::array<unsigned, 7> kLineSpeeds{4800, 9600, 14400, 19200, 38400, 57600, 115200};
inline constexpr unsigned kDefaultBaud = 115200;
inline constexpr unsigned kHighSpeedBaud = 921600;
inline constexpr const char* kDefaultPortName = "COM1";

// Bridge names the automatic port choice looks for, in order.
inline constexpr std::array<const char*, 5> kKnownBridgeNames{
    "Prolific USB-to-Serial Comm Port", "Silicon Labs CP210x USB to UART Bridge",
    "USB to UART Bridge", "GPS USB Serial Interface Driver", "LOCOSYS Technology GPS Receiver"};

// Names of the Windows port list ("COM1".."COM99"; ports 10 and up carry the "//.//"
// prefix when opened). Kept for a Windows port layer; on Linux the list is the discovered ports.
std::string ComPortListName(int index);  // index 0 -> "COM1"
std::string ComPortOpenName(int index);  // index 9 -> "//.//COM10"

// The port a list entry stands for: a typed device path is taken as it is; a friendly name
// "Name (/dev/ttyUSB0)" gives the path in its brackets.
std::string PortFromListEntry(const std::string& entry);

class SerialPort {
public:
  SerialPort() = default;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens portName at baudRate: exclusive, 8N1 raw, DTR/RTS raised, no flow control,
  // reads return at once. False when it cannot; LastError() says why in user words.
  bool Open();
  // True at once when a line is open; otherwise Open().
  bool EnsureOpen();
  // Applies the line settings again to the open line at the channel's rate / at 921600.
  // The channel's baudRate is not changed by the high-speed form. False when nothing is open.
  bool Reconfigure();
  bool ReconfigureHighSpeed();
  // Up to `count` bytes of what is queued now (0 when nothing); -1 when the line is gone.
  long Read(void* buffer, std::size_t count);
  // Waits at most timeoutMs for input; true when something can be read.
  bool WaitReadable(int timeoutMs);
  // All bytes, blocking; -1 on failure.
  long Write(const void* buffer, std::size_t count);
  void Purge();
  // Purges and closes; the port name goes back to "COM1". False when nothing was open.
  bool Close();
  // Close, leaving no line open whatever happens.
  void Reset();

  // Port name <- the port of list entry `index` (empty outside the list); a line still open
  // is closed.
  void SelectPortByIndex(int index, const SerialPortList& list);
  // The update page's selection step: port from the selected/typed entry, rate from the
  // rate list index (0..6; anything else keeps the rate), then portOpen = EnsureOpen().
  // A line open on another port is closed first. Always true.
  bool SelectFromLists(const std::string& portEntry, int rateIndex);

  // Automatic port choice: the first listed port whose friendly name contains a known
  // bridge name; its port name is the text in the brackets. Builds the list when none given.
  static bool FindKnownBridgePort(std::string& portNameOut);
  static bool FindKnownBridgePort(const SerialPortList& list, std::string& portNameOut);
  // Confirms that the selected port is a CP210x or Prolific bridge of the list.
  bool ConnectByBridgeName();
  bool ConnectByBridgeName(const SerialPortList& list);

  bool IsOpen() const { return line_.IsOpen(); }
  const PortError& LastError() const { return line_.LastError(); }
  NativePort& Line() { return line_; }

  std::string portName = kDefaultPortName;
  unsigned baudRate = kDefaultBaud;

private:
  bool Apply(unsigned baud);
  NativePort line_;
};

} // namespace divuzo
