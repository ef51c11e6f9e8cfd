// The parts of port discovery that are the same on every system: friendly names, the post-pass
// over the list and reading the port name out of a friendly name.
#include "serial/SerialPortList.h"

namespace divuzo {

std::string MakeFriendlyName(const std::string& driver, const std::string& vendorId,
                             const std::string& manufacturer, const std::string& product,
                             const std::string& path) {
  std::string name;
  if (driver == "cp210x" || (driver.empty() && vendorId == "10c4"))
    name = "Silicon Labs CP210x USB to UART Bridge";
  else if (driver == "pl2303" || (driver.empty() && vendorId == "067b"))
    name = "Prolific USB-to-Serial Comm Port";
  else if (!manufacturer.empty() && !product.empty()) name = manufacturer + " " + product;
  else if (!product.empty()) name = product;
  else if (!manufacturer.empty()) name = manufacturer;
  else if (driver == "cdc_acm") name = "USB Serial Device";
  else if (driver == "serial8250" || driver == "port" || driver.empty()) name = "Communications Port";
  else name = driver;
  return name + " (" + path + ")";
}

std::string PortNameFromFriendlyName(const std::string& friendlyName) {
  const auto open = friendlyName.find('(');
  const auto close = friendlyName.find(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return "";
  return friendlyName.substr(open + 1, close - open - 1);
}

void FinishPortEntry(SerialPortInfo& entry) {
  if (entry.friendlyName.empty()) entry.friendlyName = entry.portName;
  if (entry.description.empty()) {
    entry.description = entry.friendlyName;
    const auto open = entry.description.find(" (");
    const auto close = entry.description.find(')');
    if (open != std::string::npos && open > 0 && close != std::string::npos &&
        close == entry.description.size() - 1)
      entry.description.resize(open);
  }
}

void FinishPortList(SerialPortList& list, bool ignoreBusyPorts) {
  for (std::size_t i = 0; i < list.size();) {
    if (ignoreBusyPorts && !CanOpenPortNow(list[i].devicePath)) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    FinishPortEntry(list[i]);
    ++i;
  }
}

} // namespace divuzo
