#pragma once
// Streaming reader of a ".trl" file: reads the file in chunks and hands on only the valid
// records, in file order. Trailing bytes after the last whole record are ignored. Writers that
// make several passes call Rewind before each, so every pass sees the same records.
#include "trackdata/TrackPointRecord.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace divuzo {

class TrackFileReader {
public:
  TrackFileReader();
  ~TrackFileReader();
  TrackFileReader(const TrackFileReader&) = delete;
  TrackFileReader& operator=(const TrackFileReader&) = delete;

  // Opens the file for reading; false with Error() set when it cannot be opened. A reader that
  // is not open yields no records.
  bool Open(const std::filesystem::path& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  std::uint64_t SizeBytes() const { return size_; }

  // Back to the first record.
  void Rewind();
  // The next valid record; false at the end of the file or after a read error.
  bool NextRecord(TrackPointRecord& record);
  bool Next(TrackPoint& point);

  // Set when opening or reading failed; empty otherwise.
  const std::string& Error() const { return error_; }

  // Called after every chunk read with the bytes read so far in this pass and the file size.
  void SetProgress(std::function<void(std::uint64_t done, std::uint64_t total)> progress) {
    progress_ = std::move(progress);
  }

private:
  bool Fill();

  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t passBytes_ = 0;
  std::vector<std::uint8_t> buffer_;
  std::size_t used_ = 0;   // bytes in buffer_
  std::size_t offset_ = 0; // next unread byte in buffer_
  bool eof_ = false;
  std::string error_;
  std::filesystem::path path_;
  std::function<void(std::uint64_t, std::uint64_t)> progress_;
};

} // namespace divuzo
