// The parts of InputFile that are the same on every system; opening is in InputFilePosix.cpp and
// InputFileWin32.cpp.
#include "platform/InputFile.h"

#include "platform/Utf8Path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace divuzo {

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
  const std::string tooLarge =
      Utf8FromPath(path_) + " holds more than " + std::to_string(maxBytes) + " bytes";
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
      return Fail(Status::ReadFailed,
                  "cannot read " + Utf8FromPath(path_) + ": " + std::strerror(err));
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
