// The whole photo run on made files: a track, a folder of photos, the UTF-16 KML (read back with
// iconv, xmllint and gpsbabel) and the GPS copies (read back with exiftool).
#include "trackdata/PhotoGeotagger.h"
#include "trackdata/PhotoTexts.h"
#include "trackdata/TrackPointRecord.h"

#include "app/UtilityManager.h"

#include "CaptureOutput.h"
#include "PhotoTestSupport.h"
#include "TempDir.h"
#include "TestJpeg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace divuzo {
namespace {

using test::TestPhoto;

// Track start: 2012-04-02 10:15:00 UTC, 19:15:00 at +9 hours.
constexpr std::int64_t kStart = 1333361700;
// Point times after the start: gaps of 60, 80, 121 and 39 seconds.
constexpr int kOffsets[] = {0, 60, 140, 261, 300};

void WriteTrack(const std::filesystem::path& file) {
  std::string bytes;
  int i = 0;
  for (int offset : kOffsets) {
    const TrackPointRecord r = EncodeRecord(static_cast<std::int32_t>(kStart + offset),
                                            35.0f + 0.01f * i, 139.0f + 0.01f * i, 10.0f * i);
    bytes.append(reinterpret_cast<const char*>(r.bytes.data()), r.bytes.size());
    ++i;
  }
  bytes += std::string(15, '\x55') + '\x54';  // a damaged record: counts nowhere
  test::WriteFileBytes(file, bytes);
}

// "YYYY:MM:DD HH:MM:SS" local time (+9 hours) of a moment `offset` seconds after the start.
std::string LocalExifTime(int offset) {
  const std::time_t local = static_cast<std::time_t>(kStart + 9 * 3600 + offset);
  std::tm t{};
  gmtime_r(&local, &t);
  char text[64];
  std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", t.tm_year + 1900,
                t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

void WritePhoto(const std::filesystem::path& file, int offset, const std::string& make = "Canon") {
  TestPhoto photo;
  photo.dateTimeOriginal = LocalExifTime(offset);
  photo.make = make;
  if (make != "Canon") photo.makerNote = test::MakerNoteKind::Fujifilm;
  test::WriteFileBytes(file, test::MakeTestJpeg(photo));
}

struct Placemark {
  std::string name;
  std::string style;
  std::vector<std::string> description;  // the lines between <description> and </description>
};

// The point placemarks of the KML (the route placemark left out), from its UTF-8 text.
std::vector<Placemark> Placemarks(const std::string& kml) {
  std::vector<Placemark> marks;
  const auto lines = test::Lines(kml);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != "<Placemark>" || lines[i + 1] == "<name>Route</name>") continue;
    Placemark mark;
    mark.name = lines[i + 2];
    std::size_t j = i + 4;
    if (lines[j] == "<description>") {
      for (++j; lines[j] != "</description>"; ++j) mark.description.push_back(lines[j]);
      ++j;
    }
    mark.style = lines[j + 1];
    marks.push_back(mark);
  }
  return marks;
}

class PhotoRun : public testing::Test {
protected:
  void SetUp() override {
    WriteTrack(dir_ / "track.trl");
    std::filesystem::create_directory(photos_);
  }

