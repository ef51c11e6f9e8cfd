#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace divuzo {

namespace {

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

// The process umask without changing it (umask(2) would race with other threads creating files).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 022;
}

} // namespace

bool SyncFolder(const std::filesystem::path& folder) {
  int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return false;
  // Some file systems refuse fsync on a folder (EINVAL); the rename itself has still happened.
  bool ok = ::fsync(dfd) == 0 || errno == EINVAL;
  ::close(dfd);
  return ok;
}

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool SyncFilesIn(const std::filesystem::path& folder) {
  const int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return false;
  const bool ok = ::syncfs(dfd) == 0;
  const int err = errno;
  ::close(dfd);
  errno = err;
  return ok;
}

int CreateTempBeside(const std::filesystem::path& target, std::filesystem::path& tempPath,
                     std::string* error, int mode) {
  std::filesystem::path folder = target.parent_path();
  std::string pattern = ((folder.empty() ? std::filesystem::path(".") : folder) / TempNamePrefix(target)).string();
  pattern += "XXXXXX";
  int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    SetError(error, SystemErrorText("cannot create a file in", folder.empty() ? "." : folder, errno));
    return -1;
  }
  mode_t wanted = mode >= 0 ? static_cast<mode_t>(mode) : (0666 & ~CurrentUmask());
  if (::fchmod(fd, wanted) != 0) {
    // Not fatal: the file stays private.
  }
  tempPath = pattern;
  return fd;
}

bool PublishTemp(int fd, const std::filesystem::path& tempPath, const std::filesystem::path& target,
                 std::string* error) {
  if (::fsync(fd) != 0) {
    int err = errno;
    SetError(error, SystemErrorText("cannot write", target, err));
    ::unlink(tempPath.c_str());
    errno = err;
    return false;
  }
  if (::rename(tempPath.c_str(), target.c_str()) != 0) {
    int err = errno;
    SetError(error, SystemErrorText("cannot replace", target, err));
    ::unlink(tempPath.c_str());
    errno = err;
    return false;
  }
  // The new contents are in place; syncing the folder makes the rename itself durable.
  SyncFolder(target.parent_path());
  return true;
}

} // namespace divuzo
