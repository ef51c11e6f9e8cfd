// Virtual port announcements on Windows: there are none. The virtual device (divuzo-vdev) is a
// Linux program on a pseudo-terminal; under Wine it reaches Windows programs as a COM port, which
// the system's own port list shows.
#include "serial/VirtualPorts.h"

namespace divuzo {

std::string VirtualPortDir() {
  return {};
}

std::string AnnounceVirtualPort(const VirtualPortAnnouncement&, std::string* error) {
  if (error) *error = "virtual ports are announced on Linux only";
  return {};
}

void WithdrawVirtualPort(const std::string&) {}

std::vector<VirtualPortAnnouncement> ListVirtualPorts(std::string* problem) {
  if (problem) problem->clear();
  return {};
}

}  // namespace divuzo
