#pragma once
// Discovery of the serial ports the system knows, each with the name a user recognises
// ("Silicon Labs CP210x USB to UART Bridge (/dev/ttyUSB0)"). Nothing here talks to a device.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace divuzo {

struct SerialPortInfo {
  std::string devicePath;   // what open() takes: /dev/ttyUSB0, /dev/pts/3; \\.\COM3 on Windows
  std::string portName;     // the name the port lists use: COM3; on Linux the device path as well
  std::string friendlyName; // shown to the user; known bridges end in "(" port name ")"
  std::int32_t usb = 0;     // non-zero when the port sits on USB
  std::string description;  // device description; derived from the friendly name when none
};

using SerialPortList = std::vector<SerialPortInfo>;

// Raised by ListSerialPorts; what() is the message for the user.
class PortDiscoveryError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Empties `list` and fills it. On Linux: the tty ports found by udev (real serial hardware and
// USB bridges; consoles and unused 8250 slots are left out) followed by the virtual ports
// announced by divuzo-vdev. On Windows: the COM ports SetupAPI knows, with the friendly names
// Windows gives them ("Silicon Labs CP210x USB to UART Bridge (COM3)"). With ignoreBusyPorts,
// ports that cannot be opened now are dropped. Throws PortDiscoveryError when the system's
// device list cannot be read.
void ListSerialPorts(SerialPortList& list, bool ignoreBusyPorts);

// The post-pass every list goes through: empty friendly name <- port name; empty
// description <- friendly name, cut before a trailing " (...)" ("USB Serial Port (COM4)"
// -> "USB Serial Port").
void FinishPortEntry(SerialPortInfo& entry);

// The post-pass over a whole list: with ignoreBusyPorts the ports that cannot be opened now are
// dropped; every other entry gets FinishPortEntry.
void FinishPortList(SerialPortList& list, bool ignoreBusyPorts);

// True when the port at `devicePath` can be opened for reading and writing now, by nobody else.
bool CanOpenPortNow(const std::string& devicePath);

// The friendly name for a tty from what udev says about it. `driver` is the USB interface's
// driver (cp210x, pl2303, ftdi_sio, cdc_acm, ...), `vendorId` the USB vendor id as udev
// writes it ("10c4"); either may be empty.
std::string MakeFriendlyName(const std::string& driver, const std::string& vendorId,
                             const std::string& manufacturer, const std::string& product,
                             const std::string& path);

// The text strictly between the first "(" and the first ")" of a friendly name; empty when
// either is missing or they are out of order.
std::string PortNameFromFriendlyName(const std::string& friendlyName);

} // namespace divuzo
