// divuzo geotag --track FILE.trl --photos DIR --kml OUT.kml [--tz HOURS] [--calibrate D:H:M:S]
//               [--write-gps]
// Matches the photos of DIR to the track by time and writes the photo KML (UTF-16); with
// --write-gps also GPS-tagged copies of the matched photos in DIR/GPS. A missing track or
// folder, or a KML name that would replace the track, a photo or a file that is not a KML file,
// is refused before anything is written; a copy that could not be written makes the exit
// status 1.
#include "Command.h"
#include "ProgressDisplay.h"

#include "platform/Utf8Path.h"
#include "trackdata/PhotoGeotagger.h"
#include "trackdata/TimeZoneChoice.h"

#include <cstdio>
#include <optional>
#include <sstream>

namespace {

struct GeotagOptions {
  std::string track;
  std::string photos;
  std::string kml;
  std::optional<int> tz;
  std::string calibrate;
  bool writeGps = false;
};

// "D:H:M:S" with the photo setting dialog's ranges; false when malformed or out of range.
bool ParseCalibration(const std::string& text, std::int64_t& seconds) {
  int parts[4];
  char colon[3];
  std::istringstream in(text);
  in >> parts[0] >> colon[0] >> parts[1] >> colon[1] >> parts[2] >> colon[2] >> parts[3];
  if (!in || in.peek() != std::char_traits<char>::eof()) return false;
  for (char c : colon) {
    if (c != ':') return false;
  }
  static constexpr int kLimit[4] = {30, 23, 59, 59};
  for (int i = 0; i < 4; ++i) {
    if (parts[i] < -kLimit[i] || parts[i] > kLimit[i]) return false;
  }
  seconds = divuzo::CalibrationSeconds(parts[0], parts[1], parts[2], parts[3]);
  return true;
}

int RunGeotag(const GeotagOptions& options) {
  divuzo::PhotoSettings settings;
  settings.timeZoneHours =
      options.tz ? *options.tz
                 : divuzo::InitialTimeZoneFromBias(divuzo::ComputerTimeZoneBiasMinutes()).offsetHours;
  if (!options.calibrate.empty() && !ParseCalibration(options.calibrate, settings.calibrationSeconds)) {
    std::fprintf(stderr,
                 "divuzo geotag: --calibrate wants D:H:M:S (days -30..30, hours -23..23, "
                 "minutes and seconds -59..59), got \"%s\"\n",
                 options.calibrate.c_str());
    return 2;
  }
  settings.writeGps = options.writeGps;
  divuzo::cli::ProgressDisplay display("geotag", "photos");
  // A photo is read and, with --write-gps, copied: the rate counts whole photos.
  const std::size_t stepsPerPhoto = options.writeGps ? 2 : 1;
  settings.progress = [&display, stepsPerPhoto](std::size_t done, std::size_t total) {
    display.Update(done / stepsPerPhoto, total / stepsPerPhoto);
  };
  divuzo::PhotoRunReport report;
  const bool ok = divuzo::ConvertPhotos(divuzo::PathFromUtf8(options.track),
                                        divuzo::PathFromUtf8(options.photos),
                                        divuzo::PathFromUtf8(options.kml), settings, report);
  display.Finish();
  for (const auto& line : report.listLines) std::printf("%s\n", line.c_str());
  for (const auto& line : report.summary) std::printf("%s\n", line.c_str());
  if (report.tableFull) {
    std::fprintf(stderr, "divuzo geotag: warning: more than %zu points or photos; the rest was left out\n",
                 divuzo::PhotoGeotagger::kCapacity);
  }
  if (!ok) {
    std::fprintf(stderr, "divuzo geotag: %s\n", report.error.c_str());
    return 1;
  }
  if (settings.writeGps) {
    std::printf("GPS copies: %d written, %d refused (camera maker), %d failed\n",
                report.gpsWritten, report.gpsRefused, report.gpsFailed);
  }
  std::printf("%s\n", options.kml.c_str());
  if (report.gpsFailed > 0) {
    std::fprintf(stderr, "divuzo geotag: %d GPS %s could not be written\n", report.gpsFailed,
                 report.gpsFailed == 1 ? "copy" : "copies");
    return 1;
  }
  return 0;
}

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  auto options = std::make_shared<GeotagOptions>();
  auto* cmd = app.add_subcommand("geotag", "Match the photos of a folder to a track log by time");
  cmd->add_option("--track", options->track, "Track log file (.trl)")->required();
  cmd->add_option("--photos", options->photos, "Folder of the photos (*.jpg)")->required();
  cmd->add_option("--kml", options->kml, "KML file to write (UTF-16)")->required();
  cmd->add_option("--tz", options->tz,
                  "Photo time zone: the camera clock shows UTC + HOURS "
                  "(default: this computer's standard time)")
      ->check(CLI::Range(-12, 13));
  cmd->add_option("--calibrate", options->calibrate,
                  "Add D:H:M:S to every photo time (e.g. 0:1:0:0 for a camera one hour slow)");
  cmd->add_flag("--write-gps", options->writeGps,
                "Write GPS-tagged copies of the matched photos into the folder's GPS subfolder");
  cmd->callback([options] { divuzo::cli::SetExitCode(RunGeotag(*options)); });
});

} // namespace
