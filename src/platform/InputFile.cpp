#include "platform/InputFile.h"

#include <algorithm>
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

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool InputFile::Fail(Status status, std::string text) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  status_ = status;
  error_ = std::move(text);
  return false;
}

int InputFile::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

bool InputFile::ReadAll(std::vector<std::uint8_t>& out, std::uint64_t maxBytes) {
  out.clear();
  if (!ok()) return false;
  const std::string tooLarge = path_.string() + " holds more than " + std::to_string(maxBytes) +
                               " bytes";
  if (size_ > maxBytes) return Fail(Status::TooLarge, tooLarge);
  // Up to one byte more than the limit is read, so that a file that grew is noticed.
  const std::uint64_t room = maxBytes < UINT64_MAX ? maxBytes + 1 : maxBytes;
  out.resize(static_cast<std::size_t>(size_ + 1));
  std::size_t got = 0;
  for (;;) {
    if (got == out.size()) {
      if (out.size() >= room) break;
      out.resize(static_cast<std::size_t>(std::min<std::uint64_t>(out.size() * 2, room)));
    }
    const ssize_t n = ::read(fd_, out.data() + got, out.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      out.clear();
      return Fail(Status::ReadFailed, "cannot read " + path_.string() + ": " + std::strerror(err));
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > maxBytes) {
    out.clear();
    return Fail(Status::TooLarge, tooLarge);
  }
  out.resize(got);
  return true;
}

bool ReadInputFile(const std::filesystem::path& path, std::uint64_t maxBytes,
                   std::vector<std::uint8_t>& out, std::string* error) {
  InputFile file(path);
  if (file.ReadAll(out, maxBytes)) return true;
  if (error) *error = file.error();
  return false;
}

} // namespace divuzo
