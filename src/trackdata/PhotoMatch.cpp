#include "trackdata/PhotoMatch.h"

#include <algorithm>

namespace divuzo {

void MatchPhotos(std::vector<SortedPoint>& points, std::vector<SortedPhoto>& photos) {
  std::size_t resume = 0;
  for (auto& photo : photos) {
    photo.matched = false;
    const std::int64_t t = photo.adjustedTime;
    const auto later = std::upper_bound(
        points.begin() + static_cast<std::ptrdiff_t>(resume), points.end(), t,
        [](std::int64_t time, const SortedPoint& point) { return time < point.time; });
    if (later == points.end() || later == points.begin()) continue;
    const std::size_t next = static_cast<std::size_t>(later - points.begin());
    const std::size_t previous = next - 1;
    if (points[next].time - points[previous].time > kPhotoMaxGapSeconds) continue;
    const std::size_t chosen =
        points[next].time - t < t - points[previous].time ? next : previous;
    photo.matched = true;
    photo.point = chosen;
    points[chosen].hasPhoto = true;
    resume = chosen;
  }
}

} // namespace divuzo
