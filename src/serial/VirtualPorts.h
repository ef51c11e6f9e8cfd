#pragma once
// Announcements of virtual serial ports (divuzo-vdev) so that port discovery lists them.
// One small file per port in a run-time folder: $DIVUZO_VPORT_DIR, else
// $XDG_RUNTIME_DIR/divuzovuzov, else /tmp/divuzovuzov-<uid>. An announcement steers Auto
// Detect, so the folder must be this user's alone: a real folder (not a link), owned by the
// effective user and writable by nobody else; a missing one is made with mode 0700. A folder
// that fails the check is not used at all. Only regular files are read from it, each up to a
// small bound. An announcement whose process is gone or whose device path no longer exists is
// ignored.
#include <string>
#include <sys/types.h>
#include <vector>

namespace divuzo {

struct VirtualPortAnnouncement {
  std::string path;         // the pseudo-terminal's device path (/dev/pts/N)
  std::string friendlyName; // the name the port list shows
  pid_t pid = 0;            // the announcing process
};

// The most bytes read from one announcement file.
inline constexpr std::size_t kMaxAnnouncementBytes = 4096;

std::string VirtualPortDir();

// Writes the announcement (atomically) and returns the file's path; empty on failure, with the
// reason in *error.
std::string AnnounceVirtualPort(const VirtualPortAnnouncement& port, std::string* error = nullptr);
void WithdrawVirtualPort(const std::string& announcementFile);

// Live announcements, in device path order (/dev/pts/2 before /dev/pts/10). When the folder is
// refused, none, with the reason in *problem (a folder that does not exist is no problem).
std::vector<VirtualPortAnnouncement> ListVirtualPorts(std::string* problem = nullptr);

} // namespace divuzo
