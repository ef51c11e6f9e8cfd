#include "serial/PortMonitor.h"

#include "platform/Trace.h"
#include "serial/VirtualPorts.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <libudev.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace divuzo {

namespace {

constexpr std::uint32_t kFolderEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_CLOSE_WRITE | IN_DELETE_SELF;

void AddToEpoll(int epoll, int fd) {
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = fd;
  if (epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) != 0)
    TraceF("port monitor: epoll_ctl: %s\n", std::strerror(errno));
}

} // namespace

PortMonitor::PortMonitor() {
  epoll_ = epoll_create1(EPOLL_CLOEXEC);
  if (epoll_ < 0) return;

  udev_ = udev_new();
  if (udev_) udevMonitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (udevMonitor_ &&
      udev_monitor_filter_add_match_subsystem_devtype(udevMonitor_, "tty", nullptr) >= 0 &&
      udev_monitor_enable_receiving(udevMonitor_) >= 0) {
    AddToEpoll(epoll_, udev_monitor_get_fd(udevMonitor_));
  } else {
    TraceF("port monitor: no udev events; ports plugged in later show after Auto Detect\n");
    if (udevMonitor_) udev_monitor_unref(udevMonitor_);
    udevMonitor_ = nullptr;
  }

  folder_ = VirtualPortDir();
  inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify_ >= 0) {
    WatchPortFolder();
    AddToEpoll(epoll_, inotify_);
  }
}

PortMonitor::~PortMonitor() {
  if (inotify_ >= 0) close(inotify_);
  if (udevMonitor_) udev_monitor_unref(udevMonitor_);
  if (udev_) udev_unref(udev_);
  if (epoll_ >= 0) close(epoll_);
}

// The folder itself when it exists; otherwise the folder it will be made in, to start watching
// it once it is there.
bool PortMonitor::WatchPortFolder() {
  folderWatch_ =
      inotify_add_watch(inotify_, folder_.c_str(), kFolderEvents | IN_ONLYDIR | IN_DONT_FOLLOW);
  if (folderWatch_ >= 0) return true;
  const std::string parent = std::filesystem::path(folder_).parent_path().string();
  if (parentWatch_ < 0)
    parentWatch_ =
        inotify_add_watch(inotify_, parent.c_str(), IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
  return false;
}

bool PortMonitor::DrainUdev() {
  if (!udevMonitor_) return false;
  bool changed = false;
  while (udev_device* device = udev_monitor_receive_device(udevMonitor_)) {
    const char* action = udev_device_get_action(device);
    if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0))
      changed = true;
    udev_device_unref(device);
  }
  return changed;
}

bool PortMonitor::DrainFolderEvents() {
  if (inotify_ < 0) return false;
  bool changed = false;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t n = read(inotify_, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->wd == folderWatch_) {
        changed = true;
        if (event->mask & (IN_DELETE_SELF | IN_IGNORED)) {
          folderWatch_ = -1;  // the folder went away: wait for it to come back
          WatchPortFolder();
        }
      } else if (event->wd == parentWatch_ && folderWatch_ < 0 && WatchPortFolder()) {
        changed = true;  // the folder was made; ports may be in it already
      }
    }
  }
  return changed;
}

bool PortMonitor::Changed() {
  const bool fromUdev = DrainUdev();
  const bool fromFolder = DrainFolderEvents();
  return fromUdev || fromFolder;
}

} // namespace divuzo
