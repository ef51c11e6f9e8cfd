// Photo to track point matching by time.
#include "trackdata/PhotoMatch.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

std::vector<SortedPoint> Points(std::initializer_list<std::int64_t> times) {
  std::vector<SortedPoint> points;
  for (auto t : times) points.push_back({points.size(), t, false});
  return points;
}

std::vector<SortedPhoto> Photos(std::initializer_list<std::int64_t> times) {
  std::vector<SortedPhoto> photos;
  for (auto t : times) photos.push_back({photos.size(), t, false, 0});
  return photos;
}

// Matched point position per photo, -1 for unmatched.
std::vector<long> Match(std::vector<SortedPoint>& points, std::initializer_list<std::int64_t> at) {
  auto photos = Photos(at);
  MatchPhotos(points, photos);
  std::vector<long> result;
  for (const auto& p : photos) result.push_back(p.matched ? static_cast<long>(p.point) : -1);
  return result;
}

TEST(PhotoMatch, NearestPointWithinGapsOfTwoMinutes) {
  // Gap of 80 s: 30 s after A is nearer A; gap of 121 s is too wide; exactly 120 s still counts.
  auto points = Points({1000, 1080, 1201, 1321});
  EXPECT_EQ(Match(points, {1030, 1070, 1100, 1250, 1300}),
            (std::vector<long>{0, 1, -1, 2, 3}));
  EXPECT_TRUE(points[0].hasPhoto);
  EXPECT_TRUE(points[1].hasPhoto);
  EXPECT_TRUE(points[2].hasPhoto);
  EXPECT_TRUE(points[3].hasPhoto);
}

TEST(PhotoMatch, HalfwayGoesToTheEarlierPoint) {
  auto points = Points({1000, 1060, 1120});
  EXPECT_EQ(Match(points, {1030, 1090}), (std::vector<long>{0, 1}));
  EXPECT_FALSE(points[2].hasPhoto);
}

TEST(PhotoMatch, OutsideTheTrackIsUnmatched) {
  auto points = Points({1000, 1010, 1020});
  // Before the first point, on the first point, on the last point, after it.
  EXPECT_EQ(Match(points, {999, 1000, 1020, 1021}), (std::vector<long>{-1, 0, -1, -1}));
  auto single = Points({1000});
  EXPECT_EQ(Match(single, {1000, 999}), (std::vector<long>{-1, -1}));
  std::vector<SortedPoint> none;
  EXPECT_EQ(Match(none, {5}), (std::vector<long>{-1}));
}

TEST(PhotoMatch, SeveralPhotosOnOnePointAndPointsWithEqualTimes) {
  auto points = Points({1000, 1010, 1010, 1020});
  // Two photos near 1010; equal point times: the later of the two equal points is "previous".
  EXPECT_EQ(Match(points, {1009, 1011, 1011, 1019}), (std::vector<long>{1, 2, 2, 3}));
  EXPECT_FALSE(points[0].hasPhoto);
}

// After an unmatched photo the search still finds later points.
TEST(PhotoMatch, SearchResumesAfterGapsAndUnmatchedPhotos) {
  auto points = Points({0, 10, 500, 510, 520, 5000, 5010});
  EXPECT_EQ(Match(points, {5, 200, 505, 505, 4000, 5009, 9000}),
            (std::vector<long>{0, -1, 2, 2, -1, 6, -1}));
}

} // namespace
} // namespace divuzo
