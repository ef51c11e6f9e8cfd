// The geotag sub-command of the command-line tool, run as a program.
#include "trackdata/TrackPointRecord.h"

#include "CaptureOutput.h"
#include "PhotoTestSupport.h"
#include "TempDir.h"
#include "TestJpeg.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

class GeotagCommand : public testing::Test {
protected:
  void SetUp() override {
    // Two points a minute apart from 2012-04-02 10:15:00 UTC.
    std::string track;
    for (int i = 0; i < 2; ++i) {
      const auto r = EncodeRecord(1333361700 + 60 * i, 35.5f, 139.5f + 0.5f * i, 12.0f);
      track.append(reinterpret_cast<const char*>(r.bytes.data()), r.bytes.size());
    }
    test::WriteFileBytes(dir_ / "t.trl", track);
    std::filesystem::create_directory(dir_ / "p");
    test::TestPhoto photo;
    photo.dateTimeOriginal = "2012:04:02 18:15:50";  // one hour slow at +9
    test::WriteFileBytes(dir_ / "p" / "IMG_1.JPG", test::MakeTestJpeg(photo));
  }

  test::CommandOutput Geotag(std::vector<std::string> extra) {
    std::vector<std::string> args = {DIVUZO_CLI_PATH,        "geotag", "--track",
                                     (dir_ / "t.trl").string(), "--photos", (dir_ / "p").string(),
                                     "--kml",                 (dir_ / "out.kml").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return test::RunCapture(args);
  }

  test::TempDir dir_;
};

TEST_F(GeotagCommand, CalibratedPhotoGetsItsCopy) {
  const auto run = Geotag({"--tz", "9", "--calibrate", "0:1:0:0", "--write-gps"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(test::RunCapture({"xmllint", "--noout", (dir_ / "out.kml").string()}).exitCode, 0);
  auto gps = test::ExifToolTags(dir_ / "p" / "GPS" / "IMG_1.JPG", "-GPS:all");
  EXPECT_NE(run.out.find("IMG_1.JPG"), std::string::npos);
  EXPECT_EQ(gps["GPSLongitude"], "140");  // 10 s before the second point
  EXPECT_EQ(gps["GPSTimeStamp"], "10:16:00");
}

// Run from the photo folder's parent with relative paths: the KML still names the photo by its
// full path.
TEST_F(GeotagCommand, RelativeFolderGivesFullPhotoPaths) {
  const auto run = test::RunCapture(
      {"sh", "-c", "cd \"$0\" && \"$1\" geotag --track t.trl --photos p --kml out.kml --tz 9 "
                   "--calibrate 0:1:0:0",
       dir_.path().string(), DIVUZO_CLI_PATH});
  EXPECT_EQ(run.exitCode, 0);
  const auto kml = test::RunCapture({"iconv", "-f", "UTF-16", "-t", "UTF-8",
                                     (dir_ / "out.kml").string()}).out;
  EXPECT_NE(kml.find("src=\"" + (dir_ / "p" / "IMG_1.JPG").string() + "\""), std::string::npos);
}

TEST_F(GeotagCommand, WithoutCalibrationOrCopiesNothingIsMatched) {
  const auto run = Geotag({"--tz", "9"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "out.kml"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "p" / "GPS"));
  const auto kml = test::RunCapture({"iconv", "-f", "UTF-16", "-t", "UTF-8",
                                     (dir_ / "out.kml").string()}).out;
  EXPECT_EQ(kml.find("Photo Matched:"), std::string::npos);
  EXPECT_NE(kml.find("</kml>"), std::string::npos);
}

TEST_F(GeotagCommand, BadArgumentsAreRefused) {
  for (const char* bad : {"1:2:3", "0:24:0:0", "31:0:0:0", "a:b:c:d", "0:0:0:0x"}) {
    EXPECT_EQ(Geotag({"--calibrate", bad}).exitCode, 2) << bad;
  }
  EXPECT_NE(Geotag({"--tz", "14"}).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.kml"));
  EXPECT_EQ(test::RunCapture({DIVUZO_CLI_PATH, "geotag", "--track", (dir_ / "t.trl").string(),
                              "--photos", (dir_ / "p").string(), "--kml",
                              (dir_ / "missing" / "out.kml").string()})
                .exitCode,
            1);
}

} // namespace
} // namespace divuzo
