// Port discovery on Windows: every present device of the COM-port interface class
// (GUID_DEVINTERFACE_COMPORT) and of the Ports setup class, each with the friendly name Windows
// shows ("Silicon Labs CP210x USB to UART Bridge (COM3)") and its port name from the device's
// "PortName" registry value; then the ports the system maps in HARDWARE\DEVICEMAP\SERIALCOMM that
// no device described (virtual port drivers), named by their port name only.
#include "serial/SerialPortList.h"

#include "platform/Win32Util.h"

#include <algorithm>
#include <cstdio>

// In this order: initguid.h first, so that the GUID headers define the GUIDs they name, and
// windows.h before the SetupAPI headers.
#include <initguid.h>

#include <windows.h>

#include <devguid.h>
#include <setupapi.h>

namespace divuzo {

namespace {

[[noreturn]] void Raise(const char* format, DWORD err) {
  char text[128];
  std::snprintf(text, sizeof text, format, static_cast<unsigned long>(err));
  throw PortDiscoveryError(text);
}

class DeviceSet {
 public:
  explicit DeviceSet(HDEVINFO set) : set_(set) {}
  ~DeviceSet() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceSet(const DeviceSet&) = delete;
  DeviceSet& operator=(const DeviceSet&) = delete;
  bool valid() const { return set_ != INVALID_HANDLE_VALUE; }
  HDEVINFO get() const { return set_; }

 private:
  HDEVINFO set_;
};

// A text property of a device; empty when it has none.
std::string TextProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t buffer[512] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type,
                                         reinterpret_cast<BYTE*>(buffer),
                                         sizeof buffer - sizeof(wchar_t), nullptr) ||
      (type != REG_SZ && type != REG_MULTI_SZ))
    return {};
  return Utf8FromWide(buffer);
}

// A text value of an open registry key; empty when it has none.
std::string TextValue(HKEY key, const wchar_t* name) {
  wchar_t buffer[256] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return Utf8FromWide(buffer);
}

// The device's port name ("COM3") from its device registry key.
std::string PortNameOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
  HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return {};
  std::string name = TextValue(key, L"PortName");
  RegCloseKey(key);
  return name;
}

bool IsComPortName(const std::string& name) {
  return name.size() > 3 && name.compare(0, 3, "COM") == 0 &&
         std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool Listed(const SerialPortList& list, const std::string& portName) {
  return std::any_of(list.begin(), list.end(),
                     [&](const SerialPortInfo& p) { return p.portName == portName; });
}

// Adds the devices of one set that are COM ports and not yet listed.
void AddDevices(HDEVINFO set, SerialPortList& list) {
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiEnumDeviceInfo(set, index, &device)) {
      const DWORD err = GetLastError();
      if (err == ERROR_NO_MORE_ITEMS) return;
      Raise("SetupDiEnumDeviceInterfaces failed. (err=%lx)", err);
    }
    SerialPortInfo info;
    info.portName = PortNameOf(set, device);
    // The Ports class also holds printer ports (LPT1): only COM ports are serial lines.
    if (!IsComPortName(info.portName) || Listed(list, info.portName)) continue;
    info.devicePath = "\\\\.\\" + info.portName;
    info.friendlyName = TextProperty(set, device, SPDRP_FRIENDLYNAME);
    info.description = TextProperty(set, device, SPDRP_DEVICEDESC);
    const std::string enumerator = TextProperty(set, device, SPDRP_ENUMERATOR_NAME);
    const std::string location = TextProperty(set, device, SPDRP_LOCATION_INFORMATION);
    info.usb = enumerator == "USB" || location.compare(0, 3, "USB") == 0 ? 1 : 0;
    list.push_back(std::move(info));
  }
}

// Ports in the system's serial map (\Device\... -> "COM5") that no device above described.
void AddMappedPorts(SerialPortList& list) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return;
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    wchar_t valueName[256];
    DWORD valueNameSize = 256;
    wchar_t data[64] = {};
    DWORD dataSize = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const LSTATUS rc = RegEnumValueW(key, index, valueName, &valueNameSize, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data), &dataSize);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
    const std::string name = Utf8FromWide(data);
    if (IsComPortName(name) && !Listed(list, name)) names.push_back(name);
  }
  RegCloseKey(key);
  // COM2 before COM10.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  for (const auto& name : names) {
    SerialPortInfo info;
    info.portName = name;
    info.devicePath = "\\\\.\\" + name;
    list.push_back(std::move(info));
  }
}

}  // namespace

bool CanOpenPortNow(const std::string& devicePath) {
  HANDLE handle = CreateFileW(WideFromUtf8(devicePath).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

void ListSerialPorts(SerialPortList& list, bool ignoreBusyPorts) {
  list.clear();
  {
    DeviceSet ports(SetupDiGetClassDevsW(&GUID_DEVINTERFACE_COMPORT, nullptr, nullptr,
                                         DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!ports.valid()) Raise("SetupDiGetClassDevs failed. (err=%lx)", GetLastError());
    AddDevices(ports.get(), list);
  }
  {
    // Drivers that register no COM-port interface still put their ports in the Ports class.
    DeviceSet ports(SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT));
    if (!ports.valid()) Raise("SetupDiGetClassDevs failed. (err=%lx)", GetLastError());
    AddDevices(ports.get(), list);
  }
  AddMappedPorts(list);
  FinishPortList(list, ignoreBusyPorts);
}

}  // namespace divuzo
