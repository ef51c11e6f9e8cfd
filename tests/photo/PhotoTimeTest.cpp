// Taking times read from made photos.
#include "trackdata/ExifReader.h"
#include "trackdata/PhotoTexts.h"

#include "FifoProbe.h"
#include "TempDir.h"
#include "TestJpeg.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

using test::TestPhoto;

PhotoTimeResult ReadMade(const TestPhoto& photo, int hours) {
  const std::string jpeg = test::MakeTestJpeg(photo);
  return ReadPhotoTimeFromBytes(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size(),
                                hours);
}

// 19:15:00 local at +9 hours is 10:15:00 UTC on 2012-04-02 (1333361700); both byte orders,
// with and without a JFIF segment in front, and from a file on disk.
TEST(PhotoTime, LocalTakingTimeBecomesUtc) {
  for (bool big : {false, true}) {
    for (bool jfif : {false, true}) {
      TestPhoto photo;
      photo.bigEndian = big;
      photo.jfifFirst = jfif;
      photo.dateTime = "1999:01:01 00:00:00";  // IFD0's date is not the taking time
      const PhotoTimeResult r = ReadMade(photo, 9);
      ASSERT_TRUE(r.ok) << r.message;
      EXPECT_EQ(r.time, 1333361700) << big << jfif;
    }
  }
  TestPhoto photo;
  EXPECT_EQ(ReadMade(photo, 0).time, 1333361700 + 9 * 3600);
  EXPECT_EQ(ReadMade(photo, -5).time, 1333361700 + 14 * 3600);

  test::TempDir dir;
  test::WriteFileBytes(dir / "a.jpg", test::MakeTestJpeg(photo));
  EXPECT_EQ(ReadPhotoTime(dir / "a.jpg", 9).time, 1333361700);
}

// Segments in front of the EXIF block larger than the first read of the file.
TEST(PhotoTime, LongSegmentsBeforeTheExifBlock) {
  std::string jpeg("\xFF\xD8", 2);
  const std::string filler(65000, 'x');
  for (int i = 0; i < 4; ++i) {
    jpeg += std::string("\xFF\xE1\xFD\xEA", 4) + filler;  // APP1 that is not EXIF, 65002 bytes
  }
  TestPhoto photo;
  jpeg += test::MakeTestJpeg(photo).substr(2);
  test::TempDir dir;
  test::WriteFileBytes(dir / "long.jpg", jpeg);
  const PhotoTimeResult r = ReadPhotoTime(dir / "long.jpg", 9);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.time, 1333361700);
}

TEST(PhotoTime, FailuresCarryTheirMessages) {
  TestPhoto noOriginal;
  noOriginal.dateTimeOriginal.clear();
  EXPECT_EQ(ReadMade(noOriginal, 0).message, PhotoText(kPhotoTextNoDate));
  TestPhoto noExif;
  noExif.exifDirectory = false;
  EXPECT_EQ(ReadMade(noExif, 0).message, PhotoText(kPhotoTextNoDate));
  EXPECT_FALSE(PhotoText(kPhotoTextNoDate).empty());

  for (const char* date : {"0000:00:00 00:00:00", "2012:02:30 10:00:00", "2012:13:01 10:00:00",
                           "2012:04:02 24:00:00", "2012-04-02 1O:15:00", "    :  :     :  :  "}) {
    TestPhoto photo;
    photo.dateTimeOriginal = date;
    const PhotoTimeResult r = ReadMade(photo, 0);
    EXPECT_FALSE(r.ok) << date;
    EXPECT_EQ(r.message, PhotoText(kPhotoTextBadDate)) << date;
  }
  TestPhoto leap;
  leap.dateTimeOriginal = "2012:02:29 00:00:00";
  EXPECT_TRUE(ReadMade(leap, 0).ok);

  const std::string good = test::MakeTestJpeg(TestPhoto{});
  std::string wrongOrder = good;
  wrongOrder[12] = 'X';  // "II" -> "XI"
  for (const std::string& bytes :
       {std::string(), std::string("\xFF\xD8", 2), test::TestBodyJpeg(), good.substr(0, 40),
        wrongOrder, std::string("\xFF\xD8\xFF\xE1\x00\x01", 6)}) {
    const PhotoTimeResult r =
        ReadPhotoTimeFromBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), 0);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, kNotExifFormat);
  }
  // A file that cannot be read says why; a FIFO is refused without waiting for a writer.
  EXPECT_EQ(ReadPhotoTime("/nonexistent/photo.jpg", 0).message,
            "cannot open /nonexistent/photo.jpg: No such file or directory");
  test::TempDir dir;
  if (!test::kFileSystemHasFifos) return;
  ASSERT_TRUE(test::MakeFifo(dir / "fifo.jpg"));
  PhotoTimeResult fromFifo;
  EXPECT_TRUE(test::ReturnsWithoutWriter(dir / "fifo.jpg",
                                         [&] { fromFifo = ReadPhotoTime(dir / "fifo.jpg", 0); }));
  EXPECT_FALSE(fromFifo.ok);
  EXPECT_EQ(fromFifo.message, (dir / "fifo.jpg").string() + " is a FIFO, not a regular file");
}

} // namespace
} // namespace divuzo
