#include "platform/AtomicFile.h"

#include <cerrno>
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

bool SyncFolder(const std::filesystem::path& folder) {
  int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return false;
  // Some file systems refuse fsync on a folder (EINVAL); the rename itself has still happened.
  bool ok = ::fsync(dfd) == 0 || errno == EINVAL;
  ::close(dfd);
  return ok;
}

} // namespace

std::string TempNamePrefix(const std::filesystem::path& target) {
  std::string prefix(".");
  prefix += target.filename().string();
  prefix += ".tmp-";
  return prefix;
}

std::string SystemErrorText(std::string_view what, const std::filesystem::path& path, int err) {
  std::string text(what);
  text += ' ';
  text += path.string();
  text += ": ";
  text += std::strerror(err);
  return text;
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

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string* error, int mode) {
  std::filesystem::path temp;
  int fd = CreateTempBeside(target, temp, error, mode);
  if (fd < 0) return false;
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      SetError(error, SystemErrorText("cannot write", target, err));
      ::close(fd);
      ::unlink(temp.c_str());
      errno = err;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  bool ok = PublishTemp(fd, temp, target, error);
  int err = errno;
  ::close(fd);
  errno = err;
  return ok;
}

} // namespace divuzo
