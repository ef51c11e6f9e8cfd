// Geotags 1,000 photos against a 10,000-point track twice: with this program's photo run (KML
// and GPS copies) and with `exiftool -geotag` on the same track as GPX (copies written with -o).
// Prints both times and their ratio.
#include "trackdata/PhotoGeotagger.h"
#include "trackdata/TrackPointRecord.h"

#include "../tests/support/TestJpeg.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kPoints = 10000;
constexpr int kPhotos = 1000;
constexpr std::int64_t kStart = 1333361700;  // 2012-04-02 10:15:00 UTC
constexpr int kStep = 5;                     // seconds between points

std::string ExifTime(std::int64_t t, char dateSeparator) {
  const std::time_t time = static_cast<std::time_t>(t);
  std::tm utc{};
  gmtime_r(&time, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d%c%02d%c%02d %02d:%02d:%02d", utc.tm_year + 1900,
                dateSeparator, utc.tm_mon + 1, dateSeparator, utc.tm_mday, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return text;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::size_t CountFiles(const fs::path& folder) {
  std::size_t n = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) ++n;
  return n;
}

} // namespace

int main() {
  char pattern[] = "/tmp/bench-geotag-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path dir = pattern;
  const fs::path photos = dir / "photos";
  fs::create_directory(photos);

  // The track, as .trl and as GPX 1.1 track points.
  {
    std::ofstream trl(dir / "track.trl", std::ios::binary);
    std::ofstream gpx(dir / "track.gpx");
    gpx << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"bench\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
           "<trk><trkseg>\n";
    for (int i = 0; i < kPoints; ++i) {
      const float lat = 35.0f + 0.0001f * static_cast<float>(i);
      const float lon = 139.0f + 0.0001f * static_cast<float>(i);
      const float height = 10.0f + static_cast<float>(i % 100);
      const std::int64_t t = kStart + std::int64_t{i} * kStep;
      const auto record = divuzo::EncodeRecord(static_cast<std::int32_t>(t), lat, lon, height);
      trl.write(reinterpret_cast<const char*>(record.bytes.data()), record.bytes.size());
      std::string iso = ExifTime(t, '-');
      iso[10] = 'T';
      char line[200];
      std::snprintf(line, sizeof line,
                    "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>%.2f</ele><time>%sZ</time></trkpt>\n",
                    lat, lon, height, iso.c_str());
      gpx << line;
    }
    gpx << "</trkseg></trk>\n</gpx>\n";
  }

  // The photos, spread over the track, taken in UTC.
  for (int i = 0; i < kPhotos; ++i) {
    divuzo::test::TestPhoto photo;
    photo.bigEndian = i % 2 == 1;
    photo.dateTimeOriginal = ExifTime(kStart + 3 + std::int64_t{i} * kPoints * kStep / kPhotos, ':');
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%04d.jpg", i);
    std::ofstream(photos / name, std::ios::binary) << divuzo::test::MakeTestJpeg(photo);
  }

  divuzo::PhotoSettings settings;
  settings.timeZoneHours = 0;
  settings.writeGps = true;
  divuzo::PhotoRunReport report;
  auto start = std::chrono::steady_clock::now();
  const bool ok = divuzo::WritePhotoKml(dir / "track.trl", photos, dir / "photos.kml", settings,
                                        report);
  const double ours = Seconds(start);

  const fs::path exiftoolOut = dir / "exiftool";
  fs::create_directory(exiftoolOut);
  const std::string command = "exiftool -q -q -geotag '" + (dir / "track.gpx").string() +
                              "' '-geotime<${DateTimeOriginal}+00:00' -o '" +
                              exiftoolOut.string() + "/' '" + photos.string() +
                              "' -ext jpg > /dev/null 2>&1";
  start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double theirs = Seconds(start);

  std::printf("photos %d, track points %d\n", kPhotos, kPoints);
  std::printf("ours:     %.3f s  (%d matched, %d copies written%s)\n", ours, report.photosMatched,
              report.gpsWritten, ok ? "" : ", FAILED");
  std::printf("exiftool: %.3f s  (%zu copies written, exit %d)\n", theirs,
              CountFiles(exiftoolOut), status);
  std::printf("ratio:    %.1fx\n", ours > 0 ? theirs / ours : 0.0);

  std::error_code ec;
  fs::remove_all(dir, ec);
  return ok ? 0 : 1;
}
