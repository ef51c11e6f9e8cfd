#pragma once
// Opening a file that a user or another program named, for reading, without being stalled or
// misled by what it is. The file is opened with O_NONBLOCK, so that a FIFO without a writer or
// a device cannot hold up the open; its type is checked before any byte is read, and only a
// regular file is taken; then O_NONBLOCK is cleared again, so reads behave as usual. Every
// reader of named input (images, payloads, track logs, photos, port announcements) opens
// through here.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace divuzo {

class InputFile {
public:
  enum class Status { Ok, CannotOpen, NotRegular, TooLarge, ReadFailed };

  // Opens `path`. With `followLinks` false a symbolic link is refused, not followed.
  explicit InputFile(const std::filesystem::path& path, bool followLinks = true);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool ok() const { return status_ == Status::Ok; }
  Status status() const { return status_; }
  // What went wrong, in a user's words, naming the file; empty when ok.
  const std::string& error() const { return error_; }
  int fd() const { return fd_; }
  // Size when opened.
  std::uint64_t size() const { return size_; }

  // Reads the whole file into `out` when it holds at most `maxBytes` (also when it grew after
  // the open). False with status and error set otherwise; `out` is then empty.
  bool ReadAll(std::vector<std::uint8_t>& out, std::uint64_t maxBytes);
  // Hands the descriptor over to the caller, who closes it.
  int Release();

private:
  bool Fail(Status status, std::string text);

  std::filesystem::path path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  Status status_ = Status::CannotOpen;
  std::string error_;
};

// The whole regular file at `path` when it holds at most `maxBytes`; false with a message in
// *error otherwise.
bool ReadInputFile(const std::filesystem::path& path, std::uint64_t maxBytes,
                   std::vector<std::uint8_t>& out, std::string* error = nullptr);

} // namespace divuzo
