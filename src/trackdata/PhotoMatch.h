#pragma once
// Matching photos to track points by time.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace divuzo {

// Widest gap between two track points that a photo may fall into and still be matched.
inline constexpr std::int64_t kPhotoMaxGapSeconds = 120;

struct SortedPoint {
  std::size_t index = 0;   // into the point list
  std::int64_t time = 0;   // UTC seconds
  bool hasPhoto = false;
};

struct SortedPhoto {
  std::size_t index = 0;          // into the photo table
  std::int64_t adjustedTime = 0;  // taking time plus calibration, UTC seconds
  bool matched = false;
  std::size_t point = 0;          // position in the sorted point list, when matched
};

// Both lists sorted ascending by time. Each photo goes to the nearer of the two points around
// it (the earlier one on a tie), unless it lies before the first point, at or after the last one,
// or in a gap wider than kPhotoMaxGapSeconds. The search resumes at the last matched point.
void MatchPhotos(std::vector<SortedPoint>& points, std::vector<SortedPhoto>& photos);

} // namespace divuzo
