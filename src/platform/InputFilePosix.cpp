#include "platform/InputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace divuzo {

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

} // namespace

InputFile::InputFile(const std::filesystem::path& path, bool followLinks) : path_(path) {
  const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
  fd_ = ::open(path.c_str(), flags);
  if (fd_ < 0) {
    const int err = errno;
    if (!followLinks && err == ELOOP) {
      Fail(Status::NotRegular, path.string() + " is a symbolic link");
    } else {
      Fail(Status::CannotOpen, "cannot open " + path.string() + ": " + std::strerror(err));
    }
    return;
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    Fail(Status::CannotOpen, "cannot open " + path.string() + ": " + std::strerror(errno));
    return;
  }
  if (!S_ISREG(info.st_mode)) {
    Fail(Status::NotRegular, path.string() + " is " + KindOf(info.st_mode) +
                                 ", not a regular file");
    return;
  }
  const int fileFlags = ::fcntl(fd_, F_GETFL);
  if (fileFlags < 0 || ::fcntl(fd_, F_SETFL, fileFlags & ~O_NONBLOCK) != 0) {
    Fail(Status::CannotOpen, "cannot open " + path.string() + ": " + std::strerror(errno));
    return;
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
  status_ = Status::Ok;
}

} // namespace divuzo
