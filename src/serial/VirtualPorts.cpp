#include "serial/VirtualPorts.h"

#include "platform/AtomicFile.h"
#include "platform/InputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace divuzo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSuffix = ".vport";

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

bool ProcessAlive(pid_t pid) {
  if (pid <= 0) return false;
  return kill(pid, 0) == 0 || errno == EPERM;
}

// The folder as it is, not what a link in its place points to: a folder of the effective user
// that nobody else may write to. With `create`, a missing folder is made first (mode 0700; the
// folders above it as usual).
bool PrivateFolder(const fs::path& dir, bool create, std::string* error) {
  struct stat info {};
  if (::lstat(dir.c_str(), &info) != 0) {
    if (errno != ENOENT || !create) {
      SetError(error, SystemErrorText("cannot use", dir, errno));
      return false;
    }
    std::error_code ec;
    if (dir.has_parent_path()) fs::create_directories(dir.parent_path(), ec);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
      SetError(error, SystemErrorText("cannot make", dir, errno));
      return false;
    }
    if (::lstat(dir.c_str(), &info) != 0) {
      SetError(error, SystemErrorText("cannot use", dir, errno));
      return false;
    }
  }
  const std::string name = "the virtual port folder " + dir.string();
  if (S_ISLNK(info.st_mode)) {
    SetError(error, name + " is a symbolic link; it is not used");
  } else if (!S_ISDIR(info.st_mode)) {
    SetError(error, name + " is not a folder; it is not used");
  } else if (info.st_uid != ::geteuid()) {
    SetError(error, name + " belongs to user " + std::to_string(info.st_uid) +
                        ", not to this user; it is not used");
  } else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    SetError(error, name + " can be written by other users; it is not used");
  } else {
    return true;
  }
  return false;
}

// One announcement: a regular file (never a link, a FIFO or a device), at most
// kMaxAnnouncementBytes long, of "key=value" lines.
bool ReadAnnouncement(const fs::path& file, VirtualPortAnnouncement& out) {
  std::vector<std::uint8_t> bytes;
  InputFile in(file, false);
  if (!in.ReadAll(bytes, kMaxAnnouncementBytes)) return false;
  const std::string text(bytes.begin(), bytes.end());
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(from, end - from);
    from = end + 1;
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "path") out.path = value;
    else if (key == "name") out.friendlyName = value;
    else if (key == "pid") out.pid = static_cast<pid_t>(std::atol(value.c_str()));
  }
  return !out.path.empty();
}

} // namespace

std::string VirtualPortDir() {
  if (const char* dir = std::getenv("DIVUZO_VPORT_DIR"); dir && *dir) return dir;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run)
    return (fs::path(run) / "divuzovuzov").string();
  return "/tmp/divuzovuzov-" + std::to_string(::geteuid());
}

std::string AnnounceVirtualPort(const VirtualPortAnnouncement& port, std::string* error) {
  std::error_code ec;
  const fs::path dir = VirtualPortDir();
  if (!PrivateFolder(dir, true, error)) return "";
  // Announcements left by devices that were killed are cleared away here.
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    VirtualPortAnnouncement old;
    std::error_code removeError;
    if (it->path().extension() == kSuffix && ReadAnnouncement(it->path(), old) && !ProcessAlive(old.pid))
      fs::remove(it->path(), removeError);
  }
  // The name is built from the pid and the pty number, so two devices never collide.
  const std::string stem =
      "vdev-" + std::to_string(port.pid) + "-" + fs::path(port.path).filename().string();
  const fs::path file = dir / (stem + kSuffix);
  const std::string text = "path=" + port.path + "\nname=" + port.friendlyName +
                           "\npid=" + std::to_string(port.pid) + "\n";
  if (text.size() > kMaxAnnouncementBytes) {
    SetError(error, "the announcement of " + port.path + " is too long");
    return "";
  }
  if (!WriteFileAtomically(file, text, error, 0600)) return "";
  return file.string();
}

void WithdrawVirtualPort(const std::string& announcementFile) {
  if (announcementFile.empty()) return;
  std::error_code ec;
  fs::remove(announcementFile, ec);
}

std::vector<VirtualPortAnnouncement> ListVirtualPorts(std::string* problem) {
  std::vector<VirtualPortAnnouncement> ports;
  const fs::path dir = VirtualPortDir();
  struct stat info {};
  if (::lstat(dir.c_str(), &info) != 0 && errno == ENOENT) return ports;  // nothing announced
  if (!PrivateFolder(dir, false, problem)) return ports;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() != kSuffix) continue;
    VirtualPortAnnouncement port;
    if (!ReadAnnouncement(it->path(), port)) continue;
    std::error_code existsError;
    if (!ProcessAlive(port.pid) || !fs::exists(port.path, existsError)) continue;
    ports.push_back(std::move(port));
  }
  std::sort(ports.begin(), ports.end(),
            [](const auto& a, const auto& b) {
              // /dev/pts/2 before /dev/pts/10
              if (a.path.size() != b.path.size()) return a.path.size() < b.path.size();
              return a.path < b.path;
            });
  return ports;
}

} // namespace divuzo
