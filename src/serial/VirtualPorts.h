#pragma once
// Announcements of virtual serial ports (divuzo-vdev) so that port discovery lists them.
// One small file per port in a run-time folder: $DIVUZO_VPORT_DIR, else
// $XDG_RUNTIME_DIR/divuzovuzov, else /tmp/divuzovuzov-<uid>. An announcement whose process
// is gone or whose device path no longer exists is ignored.
#include <string>
#include <sys/types.h>
#include <vector>

namespace divuzo {

struct VirtualPortAnnouncement {
  std::string path;         // the pseudo-terminal's device path (/dev/pts/N)
  std::string friendlyName; // the name the port list shows
  pid_t pid = 0;            // the announcing process
};

std::string VirtualPortDir();

// Writes the announcement (atomically) and returns the file's path; empty on failure.
std::string AnnounceVirtualPort(const VirtualPortAnnouncement& port);
void WithdrawVirtualPort(const std::string& announcementFile);

// Live announcements, in device path order (/dev/pts/2 before /dev/pts/10).
std::vector<VirtualPortAnnouncement> ListVirtualPorts();

} // namespace divuzo
