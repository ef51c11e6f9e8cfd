#pragma once
// Which port the device is on: the line speeds of the rate list, the names of the port list,
// the automatic choice of a known USB-to-serial bridge, and the bridge check.
#include "serial/SerialPortList.h"

#include <array>
#include <string>

namespace divuzo {

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

// Automatic port choice: the first listed port whose friendly name contains a known bridge
// name; its port name is the text in the brackets. Builds the list when none is given.
bool FindKnownBridgePort(std::string& portNameOut);
bool FindKnownBridgePort(const SerialPortList& list, std::string& portNameOut);

// Confirms that `portName` (the channel's port) is a CP210x or Prolific bridge of the list (the
// logger download's fast line is used with these):
// accepted when it is empty, that port, or that port with the "//.//" prefix; `portName` then
// becomes the list's port name.
bool ConnectByBridgeName(std::string& portName);
bool ConnectByBridgeName(const SerialPortList& list, std::string& portName);

} // namespace divuzo
