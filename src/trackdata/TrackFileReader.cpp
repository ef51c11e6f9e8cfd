#include "trackdata/TrackFileReader.h"

#include "platform/InputFile.h"
#include "platform/Utf8Path.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace divuzo {

namespace {
constexpr std::size_t kChunkBytes = 4096 * kTrackRecordSize;
}

TrackFileReader::TrackFileReader() : buffer_(kChunkBytes) {}

TrackFileReader::~TrackFileReader() { Close(); }

bool TrackFileReader::Open(const std::filesystem::path& path) {
  Close();
  error_.clear();
  path_ = path;
  InputFile file(path);
  if (!file.ok()) {
    error_ = file.error();
    return false;
  }
  size_ = file.size();
  fd_ = file.Release();
  Rewind();
  return true;
}

void TrackFileReader::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
  used_ = offset_ = 0;
  eof_ = true;
}

void TrackFileReader::Rewind() {
  used_ = offset_ = 0;
  passBytes_ = 0;
  eof_ = fd_ < 0;
  if (fd_ >= 0 && ::lseek(fd_, 0, SEEK_SET) != 0) {
    error_ = "cannot read " + Utf8FromPath(path_) + ": " + std::strerror(errno);
    eof_ = true;
  }
}

// Moves any partial record to the front and reads more bytes; false when no whole record is left.
bool TrackFileReader::Fill() {
  const std::size_t left = used_ - offset_;
  if (left > 0) std::memmove(buffer_.data(), buffer_.data() + offset_, left);
  used_ = left;
  offset_ = 0;
  while (!eof_ && used_ < buffer_.size()) {
    const ssize_t n = ::read(fd_, buffer_.data() + used_, buffer_.size() - used_);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = "cannot read " + Utf8FromPath(path_) + ": " + std::strerror(errno);
      eof_ = true;
      break;
    }
    if (n == 0) {
      eof_ = true;
      break;
    }
    used_ += static_cast<std::size_t>(n);
    passBytes_ += static_cast<std::uint64_t>(n);
  }
  if (progress_) progress_(passBytes_, size_);
  return used_ >= kTrackRecordSize;
}

bool TrackFileReader::NextRecord(TrackPointRecord& record) {
  for (;;) {
    if (used_ - offset_ < kTrackRecordSize && !Fill()) return false;
    record = RecordFromBytes(buffer_.data() + offset_);
    offset_ += kTrackRecordSize;
    if (IsValidRecord(record)) return true;
  }
}

bool TrackFileReader::Next(TrackPoint& point) {
  TrackPointRecord record;
  if (!NextRecord(record)) return false;
  point = DecodeRecord(record);
  return true;
}

} // namespace divuzo
