// GPS-tagged copies, read back by exiftool.
#include "trackdata/ExifGpsWriter.h"
#include "trackdata/ExifTiff.h"
#include "trackdata/PhotoTexts.h"

#include "StringTable.h"

#include "FifoProbe.h"
#include "PhotoTestSupport.h"
#include "TempDir.h"
#include "TestJpeg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace divuzo {
namespace {

using test::MakerNoteKind;
using test::TestPhoto;

// 2012-04-02 10:15:00 UTC.
constexpr std::int64_t kPointTime = 1333361700;

struct Variant {
  const char* name;
  TestPhoto photo;
};

void PrintTo(const Variant& v, std::ostream* os) { *os << v.name; }

TestPhoto Canon(bool big) {
  TestPhoto p;
  p.bigEndian = big;
  return p;
}

TestPhoto Sony(bool big) {
  TestPhoto p;
  p.bigEndian = big;
  p.make = "SONY";
  p.model = "DSC-RX100";
  p.makerNote = MakerNoteKind::Sony;
  return p;
}

TestPhoto CanonWithoutThumbnail() {
  TestPhoto p = Canon(true);
  p.thumbnail = false;
  p.jfifFirst = true;
  return p;
}

class GpsCopy : public testing::TestWithParam<Variant> {};

// Every camera layout we copy: the GPS tags read back as written, every other tag and the
// thumbnail read the same as in the original, and the original keeps its bytes.
TEST_P(GpsCopy, GpsTagsReadBackAndEverythingElseUnchanged) {
  test::TempDir dir;
  const auto photo = dir / "IMG_0001.JPG";
  const std::string original = test::MakeTestJpeg(GetParam().photo);
  test::WriteFileBytes(photo, original);

  const GpsFix fix{35.681236, 139.76712, 41.37, kPointTime};
  const GpsPhotoResult result = WriteGpsPhoto(photo, fix);
  ASSERT_EQ(result.status, GpsPhotoStatus::Written) << result.message;
  const auto copy = dir / "GPS" / "IMG_0001.JPG";
  EXPECT_EQ(result.output, copy);
  ASSERT_TRUE(std::filesystem::exists(copy));
  EXPECT_EQ(test::ReadFileBytes(photo), original);
  EXPECT_EQ(std::filesystem::file_size(copy), original.size() + 12 + kGpsDirectorySize);

  auto gps = test::ExifToolTags(copy, "-GPS:all");
  EXPECT_EQ(gps["GPSLatitudeRef"], "N");
  EXPECT_EQ(gps["GPSLongitudeRef"], "E");
  EXPECT_NEAR(std::atof(gps["GPSLatitude"].c_str()), 35.681236, 0.01 / 3600);
  EXPECT_NEAR(std::atof(gps["GPSLongitude"].c_str()), 139.76712, 0.01 / 3600);
  EXPECT_EQ(gps["GPSAltitudeRef"], "0");
  EXPECT_EQ(gps["GPSAltitude"], "41.37");
  EXPECT_EQ(gps["GPSTimeStamp"], "10:15:00");
  EXPECT_EQ(gps["GPSDateStamp"], "2012:04:02");
  EXPECT_EQ(gps["GPSVersionID"], "2 2 0 0");

  // Degrees, minutes and seconds truncated to hundredths of a second.
  auto printed = test::ExifToolTags(copy, "-GPS:all", true);
  EXPECT_EQ(printed["GPSLatitude"], "35 deg 40' 52.44\"");
  EXPECT_EQ(printed["GPSLongitude"], "139 deg 46' 1.63\"");

  const std::string before = test::ExifToolAllButGps(photo);
  EXPECT_GT(before.size(), 200u);
  EXPECT_EQ(test::ExifToolAllButGps(copy), before);
  EXPECT_EQ(test::ExifToolThumbnail(copy), test::ExifToolThumbnail(photo));

  // The photos are built as cameras write them: the readers find nothing wrong in them, and
  // nothing more in the copy (directory order, next pointer, even offsets, maker note footer).
  const auto exiftoolWarnings = test::ExifToolValidationWarnings(photo);
  const auto exiv2Warnings = test::Exiv2Warnings(photo);
  EXPECT_TRUE(exiftoolWarnings.empty()) << testing::PrintToString(exiftoolWarnings);
  EXPECT_TRUE(exiv2Warnings.empty()) << testing::PrintToString(exiv2Warnings);
  EXPECT_EQ(test::ExifToolValidationWarnings(copy), exiftoolWarnings);
  EXPECT_EQ(test::Exiv2Warnings(copy), exiv2Warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, GpsCopy,
    testing::Values(Variant{"CanonLittleEndian", Canon(false)}, Variant{"CanonBigEndian", Canon(true)},
                    Variant{"SonyLittleEndian", Sony(false)}, Variant{"SonyBigEndian", Sony(true)},
                    Variant{"CanonNoThumbnailAfterJfif", CanonWithoutThumbnail()}),
    [](const testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

// A TIFF block that ends on an odd offset (no IFD1, and a stray byte at its end): the GPS
// directory placed there starts on the next even offset, and the readers find nothing new.
TEST(GpsCopy, DirectoryBehindAnOddBlockEndStartsOnAnEvenOffset) {
  test::TempDir dir;
  TestPhoto p = Canon(false);
  p.thumbnail = false;
  const std::string original =
      std::string("\xFF\xD8", 2) +
      test::detail::Segment(0xE1, std::string("Exif\0\0", 6) + test::MakeTestTiff(p) + '\0') +
      test::TestBodyJpeg().substr(2);
  const auto photo = dir / "odd.jpg";
  test::WriteFileBytes(photo, original);
  const GpsPhotoResult result = WriteGpsPhoto(photo, GpsFix{35, 139, 10, kPointTime});
  ASSERT_EQ(result.status, GpsPhotoStatus::Written) << result.message;
  const std::string copy = test::ReadFileBytes(result.output);
  EXPECT_EQ(copy.size(), original.size() + 12 + 1 + kGpsDirectorySize);

  exif::ExifLocation location;
  exif::TiffView tiff;
  exif::Ifd ifd0;
  ASSERT_TRUE(exif::OpenFirstIfd(reinterpret_cast<const std::uint8_t*>(copy.data()), copy.size(),
                                 location, tiff, ifd0));
  const exif::IfdEntry* gps = ifd0.Find(exif::kTagGpsPointer);
  ASSERT_NE(gps, nullptr);
  EXPECT_EQ(gps->value % 2, 0u);
  EXPECT_EQ(test::ExifToolTags(result.output, "-GPSLatitude")["GPSLatitude"], "35");
  EXPECT_EQ(test::ExifToolValidationWarnings(result.output),
            test::ExifToolValidationWarnings(photo));
  EXPECT_EQ(test::Exiv2Warnings(result.output), test::Exiv2Warnings(photo));
}

TEST(GpsCopy, SouthWestAndBelowSeaLevel) {
  test::TempDir dir;
  const auto photo = dir / "south.jpg";
  test::WriteFileBytes(photo, test::MakeTestJpeg(Sony(true)));
  const GpsFix fix{-33.85678, -151.21529, -12.345, kPointTime + 86399};
  ASSERT_EQ(WriteGpsPhoto(photo, fix).status, GpsPhotoStatus::Written);

  auto printed = test::ExifToolTags(dir / "GPS" / "south.jpg", "-GPS:all", true);
  EXPECT_EQ(printed["GPSLatitudeRef"], "South");
  EXPECT_EQ(printed["GPSLatitude"], "33 deg 51' 24.40\"");
  EXPECT_EQ(printed["GPSLongitudeRef"], "West");
  EXPECT_EQ(printed["GPSLongitude"], "151 deg 12' 55.04\"");
  EXPECT_EQ(printed["GPSAltitudeRef"], "Below Sea Level");
  EXPECT_EQ(printed["GPSAltitude"], "12.34 m");
  EXPECT_EQ(printed["GPSTimeStamp"], "10:14:59");
  EXPECT_EQ(printed["GPSDateStamp"], "2012:04:03");
}

TEST(GpsCopy, ZeroCoordinatesGetNoHemisphereLetter) {
  test::TempDir dir;
  const auto photo = dir / "zero.jpg";
  test::WriteFileBytes(photo, test::MakeTestJpeg(Canon(false)));
  ASSERT_EQ(WriteGpsPhoto(photo, GpsFix{0.0, 0.0, 0.0, 0}).status, GpsPhotoStatus::Written);
  auto gps = test::ExifToolTags(dir / "GPS" / "zero.jpg", "-GPS:all");
  EXPECT_EQ(gps["GPSLatitude"], "0");
  EXPECT_EQ(gps.count("GPSLatitudeRef"), 1u);
  EXPECT_EQ(gps["GPSLatitudeRef"], "");
  EXPECT_EQ(gps.count("GPSLongitudeRef"), 1u);
  EXPECT_EQ(gps["GPSLongitudeRef"], "");
  EXPECT_EQ(gps["GPSDateStamp"], "1970:01:01");
}

// Other makers' maker notes may hold offsets we cannot move: no copy, and no empty GPS folder
// left behind (an empty one from before is removed too).
TEST(GpsCopy, OtherMakersAreRefusedAndLeaveNoFolder) {
  test::TempDir dir;
  TestPhoto fuji;
  fuji.make = "FUJIFILM";
  fuji.makerNote = MakerNoteKind::Fujifilm;
  TestPhoto casio = Canon(true);
  casio.make = "CASIO COMPUTER CO.,LTD.";
  casio.makerNote = MakerNoteKind::None;
  for (const TestPhoto& p : {fuji, casio}) {
    const auto photo = dir / "other.jpg";
    const std::string original = test::MakeTestJpeg(p);
    test::WriteFileBytes(photo, original);
    std::filesystem::create_directory(dir / "GPS");
    const GpsPhotoResult result = WriteGpsPhoto(photo, GpsFix{35, 139, 10, kPointTime});
    EXPECT_EQ(result.status, GpsPhotoStatus::MakerRefused) << p.make;
    EXPECT_FALSE(std::filesystem::exists(dir / "GPS")) << p.make;
    EXPECT_EQ(test::ReadFileBytes(photo), original);
  }
  // A GPS folder that holds other copies stays.
  const auto canon = dir / "canon.jpg";
  test::WriteFileBytes(canon, test::MakeTestJpeg(Canon(false)));
  ASSERT_EQ(WriteGpsPhoto(canon, GpsFix{35, 139, 10, kPointTime}).status,
            GpsPhotoStatus::Written);
  EXPECT_EQ(WriteGpsPhoto(dir / "other.jpg", GpsFix{35, 139, 10, kPointTime}).status,
            GpsPhotoStatus::MakerRefused);
  EXPECT_TRUE(std::filesystem::exists(dir / "GPS" / "canon.jpg"));
  EXPECT_FALSE(std::filesystem::exists(dir / "GPS" / "other.jpg"));
}

TEST(GpsCopy, UnusablePhotosGiveMessagesAndNoCopy) {
  test::TempDir dir;
  TestPhoto noExif = Canon(false);
  noExif.exifDirectory = false;
  const std::string good = test::MakeTestJpeg(Canon(false));
  struct Case {
    const char* what;
    std::string bytes;
    std::string message;
  };
  const Case cases[] = {
      {"no Exif directory", test::MakeTestJpeg(noExif), kNoExifDirectory},
      {"not a JPEG", "GIF89a....", kNotExifFormat},
      {"image without EXIF", test::TestBodyJpeg(), kNotExifFormat},
      {"cut inside the EXIF segment", good.substr(0, 300), kNotExifFormat},
      {"empty", "", kNotExifFormat},
  };
  for (const auto& c : cases) {
    const auto photo = dir / "bad.jpg";
    test::WriteFileBytes(photo, c.bytes);
    const GpsPhotoResult result = WriteGpsPhoto(photo, GpsFix{35, 139, 10, kPointTime});
    EXPECT_EQ(result.status, GpsPhotoStatus::Failed) << c.what;
    EXPECT_EQ(result.message, c.message) << c.what;
    EXPECT_FALSE(std::filesystem::exists(dir / "GPS")) << c.what;
  }
  EXPECT_EQ(WriteGpsPhoto(dir / "missing.jpg", GpsFix{}).status, GpsPhotoStatus::Failed);
  ASSERT_TRUE(test::MakeFifo(dir / "fifo.jpg"));
  GpsPhotoResult fromFifo;
  EXPECT_TRUE(test::ReturnsWithoutWriter(
      dir / "fifo.jpg", [&] { fromFifo = WriteGpsPhoto(dir / "fifo.jpg", GpsFix{}); }));
  EXPECT_EQ(fromFifo.status, GpsPhotoStatus::Failed);
  EXPECT_NE(fromFifo.message.find("is a FIFO"), std::string::npos) << fromFifo.message;
  EXPECT_FALSE(std::filesystem::exists(dir / "GPS"));
}

// A photo that already carries GPS tags gets the new ones; the copy still reads cleanly.
TEST(GpsCopy, CopyOfACopyReplacesTheGpsTags) {
  test::TempDir dir;
  const auto photo = dir / "a.jpg";
  test::WriteFileBytes(photo, test::MakeTestJpeg(Canon(true)));
  ASSERT_EQ(WriteGpsPhoto(photo, GpsFix{10, 20, 30, kPointTime}).status, GpsPhotoStatus::Written);
  const auto first = dir / "GPS" / "a.jpg";
  const GpsPhotoResult second = WriteGpsPhoto(first, GpsFix{-10, -20, 40, kPointTime});
  ASSERT_EQ(second.status, GpsPhotoStatus::Written) << second.message;
  auto gps = test::ExifToolTags(second.output, "-GPS:all");
  EXPECT_EQ(gps["GPSLatitudeRef"], "S");
  EXPECT_EQ(gps["GPSLatitude"], "10");
  EXPECT_EQ(gps["GPSLongitudeRef"], "W");
  EXPECT_EQ(gps["GPSLongitude"], "20");
  EXPECT_EQ(gps["GPSAltitude"], "40");
  EXPECT_EQ(test::ExifToolAllButGps(second.output), test::ExifToolAllButGps(photo));
  EXPECT_EQ(test::ExifToolValidationWarnings(second.output),
            test::ExifToolValidationWarnings(photo));
  EXPECT_EQ(test::Exiv2Warnings(second.output), test::Exiv2Warnings(photo));
}

// A good photo matched to a point that no GPS directory can hold: refused with that cause, not
// as a photo fault.
TEST(GpsCopy, PointsOutOfRangeAreRefusedWithTheirCause) {
  const std::string jpeg = test::MakeTestJpeg(Canon(false));
  const auto* data = reinterpret_cast<const std::uint8_t*>(jpeg.data());
  std::vector<std::uint8_t> out;
  for (const GpsFix& fix :
       {GpsFix{91, 0, 0, 0}, GpsFix{0, -181, 0, 0}, GpsFix{std::nan(""), 0, 0, 0},
        GpsFix{0, 0, 1e300, 0}, GpsFix{0, 0, 0, 400000000000LL}}) {
    const GpsPhotoResult result = BuildGpsPhoto(data, jpeg.size(), fix, out);
    EXPECT_EQ(result.status, GpsPhotoStatus::Failed);
    EXPECT_EQ(result.message, PhotoText(kPhotoTextPointOutOfRange));
    EXPECT_TRUE(out.empty());
  }
  EXPECT_NE(PhotoText(kPhotoTextPointOutOfRange), kNotExifFormat);
  EXPECT_TRUE(HasText(kPhotoTextPointOutOfRange));
}

} // namespace
} // namespace divuzo

namespace divuzo {
namespace {

// Staged copies show nowhere until the commit; an abandoned batch leaves nothing behind.
TEST(GpsCopyBatch, CopiesAppearOnlyOnCommit) {
  test::TempDir dir;
  for (const char* name : {"a.jpg", "b.jpg"}) {
    test::WriteFileBytes(dir / name, test::MakeTestJpeg(Canon(false)));
  }
  {
    GpsPhotoBatch batch;
    ASSERT_EQ(batch.Add(dir / "a.jpg", GpsFix{1, 2, 3, kPointTime}).status,
              GpsPhotoStatus::Written);
    EXPECT_FALSE(std::filesystem::exists(dir / "GPS" / "a.jpg"));
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "GPS"));

  GpsPhotoBatch batch;
  ASSERT_EQ(batch.Add(dir / "a.jpg", GpsFix{1, 2, 3, kPointTime}).status, GpsPhotoStatus::Written);
  ASSERT_EQ(batch.Add(dir / "b.jpg", GpsFix{4, 5, 6, kPointTime}).status, GpsPhotoStatus::Written);
  EXPECT_TRUE(batch.Commit().empty());
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "GPS")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(test::ExifToolTags(dir / "GPS" / "b.jpg", "-GPSAltitude")["GPSAltitude"], "6");
}

} // namespace
} // namespace divuzo
