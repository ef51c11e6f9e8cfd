#include "serial/SerialPortList.h"

#include "serial/VirtualPorts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace divuzo {

namespace {

std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\n')) s.pop_back();
  std::size_t start = 0;
  while (start < s.size() && s[start] == ' ') ++start;
  return s.substr(start);
}

[[noreturn]] void Raise(const char* format, int err) {
  char text[128];
  std::snprintf(text, sizeof text, format, static_cast<unsigned long>(err));
  throw PortDiscoveryError(text);
}

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T> using UdevPtr = std::unique_ptr<T, UdevDeleter>;

// A tty worth listing: it sits on real hardware (virtual consoles and ptys have no parent
// device), and an 8250 slot reports a UART type (slots without a chip report 0).
bool IsSerialHardware(udev_device* tty) {
  if (!udev_device_get_parent(tty)) return false;
  const std::string name = Text(udev_device_get_sysname(tty));
  if (name.rfind("ttyS", 0) == 0) {
    const char* type = udev_device_get_sysattr_value(tty, "type");
    if (!type || std::strtol(type, nullptr, 10) == 0) return false;
  }
  return true;
}

SerialPortInfo DescribeTty(udev_device* tty, const std::string& node) {
  SerialPortInfo info;
  info.devicePath = node;
  info.portName = node;
  udev_device* usbInterface = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_interface");
  udev_device* usbDevice = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device");
  std::string driver, vendorId, manufacturer, product;
  if (usbDevice) {
    info.usb = 1;
    vendorId = Text(udev_device_get_sysattr_value(usbDevice, "idVendor"));
    if (usbInterface) driver = Text(udev_device_get_driver(usbInterface));
    manufacturer = Trim(Text(udev_device_get_sysattr_value(usbDevice, "manufacturer")));
    product = Trim(Text(udev_device_get_sysattr_value(usbDevice, "product")));
    if (manufacturer.empty()) manufacturer = Text(udev_device_get_property_value(tty, "ID_VENDOR_FROM_DATABASE"));
    if (product.empty()) product = Text(udev_device_get_property_value(tty, "ID_MODEL_FROM_DATABASE"));
  } else if (udev_device* parent = udev_device_get_parent(tty)) {
    driver = Text(udev_device_get_driver(parent));
  }
  info.friendlyName = MakeFriendlyName(driver, vendorId, manufacturer, product, node);
  return info;
}

void ListHardwarePorts(SerialPortList& list) {
  UdevPtr<udev> u(udev_new());
  if (!u) Raise("SetupDiGetClassDevs failed. (err=%lx)", errno);
  UdevPtr<udev_enumerate> en(udev_enumerate_new(u.get()));
  if (!en) Raise("SetupDiGetClassDevs failed. (err=%lx)", errno);
  int rc = udev_enumerate_add_match_subsystem(en.get(), "tty");
  if (rc >= 0) rc = udev_enumerate_scan_devices(en.get());
  if (rc < 0) Raise("SetupDiEnumDeviceInterfaces failed. (err=%lx)", -rc);
  udev_list_entry* entry;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(en.get())) {
    // A device that vanished since the scan (unplugged) is left out silently.
    UdevPtr<udev_device> tty(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
    if (!tty) continue;
    const char* node = udev_device_get_devnode(tty.get());
    if (!node || !IsSerialHardware(tty.get())) continue;
    list.push_back(DescribeTty(tty.get(), node));
  }
}

} // namespace

bool CanOpenPortNow(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  // Another program of ours holding the port shows as a held lock (root ignores TIOCEXCL).
  const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
}

void ListSerialPorts(SerialPortList& list, bool ignoreBusyPorts) {
  list.clear();
  ListHardwarePorts(list);
  for (const auto& port : ListVirtualPorts()) {
    SerialPortInfo info;
    info.devicePath = port.path;
    info.portName = port.path;
    info.friendlyName = port.friendlyName;
    list.push_back(std::move(info));
  }
  FinishPortList(list, ignoreBusyPorts);
}

} // namespace divuzo
