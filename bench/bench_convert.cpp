// Converts 1,000,000 track points to KML and to NMEA with our exporters and with gpsbabel (from a
// GPX file of the same points) and prints the times and the ratio. Figures only.
//   bench_convert [points]
#include "trackdata/TrackConversion.h"
#include "trackdata/TrackPointRecord.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double OursSeconds(const fs::path& trl, bool kml, bool nmea) {
  divuzo::ConversionRequest request;
  request.source = trl;
  request.wantKml = kml;
  request.wantNmea = nmea;
  request.timeZoneHours = 9;
  const auto start = Clock::now();
  const divuzo::ConversionResult result = divuzo::ConvertTrackFile(request);
  const double seconds = Seconds(start);
  if (!result.ok) std::fprintf(stderr, "our conversion failed: %s\n", result.error.c_str());
  return seconds;
}

double BabelSeconds(const fs::path& gpx, const char* format, const fs::path& out) {
  const std::string command = "gpsbabel -i gpx -f '" + gpx.string() + "' -o " + format + " -F '" + out.string() + "'";
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  const double seconds = Seconds(start);
  if (status != 0) std::fprintf(stderr, "gpsbabel failed (%d): %s\n", status, command.c_str());
  return seconds;
}

} // namespace

int main(int argc, char** argv) {
  const long points = argc > 1 ? std::atol(argv[1]) : 1000000;
  char pattern[] = "/tmp/divuzo-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  const fs::path trl = dir / "points.trl";
  const fs::path gpx = dir / "points.gpx";

  {
    std::ofstream records(trl, std::ios::binary);
    std::ofstream track(gpx, std::ios::binary);
    track << "<?xml version=\"1.0\"?>\n<gpx version=\"1.0\" creator=\"bench\" "
             "xmlns=\"http://www.topografix.com/GPX/1/0\">\n<trk><trkseg>\n";
    char line[160];
    for (long i = 0; i < points; ++i) {
      const std::int32_t time = 1333361700 + static_cast<std::int32_t>(i);
      const float lat = 35.0f + static_cast<float>(i) * 1e-5f;
      const float lon = 139.0f - static_cast<float>(i) * 1e-5f;
      const float height = static_cast<float>(i % 3000);
      const divuzo::TrackPointRecord record = divuzo::EncodeRecord(time, lat, lon, height);
      records.write(reinterpret_cast<const char*>(record.bytes.data()), 16);
      const std::time_t t = time;
      std::tm utc{};
      gmtime_r(&t, &utc);
      char when[32];
      std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
      const int n = std::snprintf(line, sizeof line, "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>%.2f</ele><time>%s</time></trkpt>\n",
                                  lat, lon, divuzo::DecodeRecord(record).height, when);
      track.write(line, n);
    }
    track << "</trkseg></trk>\n</gpx>\n";
  }

  std::printf("points: %ld\n", points);
  const double oursKml = OursSeconds(trl, true, false);
  const double oursNmea = OursSeconds(trl, false, true);
  const double babelKml = BabelSeconds(gpx, "kml", dir / "babel.kml");
  const double babelNmea = BabelSeconds(gpx, "nmea", dir / "babel.nmea");
  std::printf("%-6s %12s %12s %10s\n", "format", "ours [s]", "gpsbabel [s]", "ratio");
  std::printf("%-6s %12.3f %12.3f %9.1fx\n", "KML", oursKml, babelKml, babelKml / oursKml);
  std::printf("%-6s %12.3f %12.3f %9.1fx\n", "NMEA", oursNmea, babelNmea, babelNmea / oursNmea);
  std::printf("output sizes: ours KML %ju bytes, NMEA %ju bytes; gpsbabel KML %ju bytes, NMEA %ju bytes\n",
              static_cast<std::uintmax_t>(fs::file_size(dir / "points.kml")),
              static_cast<std::uintmax_t>(fs::file_size(dir / "pointsNMEA.txt")),
              static_cast<std::uintmax_t>(fs::file_size(dir / "babel.kml")),
              static_cast<std::uintmax_t>(fs::file_size(dir / "babel.nmea")));
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