  // Runs the photo KML; returns the document converted to UTF-8 by iconv.
  std::string Run(const PhotoSettings& settings) {
    report_ = {};
    EXPECT_TRUE(WritePhotoKml(dir_ / "track.trl", photos_, kml_, settings, report_))
        << report_.error;
    const std::string raw = test::ReadFileBytes(kml_);
    EXPECT_EQ(raw.substr(0, 2), "\xFF\xFE");
    const auto lint = test::RunCapture({"xmllint", "--noout", kml_.string()});
    EXPECT_EQ(lint.exitCode, 0);
    // gpsbabel's XML parser takes the encoding the declaration names: every point's placemark
    // and the route read back.
    for (const char* kind : {"-w", "-t"}) {
      const auto babel = test::RunShell(std::string("gpsbabel ") + kind + " -i kml -f " +
                                        test::ShellQuote(kml_.string()) + " -o unicsv -F - 2>&1");
      EXPECT_EQ(babel.exitCode, 0) << babel.out;
      EXPECT_EQ(test::Lines(babel.out).size(), 1 + std::size(kOffsets)) << kind << babel.out;
    }
    const std::string text =
        test::RunCapture({"iconv", "-f", "UTF-16", "-t", "UTF-8", kml_.string()}).out;
    EXPECT_EQ(test::Lines(text).front(), "<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
    return text;
  }

  bool Listed(const std::string& line) const {
    return std::find(report_.listLines.begin(), report_.listLines.end(), line) !=
           report_.listLines.end();
  }

  test::TempDir dir_;
  std::filesystem::path photos_ = dir_ / "写真";
  std::filesystem::path kml_ = dir_ / "photos.kml";
  PhotoRunReport report_;
};

std::string ImgLine(const std::filesystem::path& photo) {
  return "<p><img width=\"400\" height=\"300\" src=\"" + photo.string() + "\"></p>";
}

TEST_F(PhotoRun, PhotosLandOnTheirPointsAndGetGpsCopies) {
  WritePhoto(photos_ / "a.jpg", 30);    // halfway between points 0 and 1: the earlier one
  WritePhoto(photos_ / "b.JPG", 90);    // 30 s after point 1, 50 s before point 2
  WritePhoto(photos_ / "c.jpg", 200);   // in the 121 s gap
  WritePhoto(photos_ / "d.jpg", -10);   // before the first point
  WritePhoto(photos_ / "e.jpg", 300);   // on the last point
  WritePhoto(photos_ / "f.jpg", 295);   // f and g: both on the last point, g first
  WritePhoto(photos_ / "g.jpg", 290);
  WritePhoto(photos_ / "h.jpg", 61, "FUJIFILM");  // matched, but no GPS copy for this maker
  test::WriteFileBytes(photos_ / "i.jpg", test::TestBodyJpeg());  // no EXIF
  test::WriteFileBytes(photos_ / "notes.txt", "not a photo");

  PhotoSettings settings;
  settings.timeZoneHours = 9;
  settings.writeGps = true;
  const auto marks = Placemarks(Run(settings));

  ASSERT_EQ(marks.size(), 5u);
  EXPECT_EQ(marks[0].name, "Mon Apr 02 19:15:00 2012");
  EXPECT_EQ(marks[4].name, "Mon Apr 02 19:20:00 2012");
  EXPECT_EQ(marks[0].style, "#styleMap_TLP_Start");
  EXPECT_EQ(marks[1].style, "#styleMap_TLP_Photo");
  EXPECT_EQ(marks[2].style, "#styleMap_TLP_Normal");
  EXPECT_EQ(marks[3].style, "#styleMap_TLP_Normal");
  EXPECT_EQ(marks[4].style, "#styleMap_TLP_Finish");

  using Lines = std::vector<std::string>;
  EXPECT_EQ(marks[0].description,
            (Lines{"<![CDATA[", "Photo Matched:", "<p>Mon Apr 02 19:15:30 2012</p>",
                   ImgLine(photos_ / "a.jpg"), "]]>"}));
  EXPECT_EQ(marks[1].description,
            (Lines{"<![CDATA[", "Photo Matched:", "<p>Mon Apr 02 19:16:01 2012</p>",
                   ImgLine(photos_ / "h.jpg"), "<p>Mon Apr 02 19:16:30 2012</p>",
                   ImgLine(photos_ / "b.JPG"), "]]>"}));
  EXPECT_TRUE(marks[2].description.empty());
  EXPECT_TRUE(marks[3].description.empty());
  EXPECT_EQ(marks[4].description,
            (Lines{"<![CDATA[", "Photo Matched:", "<p>Mon Apr 02 19:19:50 2012</p>",
                   ImgLine(photos_ / "g.jpg"), "<p>Mon Apr 02 19:19:55 2012</p>",
                   ImgLine(photos_ / "f.jpg"), "]]>"}));

  EXPECT_EQ(report_.photosRead, 8);
  EXPECT_EQ(report_.photosFailed, 1);
  EXPECT_EQ(report_.photosMatched, 5);
  EXPECT_EQ(report_.photosUnmatched, 3);
  EXPECT_EQ(report_.gpsWritten, 4);
  EXPECT_EQ(report_.gpsRefused, 1);
  EXPECT_TRUE(Listed(PhotoText(kPhotoTextMakerRefused) + (photos_ / "h.jpg").string()));
  EXPECT_TRUE(Listed(PhotoText(kPhotoTextFailedPrefix) + (photos_ / "i.jpg").string() + ";" +
                     kNotExifFormat));
  EXPECT_TRUE(Listed(PhotoText(kPhotoTextUnmatchedPrefix) + (photos_ / "c.jpg").string()));
  EXPECT_EQ(report_.summary, (std::vector<std::string>{PhotoReadSummary(8, 1),
                                                       PhotoMatchSummary(5, 3)}));

  // Copies only of matched photos of the supported maker, tagged with their point.
  std::vector<std::string> copies;
  for (const auto& entry : std::filesystem::directory_iterator(photos_ / "GPS")) {
    copies.push_back(entry.path().filename().string());
  }
  std::sort(copies.begin(), copies.end());
  EXPECT_EQ(copies, (std::vector<std::string>{"a.jpg", "b.JPG", "f.jpg", "g.jpg"}));
  const struct {
    const char* file;
    int point;
  } expected[] = {{"a.jpg", 0}, {"b.JPG", 1}, {"f.jpg", 4}, {"g.jpg", 4}};
  for (const auto& e : expected) {
    auto gps = test::ExifToolTags(photos_ / "GPS" / e.file, "-GPS:all");
    EXPECT_NEAR(std::atof(gps["GPSLatitude"].c_str()), 35.0 + 0.01 * e.point, 0.0001) << e.file;
    EXPECT_NEAR(std::atof(gps["GPSLongitude"].c_str()), 139.0 + 0.01 * e.point, 0.0001) << e.file;
    EXPECT_EQ(gps["GPSAltitude"], std::to_string(10 * e.point)) << e.file;
    const int t = 15 * 60 + kOffsets[e.point];
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "10:%02d:%02d", t / 60, t % 60);
    EXPECT_EQ(gps["GPSTimeStamp"], stamp) << e.file;
  }
}

