#include "serial/SerialPort.h"

#include "platform/Trace.h"

namespace divuzo {

std::atomic<bool> portOpen{false};

std::string ComPortListName(int index) { return "COM" + std::to_string(index + 1); }

std::string ComPortOpenName(int index) {
  return (index > 8 ? "//.//" : "") + ComPortListName(index);
}

std::string PortFromListEntry(const std::string& entry) {
  if (!entry.empty() && entry.front() == '/') return entry;
  const std::string inBrackets = PortNameFromFriendlyName(entry);
  return inBrackets.empty() ? entry : inBrackets;
}

bool SerialPort::Open() {
  if (!line_.Open(portName, baudRate)) {
    TraceF("serial: cannot open %s: %s", portName.c_str(), line_.LastError().message.c_str());
    return false;
  }
  return true;
}

bool SerialPort::EnsureOpen() { return IsOpen() || Open(); }

bool SerialPort::Apply(unsigned baud) {
  if (!IsOpen()) return false;
  return line_.Configure(baud);
}

bool SerialPort::Reconfigure() { return Apply(baudRate); }

bool SerialPort::ReconfigureHighSpeed() { return Apply(kHighSpeedBaud); }

long SerialPort::Read(void* buffer, std::size_t count) { return line_.Read(buffer, count); }

bool SerialPort::WaitReadable(int timeoutMs) { return line_.WaitReadable(timeoutMs); }

long SerialPort::Write(const void* buffer, std::size_t count) { return line_.Write(buffer, count); }

void SerialPort::Purge() { line_.Purge(); }

bool SerialPort::Close() {
  if (!IsOpen()) return false;
  line_.Purge();
  line_.Close();
  portName = kDefaultPortName;
  return true;
}

void SerialPort::Reset() {
  Close();
  line_.Close();
}

void SerialPort::SelectPortByIndex(int index, const SerialPortList& list) {
  portName = index >= 0 && static_cast<std::size_t>(index) < list.size() ? list[index].portName : "";
  // A line still open is closed rather than leaked.
  line_.Close();
}

bool SerialPort::SelectFromLists(const std::string& portEntry, int rateIndex) {
  const std::string port = PortFromListEntry(portEntry);
  // A line still open on another port would carry the conversation to the wrong device.
  if (IsOpen() && line_.Path() != port) Close();
  portName = port;
  if (rateIndex >= 0 && rateIndex < static_cast<int>(kLineSpeeds.size())) baudRate = kLineSpeeds[rateIndex];
  portOpen = EnsureOpen();
  return true;
}

bool SerialPort::FindKnownBridgePort(std::string& portNameOut) {
  SerialPortList list;
  ListSerialPorts(list, false);
  return FindKnownBridgePort(list, portNameOut);
}

bool SerialPort::FindKnownBridgePort(const SerialPortList& list, std::string& portNameOut) {
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

bool SerialPort::ConnectByBridgeName() {
  SerialPortList list;
  ListSerialPorts(list, false);
  return ConnectByBridgeName(list);
}

bool SerialPort::ConnectByBridgeName(const SerialPortList& list) {
  for (const auto& entry : list) {
    if (entry.friendlyName.find("CP210x USB to UART Bridge Controller") == std::string::npos &&
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
