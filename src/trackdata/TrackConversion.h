#pragma once
// Converting one ".trl" file into text, KML, NMEA and GPX files beside it.
#include "trackdata/TextSink.h"
#include "trackdata/TrackFileReader.h"
#include "trackdata/TrackTime.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace divuzo {

enum class OutputFormat { Text = 0, Kml = 1, Nmea = 2, Gpx = 3 };

// Runs the writer of `format`.
void RunConversion(OutputFormat format, TrackFileReader& source, TextSink& target,
                   const LocalTimeBase& localTime);

// The path with the text after its last "." replaced: ".txt", ".kml", "NMEA.txt" (the dot and
// everything after it replaced), ".gpx". A file name without a dot gets the suffix appended.
std::string ReplaceExtension(const std::string& path, OutputFormat format);

// Output name of the conversion: the source's last four characters (its ".trl") replaced by
// ".txt", ".kml", "NMEA.txt" or ".gpx". A file name of four characters or fewer is kept whole
// and gets the suffix appended, so the output never lands in another folder.
std::string ConvertedFileName(const std::string& sourcePath, OutputFormat format);

// Writes one KML file from one ".trl" file (through a temporary file). Empty on success, else
// the reason. Unlike ConvertTrackFile, a file without records gives a KML skeleton.
std::string WriteKmlFile(const std::filesystem::path& source, const std::filesystem::path& target,
                         const LocalTimeBase& localTime);

struct ConversionRequest {
  std::filesystem::path source;
  bool wantText = false;
  bool wantKml = true;
  bool wantNmea = false;
  bool wantGpx = false;
  int timeZoneHours = 0;  // local time = UTC + hours, for KML names and text lines
};

struct ConversionResult {
  bool ok = false;
  std::string error;                          // why nothing (more) was written
  std::string warning;                        // e.g. trailing bytes ignored
  std::vector<std::filesystem::path> written; // in the order text, KML, NMEA, GPX
};

// step counts from 0 to steps - 1; fraction is the share of the current step done (0..1).
using ConversionProgress = std::function<void(int step, int steps, double fraction)>;

// Writes every wanted output, in the order text, KML, NMEA, GPX, each through a temporary file
// that replaces the target only when complete. Stops at the first failure; outputs already
// written stay. A source that cannot be read or is shorter than one record is an error and
// nothing is written; a length that is not a multiple of 16 converts the whole records and
// reports a warning.
ConversionResult ConvertTrackFile(const ConversionRequest& request, const ConversionProgress& progress = {});

} // namespace divuzo