// A camera one hour slow: its photos lie before the track until the calibration moves them on.
TEST_F(PhotoRun, CalibrationBringsASlowCameraOntoTheTrack) {
  WritePhoto(photos_ / "slow.jpg", 90 - 3600);
  PhotoSettings settings;
  settings.timeZoneHours = 9;
  auto marks = Placemarks(Run(settings));
  EXPECT_EQ(report_.photosUnmatched, 1);
  for (const auto& mark : marks) EXPECT_TRUE(mark.description.empty());

  settings.calibrationSeconds = CalibrationSeconds(0, 1, 0, 0);
  marks = Placemarks(Run(settings));
  EXPECT_EQ(report_.photosMatched, 1);
  ASSERT_EQ(marks.size(), 5u);
  EXPECT_EQ(marks[1].description,
            (std::vector<std::string>{"<![CDATA[", "Photo Matched:",
                                      "<p>Original Time: Mon Apr 02 18:16:30 2012</p>",
                                      "<p>Adjustment Time: Mon Apr 02 19:16:30 2012</p>",
                                      ImgLine(photos_ / "slow.jpg"), "]]>"}));
  EXPECT_FALSE(std::filesystem::exists(photos_ / "GPS"));  // copies were not asked for
}

// The logger download's run: settings from the shared state, no list lines, no summary.
TEST_F(PhotoRun, DownloadRunTakesTheStoredSettingsQuietly) {
  WritePhoto(photos_ / "a.jpg", 62 - 86400);  // camera a day behind
  theUtilityManager.SetTimeZoneHours(9);
  theUtilityManager.SetPhotoCalibration(1, 0, 0, 0);
  theUtilityManager.writeGpsInPhoto = 1;
  report_ = {};
  ASSERT_TRUE(CombinePhotosFromDownload(dir_ / "track.trl", kml_, photos_, report_));
  theUtilityManager.Reset();
  EXPECT_TRUE(report_.listLines.empty());
  EXPECT_TRUE(report_.summary.empty());
  EXPECT_EQ(report_.photosMatched, 1);
  EXPECT_TRUE(std::filesystem::exists(photos_ / "GPS" / "a.jpg"));
  const auto kml = test::RunCapture({"iconv", "-f", "UTF-16", "-t", "UTF-8", kml_.string()}).out;
  EXPECT_NE(kml.find("<p>Adjustment Time: Mon Apr 02 19:16:02 2012</p>"), std::string::npos);
}

// Nothing to match: the document is still complete, with every point and no description.
TEST_F(PhotoRun, EmptyFolderAndMissingInputs) {
  PhotoSettings settings;
  settings.timeZoneHours = 9;
  const auto marks = Placemarks(Run(settings));
  EXPECT_EQ(marks.size(), 5u);
  EXPECT_EQ(report_.summary, (std::vector<std::string>{PhotoReadSummary(0, 0),
                                                       PhotoMatchSummary(0, 0)}));

  PhotoRunReport report;
  EXPECT_FALSE(ConvertPhotos("", photos_, kml_, settings, report));
  EXPECT_EQ(report.error, PhotoText(kPhotoTextNoTrackFile));
  report = {};
  EXPECT_FALSE(ConvertPhotos(dir_ / "track.trl", "", kml_, settings, report));
  EXPECT_EQ(report.error, PhotoText(kPhotoTextNoPhotoFolder));
  report = {};
  EXPECT_FALSE(WritePhotoKml(dir_ / "track.trl", photos_, dir_ / "no" / "such" / "x.kml",
                             settings, report));
  EXPECT_FALSE(report.error.empty());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "no"));
}

} // namespace
} // namespace divuzo
