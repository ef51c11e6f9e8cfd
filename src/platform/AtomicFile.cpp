// The parts of atomic replacement that are the same on every system; creating, syncing and
// renaming are in AtomicFilePosix.cpp and AtomicFileWin32.cpp.
#include "platform/AtomicFile.h"

#include "platform/FileIo.h"
#include "platform/Utf8Path.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace divuzo {

std::string TempNamePrefix(const std::filesystem::path& target) {
  std::string prefix(".");
  prefix += Utf8FromPath(target.filename());
  prefix += ".tmp-";
  return prefix;
}

std::string SystemErrorText(std::string_view what, const std::filesystem::path& path, int err) {
  std::string text(what);
  text += ' ';
  text += Utf8FromPath(path);
  text += ": ";
  text += std::strerror(err);
  return text;
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
      if (error) *error = SystemErrorText("cannot write", target, err);
      ::close(fd);
      RemoveFile(temp);
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
