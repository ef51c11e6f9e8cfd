#include "serial/PortChoice.h"

#include "platform/Trace.h"

namespace divuzo {

std::string ComPortListName(int index) { return "COM" + std::to_string(index + 1); }

std::string ComPortOpenName(int index) {
  return (index > 8 ? "//.//" : "") + ComPortListName(index);
}

std::string PortFromListEntry(const std::string& entry) {
  if (!entry.empty() && entry.front() == '/') return entry;
  const std::string inBrackets = PortNameFromFriendlyName(entry);
  return inBrackets.empty() ? entry : inBrackets;
}

bool FindKnownBridgePort(std::string& portNameOut) {
  SerialPortList list;
  ListSerialPorts(list, false);
  return FindKnownBridgePort(list, portNameOut);
}

bool FindKnownBridgePort(const SerialPortList& list, std::string& portNameOut) {
  for (const auto& entry : list) {
    for (const char* known : kKnownBridgeNames) {
      if (entry.friendlyName.find(known) != std::string::npos) {
        portNameOut = PortNameFromFriendlyName(entry.friendlyName);
        return true;
      }
    }
  }
  return false;
}

bool ConnectByBridgeName(std::string& portName) {
  SerialPortList list;
  ListSerialPorts(list, false);
  return ConnectByBridgeName(list, portName);
}

bool ConnectByBridgeName(const SerialPortList& list, std::string& portName) {
  for (const auto& entry : list) {
    // "CP210x USB to UART Bridge" matches the name discovery gives here ("Silicon Labs CP210x
    // USB to UART Bridge (/dev/ttyUSB0)") as well as Windows' "... Bridge Controller (COM4)".
    if (entry.friendlyName.find("CP210x USB to UART Bridge") == std::string::npos &&
        entry.friendlyName.find("Prolific USB-to-Serial") == std::string::npos)
      continue;
    const std::string name = PortNameFromFriendlyName(entry.friendlyName);
    if (portName.empty() || portName == name || portName == "//.//" + name) {
      portName = name;
      TraceF("Connected to %s\n", name.c_str());
      return true;
    }
  }
  return false;
}

} // namespace divuzo
