#pragma once
// Notices serial ports coming and going while a window is open: udev's events for ttys (a USB
// adapter plugged in or pulled out) and the announcements of virtual ports appearing in or
// leaving their folder. Qt-free: the window watches Fd() (a QSocketNotifier) and, when it is
// readable, calls Changed() and lists the ports again.
//
//   PortMonitor monitor;
//   poll Fd() for reading ... if (monitor.Changed()) ListSerialPorts(...);
#include <string>

struct udev;
struct udev_monitor;

namespace divuzo {

class PortMonitor {
public:
  // Watches udev (when the system's device manager can be reached) and the virtual port folder
  // (or the folder it will be made in).
  PortMonitor();
  ~PortMonitor();
  PortMonitor(const PortMonitor&) = delete;
  PortMonitor& operator=(const PortMonitor&) = delete;

  // Readable when something may have changed; -1 when nothing can be watched.
  int Fd() const { return epoll_; }
  // Takes everything that arrived without waiting; true when a port may have come or gone.
  bool Changed();

private:
  bool WatchPortFolder();
  bool DrainUdev();
  bool DrainFolderEvents();

  int epoll_ = -1;
  udev* udev_ = nullptr;
  udev_monitor* udevMonitor_ = nullptr;
  int inotify_ = -1;
  int folderWatch_ = -1;
  int parentWatch_ = -1;
  std::string folder_;
};

} // namespace divuzo
