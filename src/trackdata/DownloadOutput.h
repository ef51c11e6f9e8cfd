#pragma once
// The files a logger download writes into its folder, as its blocks arrive and at its end:
//
//   Vorur.trl          the memory as it was read, block after block (sector headers and
//                      special slots included); memory that could not be read is 0xFF there
//   Vorur_missing.txt  the ranges that could not be read (only after a download that missed
//                      some; a complete download removes an old one)
//   track files        one ".trl" per track, the total track file when asked, the waypoint
//                      file (TrackSplitter.h), only after a complete download
//   KML files          one beside each track file, or the photo combination when a photo
//                      folder was chosen
//
// Every file appears only when complete (temporary file, sync, rename) and is announced with
// one status line. A download that is abandoned (Discard) leaves the folder as it was.
#include "trackdata/AtomicTextFile.h"
#include "trackdata/LogBlockFilter.h"
#include "trackdata/PhotoGeotagger.h"
#include "trackdata/TrackSplitter.h"
#include "trackdata/TrackTime.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace divuzo {

inline constexpr const char* kMemoryImageName = "Vorur.trl";
inline constexpr const char* kMissingListName = "Vorur_missing.txt";
// A memory image is never larger than the logger's memory.
inline constexpr std::uint64_t kMemoryImageMaxBytes = 0x200000;

struct DownloadOutputOptions {
  std::filesystem::path folder;
  std::string prefix;  // the device's name text, in front of the track names
  bool writeTotal = false;
  std::filesystem::path photoFolder;  // empty: plain KML files
  PhotoSettings photo;                // for the photo combination
  LocalTimeBase localTime = LocalTimeBase::Computer();
  StatusLineSink announce;  // one line per written file
};

class DownloadOutput {
 public:
  explicit DownloadOutput(DownloadOutputOptions options);

  // Opens the memory image. With `keepFrom` > 0 its first `keepFrom` bytes are copied from the
  // image already in the folder (a download that reads only what is new); false when that
  // image is missing or shorter. False with Error() set when the image cannot be made.
  bool Begin(std::uint32_t keepFrom = 0);
  // One block of memory at `address`: into the image, and through the record filter from
  // `filterFrom` on (slots below it were taken by an earlier download).
  void AddBlock(std::uint32_t address, const std::uint8_t* block, std::size_t size,
                std::uint32_t filterFrom = 0);

  // A download that read everything: the image, then the track files and their KML files.
  bool FinishComplete();
  // A download that missed some memory: the image and the list of the ranges it missed (one
  // "0x00010800-0x00011000" line each), no tracks.
  bool FinishIncomplete(const std::vector<std::string>& missingRanges);
  // Nothing more is written; the temporary image goes.
  void Discard();

  // Every file written, in the order they were announced.
  const std::vector<std::filesystem::path>& Files() const { return files_; }
  const std::string& Error() const { return error_; }
  const LogBlockFilter& Filter() const { return filter_; }

 private:
  bool Publish(AtomicTextFile& file);
  void Announce(const std::filesystem::path& path);
  bool WriteKmlFiles(const SplitResult& split);

  DownloadOutputOptions options_;
  AtomicTextFile image_;
  LogBlockFilter filter_;
  std::vector<std::filesystem::path> files_;
  std::string error_;
};

}  // namespace divuzo
