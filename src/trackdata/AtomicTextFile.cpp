#include "trackdata/AtomicTextFile.h"

#include "platform/AtomicFile.h"
#include "platform/FileIo.h"
#include "platform/Utf8Path.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace divuzo {

namespace {
constexpr std::size_t kBufferBytes = 256 * 1024;
}

AtomicTextFile::~AtomicTextFile() { Discard(); }

void AtomicTextFile::Fail(const std::string& what, int errorNumber) {
  if (error_.empty())
    error_ = what + " " + Utf8FromPath(target_) + ": " + std::strerror(errorNumber);
}

bool AtomicTextFile::Open(const std::filesystem::path& target) {
  Discard();
  error_.clear();
  target_ = target;
  fd_ = CreateTempBeside(target, temp_, &error_);
  if (fd_ < 0) {
    temp_.clear();
    return false;
  }
  buffer_.reserve(kBufferBytes);
  return true;
}

bool AtomicTextFile::Flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("cannot write", errno);
      buffer_.clear();
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
  return true;
}

void AtomicTextFile::WriteString(std::string_view text) {
  if (fd_ < 0 || !error_.empty()) return;
  buffer_.append(text);
  if (buffer_.size() >= kBufferBytes) Flush();
}

bool AtomicTextFile::Commit() {
  if (fd_ < 0) {
    if (error_.empty()) error_ = "no output file is open";
    return false;
  }
  bool ok = error_.empty() && Flush();
  if (ok) ok = PublishTemp(fd_, temp_, target_, &error_);  // removes the temporary on failure
  if (::close(fd_) != 0 && ok) {
    Fail("cannot write", errno);
    ok = false;
  }
  fd_ = -1;
  if (!ok) RemoveFile(temp_);
  temp_.clear();
  return ok;
}

void AtomicTextFile::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    RemoveFile(temp_);
    temp_.clear();
  }
  buffer_.clear();
}

} // namespace divuzo
