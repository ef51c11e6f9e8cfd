#include "trackdata/TrackSplitter.h"

#include "Language.h"
#include "StringTable.h"
#include "platform/Utf8Path.h"
#include "trackdata/AtomicTextFile.h"
#include "trackdata/TrackConversion.h"

#include <set>

namespace divuzo {

namespace {

std::tm LocalOf(const LogListEntry& entry, const LocalTimeBase& localTime) {
  std::tm local{};
  if (!localTime.Breakdown(DecodeRecord(entry.slot).time, local)) local = std::tm{};
  return local;
}

std::string_view RecordBytes(const LogListEntry& entry) {
  return {reinterpret_cast<const char*>(entry.slot.bytes.data()), entry.slot.bytes.size()};
}

// Writes one file through a temporary file; records the name and announces it.
class FileWriter {
public:
  FileWriter(SplitResult& result, const StatusLineSink& announce, std::set<std::string>& used)
      : result_(result), announce_(announce), used_(used) {}

  // A name already written in this run gets "_2", "_3", ... so no track replaces another.
  std::filesystem::path UniquePath(const std::filesystem::path& folder, const std::string& stem) {
    std::string name = stem + ".trl";
    for (int n = 2; used_.count(name) != 0; ++n) name = stem + "_" + std::to_string(n) + ".trl";
    used_.insert(name);
    return folder / PathFromUtf8(name);
  }

  bool Write(const std::filesystem::path& path, const std::vector<const LogListEntry*>& entries) {
    AtomicTextFile file;
    if (!file.Open(path)) return Fail(file.Error());
    for (const LogListEntry* entry : entries) file.WriteString(RecordBytes(*entry));
    if (!file.Commit()) return Fail(file.Error());
    if (announce_) announce_(FileStatusPrefix() + " " + Utf8FromPath(path));
    return true;
  }

private:
  bool Fail(const std::string& error) {
    result_.error = error;
    return false;
  }
  SplitResult& result_;
  const StatusLineSink& announce_;
  std::set<std::string>& used_;
};

} // namespace

std::vector<std::filesystem::path> SplitResult::AllFiles() const {
  std::vector<std::filesystem::path> files = trackFiles;
  if (!totalFile.empty()) files.push_back(totalFile);
  if (!waypointFile.empty()) files.push_back(waypointFile);
  return files;
}

std::vector<TrackRange> FindTracks(const std::vector<LogListEntry>& ordered) {
  std::vector<TrackRange> tracks;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= ordered.size(); ++i) {
    const bool end = i == ordered.size();
    if (!end && !IsSeparatorSlot(ordered[i].slot.bytes.data())) continue;
    if (i > start) tracks.push_back({start, i - 1});
    start = i + 1;
  }
  return tracks;
}

std::string TrackFileName(const std::string& prefix, const std::tm& first, const std::tm& last) {
  return prefix + "_T-410_Start_" + FileTimeText(first) + "_Finish_" + FileTimeText(last) + ".trl";
}

std::string TotalFileName(const std::string& prefix, const std::tm& first, const std::tm& last) {
  return prefix + "_T-410_Total_Start_" + FileTimeText(first) + "_Finish_" + FileTimeText(last) + ".trl";
}

std::string WaypointFileName(const std::string& prefix) { return prefix + "_T-410_Waypoints.trl"; }

std::string FileStatusPrefix() {
  const std::string& text = LoadText(383);
  return text.empty() ? std::string(DIVUZO_TR("TrackSplitter", "ファイル作成:")) : text;
}

SplitResult SplitTracks(const std::vector<LogListEntry>& ordered, const SplitOptions& options,
                        const StatusLineSink& announce) {
  SplitResult result;
  std::set<std::string> used;
  FileWriter writer(result, announce, used);
  const std::vector<TrackRange> tracks = FindTracks(ordered);

  std::vector<const LogListEntry*> total;
  std::vector<const LogListEntry*> waypoints;
  for (const TrackRange& track : tracks) {
    std::vector<const LogListEntry*> records;
    for (std::size_t i = track.first; i <= track.last; ++i) {
      const LogListEntry& entry = ordered[i];
      if (entry.waypoint && options.waypointMarkerMet) {
        waypoints.push_back(&entry);
      } else {
        records.push_back(&entry);
        total.push_back(&entry);
      }
    }
    const std::string name = TrackFileName(options.prefix, LocalOf(ordered[track.first], options.localTime),
                                           LocalOf(ordered[track.last], options.localTime));
    const std::filesystem::path path = writer.UniquePath(options.folder, name.substr(0, name.size() - 4));
    if (!writer.Write(path, records)) return result;
    result.trackFiles.push_back(path);
  }

  if (options.writeTotal && !tracks.empty()) {
    const std::string name =
        TotalFileName(options.prefix, LocalOf(ordered[tracks.front().first], options.localTime),
                      LocalOf(ordered[tracks.back().last], options.localTime));
    const std::filesystem::path path = writer.UniquePath(options.folder, name.substr(0, name.size() - 4));
    if (!writer.Write(path, total)) return result;
    result.totalFile = path;
  }

  if (options.waypointMarkerMet) {
    const std::string name = WaypointFileName(options.prefix);
    const std::filesystem::path path = writer.UniquePath(options.folder, name.substr(0, name.size() - 4));
    if (!writer.Write(path, waypoints)) return result;
    result.waypointFile = path;
  }
  result.ok = true;
  return result;
}

std::vector<std::filesystem::path> WriteDownloadKmlFiles(const SplitResult& split, const LocalTimeBase& localTime,
                                                         const StatusLineSink& announce, std::string* error) {
  std::vector<std::filesystem::path> written;
  for (const std::filesystem::path& trl : split.AllFiles()) {
    const std::filesystem::path kml =
        PathFromUtf8(ReplaceExtension(Utf8FromPath(trl), OutputFormat::Kml));
    const std::string failure = WriteKmlFile(trl, kml, localTime);
    if (!failure.empty()) {
      if (error) *error = failure;
      return written;
    }
    written.push_back(kml);
    if (announce) announce(FileStatusPrefix() + " " + Utf8FromPath(kml));
  }
  return written;
}

} // namespace divuzo
