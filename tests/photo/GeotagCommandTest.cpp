// The geotag sub-command of the command-line tool, run as a program.
#include "trackdata/PhotoTexts.h"
#include "trackdata/TrackPointRecord.h"

#include "CaptureOutput.h"
#include "FifoProbe.h"
#include "PhotoTestSupport.h"
#include "TempDir.h"
#include "TestJpeg.h"

#include <gtest/gtest.h>

#include <map>

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
    return GeotagWith(dir_ / "t.trl", dir_ / "p", dir_ / "out.kml", std::move(extra));
  }

  // Standard output and error together, stopped should it wait on its input.
  test::CommandOutput GeotagWith(const std::filesystem::path& track,
                                 const std::filesystem::path& photos,
                                 const std::filesystem::path& kml, std::vector<std::string> extra) {
    std::string args = "geotag --track " + test::ShellQuote(track.string()) + " --photos " +
                       test::ShellQuote(photos.string()) + " --kml " +
                       test::ShellQuote(kml.string());
    for (const auto& e : extra) args += " " + test::ShellQuote(e);
    return test::RunCliWithin(30, args);
  }

  // Every file below the test folder with its bytes (links as their targets' names).
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
      const std::string name = entry.path().lexically_relative(dir_.path()).string();
      if (entry.is_symlink()) {
        files[name] = "-> " + std::filesystem::read_symlink(entry.path()).string();
      } else if (entry.is_regular_file()) {
        files[name] = test::ReadFileBytes(entry.path());
      } else {
        files[name] = "(other)";
      }
    }
    return files;
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

// A KML name that would replace the track, a photo or a file that is not a KML file, a track or
// photo folder that is not there, a track that is a FIFO: refused with the reason, exit status
// 1, and nothing written or changed.
TEST_F(GeotagCommand, RefusedInputsAndTargetsWriteNothing) {
  std::filesystem::create_symlink(dir_ / "p" / "IMG_1.JPG", dir_ / "photo.kml");
  test::WriteFileBytes(dir_ / "notes.txt", "keep");
  ASSERT_TRUE(test::MakeFifo(dir_ / "fifo.trl"));
  const auto before = Snapshot();
  const struct {
    std::filesystem::path track, photos, kml;
    std::string reason;
  } cases[] = {
      {dir_ / "t.trl", dir_ / "p", dir_ / "t.trl", PhotoText(kPhotoTextKmlTargetRefused)},
      {dir_ / "t.trl", dir_ / "p", dir_ / "p" / "IMG_1.JPG", PhotoText(kPhotoTextKmlTargetRefused)},
      {dir_ / "t.trl", dir_ / "p", dir_ / "photo.kml", PhotoText(kPhotoTextKmlTargetRefused)},
      {dir_ / "t.trl", dir_ / "p", dir_ / "notes.txt", PhotoText(kPhotoTextKmlTargetRefused)},
      {dir_ / "t.trl", dir_ / "p", dir_ / "p", PhotoText(kPhotoTextKmlTargetRefused)},
      {dir_ / "none.trl", dir_ / "p", dir_ / "out.kml", PhotoText(kPhotoTextTrackUnreadable)},
      {dir_ / "fifo.trl", dir_ / "p", dir_ / "out.kml", PhotoText(kPhotoTextTrackUnreadable)},
      {dir_ / "t.trl", dir_ / "none", dir_ / "out.kml", PhotoText(kPhotoTextNoSuchPhotoFolder)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.track.string() + " " + c.photos.string() + " " + c.kml.string());
    const auto run = GeotagWith(c.track, c.photos, c.kml, {"--tz", "9", "--write-gps"});
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.out.find(c.reason), std::string::npos) << run.out;
    EXPECT_EQ(Snapshot(), before);
  }
  // An existing KML file is replaced.
  test::WriteFileBytes(dir_ / "old.kml", "old");
  EXPECT_EQ(GeotagWith(dir_ / "t.trl", dir_ / "p", dir_ / "old.kml", {"--tz", "9"}).exitCode, 0);
  EXPECT_NE(test::ReadFileBytes(dir_ / "old.kml"), "old");
}

// Copies that cannot be written are counted and make the exit status 1; a GPS folder that is
// a link to the photos' own folder is never written through.
TEST_F(GeotagCommand, FailedCopiesAreCountedAndLinkedGpsFolderIsRefused) {
  test::WriteFileBytes(dir_ / "p" / "GPS", "a file in the way of the folder");
  auto run = Geotag({"--tz", "9", "--calibrate", "0:1:0:0", "--write-gps"});
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_NE(run.out.find("GPS copies: 0 written, 0 refused (camera maker), 1 failed"),
            std::string::npos) << run.out;
  EXPECT_TRUE(std::filesystem::exists(dir_ / "out.kml"));  // the KML is written regardless

  const std::string original = test::ReadFileBytes(dir_ / "p" / "IMG_1.JPG");
  std::filesystem::remove(dir_ / "p" / "GPS");
  std::filesystem::create_directory_symlink(dir_ / "p", dir_ / "p" / "GPS");
  run = Geotag({"--tz", "9", "--calibrate", "0:1:0:0", "--write-gps"});
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_NE(run.out.find(PhotoText(kPhotoTextGpsFolderUnsafe) + (dir_ / "p" / "GPS").string()),
            std::string::npos) << run.out;
  EXPECT_EQ(test::ReadFileBytes(dir_ / "p" / "IMG_1.JPG"), original);
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "p" / "GPS"));

  std::filesystem::remove(dir_ / "p" / "GPS");
  run = Geotag({"--tz", "9", "--calibrate", "0:1:0:0", "--write-gps"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find("GPS copies: 1 written, 0 refused (camera maker), 0 failed"),
            std::string::npos) << run.out;
}

} // namespace
} // namespace divuzo
