#pragma once
// Cuts the downloaded list of slots into tracks at separator slots and writes the ".trl" files:
// one per track, optionally one with all tracks ("Total"), and one with the waypoint records.
#include "trackdata/LogBlockFilter.h"
#include "trackdata/TrackTime.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace divuzo {

// One track as a range of the ordered list, both ends included.
struct TrackRange {
  std::size_t first = 0;
  std::size_t last = 0;
};

// The non-empty ranges between separators, in order.
std::vector<TrackRange> FindTracks(const std::vector<LogListEntry>& ordered);

struct SplitOptions {
  std::filesystem::path folder;
  std::string prefix;            // the device's name text
  bool writeTotal = false;       // also write the "Total" file with every track
  bool waypointMarkerMet = false; // at least one waypoint marker was seen
  LocalTimeBase localTime = LocalTimeBase::Computer();
};

struct SplitResult {
  bool ok = false;
  std::string error;
  std::vector<std::filesystem::path> trackFiles;
  std::filesystem::path totalFile;    // empty when not written
  std::filesystem::path waypointFile; // empty when not written
  // Every written file in the order track files, total file, waypoint file.
  std::vector<std::filesystem::path> AllFiles() const;
};

// Receives one status line per written file: the announcement prefix, a space, the path.
using StatusLineSink = std::function<void(const std::string& line)>;

// "<prefix>_T-410_Start_<first>_Finish_<last>.trl" etc., times as "YYYYMMDD-hhmmss" local time.
std::string TrackFileName(const std::string& prefix, const std::tm& first, const std::tm& last);
std::string TotalFileName(const std::string& prefix, const std::tm& first, const std::tm& last);
std::string WaypointFileName(const std::string& prefix);

// The text in front of each announced path.
std::string FileStatusPrefix();

SplitResult SplitTracks(const std::vector<LogListEntry>& ordered, const SplitOptions& options,
                        const StatusLineSink& announce = {});

// After the split: one KML file beside each written ".trl" file (same name, ".kml"), in the
// order tracks, total, waypoints, each announced like the track files. Returns the KML paths;
// stops at the first failure with `error` set.
std::vector<std::filesystem::path> WriteDownloadKmlFiles(const SplitResult& split, const LocalTimeBase& localTime,
                                                         const StatusLineSink& announce, std::string* error);

} // namespace divuzo
