#include "serial/VirtualPorts.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace divuzo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSuffix = ".vport";

bool ProcessAlive(pid_t pid) {
  if (pid <= 0) return false;
  return kill(pid, 0) == 0 || errno == EPERM;
}

bool ReadAnnouncement(const fs::path& file, VirtualPortAnnouncement& out) {
  std::ifstream in(file);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
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
  return "/tmp/divuzovuzov-" + std::to_string(getuid());
}

std::string AnnounceVirtualPort(const VirtualPortAnnouncement& port) {
  std::error_code ec;
  const fs::path dir = VirtualPortDir();
  fs::create_directories(dir, ec);
  if (ec) return "";
  // The name is built from the pid and the pty number, so two devices never collide.
  std::string stem = "vdev-" + std::to_string(port.pid) + "-" + fs::path(port.path).filename().string();
  const fs::path file = dir / (stem + kSuffix);
  const fs::path temp = dir / ("." + stem + ".tmp");
  {
    std::ofstream out(temp, std::ios::trunc);
    if (!out) return "";
    out << "path=" << port.path << "\nname=" << port.friendlyName << "\npid=" << port.pid << "\n";
    out.flush();
    if (!out) {
      fs::remove(temp, ec);
      return "";
    }
  }
  fs::rename(temp, file, ec);
  if (ec) {
    fs::remove(temp, ec);
    return "";
  }
  return file.string();
}

void WithdrawVirtualPort(const std::string& announcementFile) {
  if (announcementFile.empty()) return;
  std::error_code ec;
  fs::remove(announcementFile, ec);
}

std::vector<VirtualPortAnnouncement> ListVirtualPorts() {
  std::vector<VirtualPortAnnouncement> ports;
  std::error_code ec;
  for (fs::directory_iterator it(VirtualPortDir(), ec), end; !ec && it != end; it.increment(ec)) {
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
