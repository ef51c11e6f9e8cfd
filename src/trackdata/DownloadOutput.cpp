#include "trackdata/DownloadOutput.h"

#include "platform/AtomicFile.h"
#include "platform/InputFile.h"
#include "platform/Utf8Path.h"
#include "trackdata/TrackConversion.h"

#include <algorithm>
#include <system_error>

namespace divuzo {

DownloadOutput::DownloadOutput(DownloadOutputOptions options)
    : options_(std::move(options)), filter_(options_.localTime) {}

bool DownloadOutput::Begin(std::uint32_t keepFrom) {
  filter_.Reset();
  files_.clear();
  error_.clear();
  const std::filesystem::path target = options_.folder / kMemoryImageName;
  std::vector<std::uint8_t> kept;
  if (keepFrom > 0) {
    // The image is the user's file by now: read it as one (a regular file of memory size).
    std::string why;
    if (!ReadInputFile(target, kMemoryImageMaxBytes, kept, &why) || kept.size() < keepFrom) {
      error_ = why.empty() ? "the memory image of the last download in " +
                                 Utf8FromPath(options_.folder) + " is too short"
                           : why;
      return false;
    }
    kept.resize(keepFrom);
  }
  if (!image_.Open(target)) {
    error_ = image_.Error();
    return false;
  }
  image_.WriteString({reinterpret_cast<const char*>(kept.data()), kept.size()});
  return true;
}

void DownloadOutput::AddBlock(std::uint32_t address, const std::uint8_t* block, std::size_t size,
                              std::uint32_t filterFrom) {
  image_.WriteString({reinterpret_cast<const char*>(block), size});
  if (filterFrom <= address) {
    filter_.FilterLogBlock(block, size);
    return;
  }
  // Slots before `filterFrom` are an earlier download's: the filter sees them as erased.
  std::vector<std::uint8_t> copy(block, block + size);
  std::fill(copy.begin(), copy.begin() + std::min<std::size_t>(size, filterFrom - address), 0xFF);
  filter_.FilterLogBlock(copy.data(), copy.size());
}

void DownloadOutput::Announce(const std::filesystem::path& path) {
  files_.push_back(path);
  if (options_.announce) options_.announce(FileStatusPrefix() + " " + Utf8FromPath(path));
}

bool DownloadOutput::Publish(AtomicTextFile& file) {
  if (!file.Commit()) {
    error_ = file.Error();
    return false;
  }
  Announce(file.Target());
  return true;
}

bool DownloadOutput::WriteKmlFiles(const SplitResult& split) {
  if (options_.photoFolder.empty()) {
    std::string error;
    const auto written = WriteDownloadKmlFiles(split, options_.localTime, {}, &error);
    for (const auto& kml : written) Announce(kml);
    if (!error.empty()) error_ = error;
    return error.empty();
  }
  PhotoSettings settings = options_.photo;
  settings.batchMode = true;
  for (const std::filesystem::path& trl : split.AllFiles()) {
    const std::filesystem::path kml =
        PathFromUtf8(ReplaceExtension(Utf8FromPath(trl), OutputFormat::Kml));
    PhotoRunReport report;
    if (!WritePhotoKml(trl, options_.photoFolder, kml, settings, report)) {
      error_ = report.error;
      return false;
    }
    Announce(kml);
  }
  return true;
}

bool DownloadOutput::FinishComplete() {
  if (!Publish(image_)) return false;
  // A list of missing ranges from an earlier download no longer describes the image.
  std::error_code ignored;
  std::filesystem::remove(options_.folder / kMissingListName, ignored);

  SplitOptions split;
  split.folder = options_.folder;
  split.prefix = options_.prefix;
  split.writeTotal = options_.writeTotal;
  split.waypointMarkerMet = filter_.WaypointCount() > 0;
  split.localTime = options_.localTime;
  const SplitResult result = SplitTracks(filter_.OrderedList(), split, {});
  for (const auto& file : result.AllFiles()) Announce(file);
  if (!result.ok) {
    error_ = result.error;
    return false;
  }
  return WriteKmlFiles(result);
}

bool DownloadOutput::FinishIncomplete(const std::vector<std::string>& missingRanges) {
  if (!Publish(image_)) return false;
  std::string text = "# Memory the download could not read (start-end, end not included); " +
                     std::string(kMemoryImageName) + " holds 0xFF there.\n";
  for (const std::string& range : missingRanges) text += range + "\n";
  const std::filesystem::path list = options_.folder / kMissingListName;
  std::string error;
  if (!WriteFileAtomically(list, text, &error)) {
    error_ = error;
    return false;
  }
  Announce(list);
  return true;
}

void DownloadOutput::Discard() {
  image_.Discard();
}

}  // namespace divuzo
