#pragma once
// A text output that appears only when complete: bytes go, buffered, to a temporary file beside
// the target; Commit flushes, syncs and renames it over the target. Without a successful
// Commit the temporary file is removed and an existing target stays as it was.
#include "trackdata/TextSink.h"

#include <filesystem>
#include <string>

namespace divuzo {

class AtomicTextFile : public TextSink {
public:
  AtomicTextFile() = default;
  ~AtomicTextFile() override;
  AtomicTextFile(const AtomicTextFile&) = delete;
  AtomicTextFile& operator=(const AtomicTextFile&) = delete;

  // Creates the temporary file; false with Error() set when that fails.
  bool Open(const std::filesystem::path& target);
  bool IsOpen() const { return fd_ >= 0; }

  void WriteString(std::string_view text) override;

  // Makes the file visible under the target name. False with Error() set when any write, the
  // sync or the rename failed; the temporary file is then gone.
  bool Commit();
  // Drops the temporary file.
  void Discard();

  const std::string& Error() const { return error_; }
  const std::filesystem::path& Target() const { return target_; }

private:
  bool Flush();
  void Fail(const std::string& what, int errorNumber);

  int fd_ = -1;
  std::filesystem::path target_;
  std::filesystem::path temp_;
  std::string buffer_;
  std::string error_;
};

} // namespace divuzo
