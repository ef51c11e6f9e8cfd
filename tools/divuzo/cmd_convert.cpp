// divuzo convert FILE.trl [--text] [--kml] [--nmea] [--gpx] [--tz HOURS]
// Writes the chosen formats next to the source (KML alone when none is named).
#include "Command.h"
#include "ProgressDisplay.h"

#include "platform/Utf8Path.h"
#include "trackdata/TimeZoneChoice.h"
#include "trackdata/TrackConversion.h"
#include "trackdata/TrackPointRecord.h"

#include <cstdio>
#include <filesystem>
#include <optional>

namespace {

struct ConvertOptions {
  std::string source;
  bool text = false, kml = false, nmea = false, gpx = false;
  std::optional<int> tz;
};

int RunConvert(const ConvertOptions& options) {
  divuzo::ConversionRequest request;
  request.source = divuzo::PathFromUtf8(options.source);
  request.wantText = options.text;
  request.wantNmea = options.nmea;
  request.wantGpx = options.gpx;
  request.wantKml = options.kml || !(options.text || options.nmea || options.gpx);
  request.timeZoneHours = options.tz ? *options.tz
                                     : divuzo::InitialTimeZoneFromBias(divuzo::ComputerTimeZoneBiasMinutes()).offsetHours;
  // Progress in records: every output reads the whole file once.
  std::error_code ec;
  const std::uint64_t records =
      std::filesystem::file_size(request.source, ec) / divuzo::kTrackRecordSize;
  divuzo::cli::ProgressDisplay display("convert", "records");
  const divuzo::ConversionResult result =
      divuzo::ConvertTrackFile(request, [&](int step, int steps, double fraction) {
        if (ec) return;
        display.Update(static_cast<std::uint64_t>((step + fraction) * static_cast<double>(records)),
                       static_cast<std::uint64_t>(steps) * records);
      });
  display.Finish();
  for (const auto& path : result.written) std::printf("%s\n", divuzo::Utf8FromPath(path).c_str());
  if (!result.warning.empty()) std::fprintf(stderr, "divuzo convert: warning: %s\n", result.warning.c_str());
  if (!result.ok) {
    std::fprintf(stderr, "divuzo convert: %s\n", result.error.c_str());
    return 1;
  }
  return 0;
}

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  auto options = std::make_shared<ConvertOptions>();
  auto* cmd = app.add_subcommand("convert", "Convert a track log (.trl) to text, KML, NMEA and GPX files beside it");
  cmd->add_option("file", options->source, "Track log file (.trl)")->required();
  cmd->add_flag("--text", options->text, "Write FILE.txt: lon,lat,height,local time per point");
  cmd->add_flag("--kml", options->kml, "Write FILE.kml (the default when no format is named)");
  cmd->add_flag("--nmea", options->nmea, "Write FILENMEA.txt: $GPRMC sentences, UTC");
  cmd->add_flag("--gpx", options->gpx, "Write FILE.gpx: GPX 1.0 waypoints and route, UTC");
  cmd->add_option("--tz", options->tz, "Local time = UTC + HOURS for KML names and text lines "
                                       "(default: this computer's standard time)")
      ->check(CLI::Range(-12, 13));
  cmd->callback([options] { divuzo::cli::SetExitCode(RunConvert(*options)); });
});

} // namespace
