// The progress a photo run reports: a fixed total, steps that only go forward, and the end
// reached also when some photos get no copy.
#include "trackdata/PhotoGeotagger.h"
#include "trackdata/TrackPointRecord.h"

#include "TempDir.h"
#include "TestJpeg.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace divuzo {
namespace {

using Steps = std::vector<std::pair<std::size_t, std::size_t>>;  // (done, total) per call

class PhotoProgress : public testing::Test {
 protected:
  void SetUp() override {
    // Two points a minute apart from 2012-04-02 10:15:00 UTC.
    std::string track;
    for (int i = 0; i < 2; ++i) {
      const TrackPointRecord r = EncodeRecord(1333361700 + 60 * i, 35.5f, 139.5f + 0.5f * i, 12.0f);
      track.append(reinterpret_cast<const char*>(r.bytes.data()), r.bytes.size());
    }
    test::WriteFileBytes(dir_ / "t.trl", track);
    std::filesystem::create_directory(dir_ / "p");
    // Two photos on the track, one a year later; times in UTC (time zone 0).
    const char* times[] = {"2012:04:02 10:15:10", "2012:04:02 10:15:50", "2013:04:02 10:15:00"};
    for (int i = 0; i < 3; ++i) {
      test::TestPhoto photo;
      photo.dateTimeOriginal = times[i];
      test::WriteFileBytes(dir_ / "p" / ("IMG_" + std::to_string(i) + ".JPG"),
                           test::MakeTestJpeg(photo));
    }
  }

  Steps Run(bool writeGps) {
    Steps steps;
    PhotoSettings settings;
    settings.writeGps = writeGps;
    settings.progress = [&steps](std::size_t done, std::size_t total) {
      steps.emplace_back(done, total);
    };
    PhotoRunReport report;
    EXPECT_TRUE(ConvertPhotos(dir_ / "t.trl", dir_ / "p", dir_ / "out.kml", settings, report))
        << report.error;
    EXPECT_EQ(report.photosMatched, 2);
    return steps;
  }

  test::TempDir dir_;
};

TEST_F(PhotoProgress, OneStepPerPhotoRead) {
  const Steps steps = Run(false);
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.front(), std::make_pair(std::size_t{1}, std::size_t{3}));
  EXPECT_EQ(steps.back(), std::make_pair(std::size_t{3}, std::size_t{3}));
}

TEST_F(PhotoProgress, CopiesCountAndUnmatchedPhotosAreCreditedAfterMatching) {
  // Three reads, the unmatched photo's copy step once matching is done, two copies.
  const Steps expected = {{1, 6}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}, {6, 6}};
  EXPECT_EQ(Run(true), expected);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "p" / "GPS" / "IMG_0.JPG"));
}

}  // namespace
}  // namespace divuzo
