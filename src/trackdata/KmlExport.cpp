#include "trackdata/KmlTemplate.h"
#include "trackdata/TrackExport.h"

namespace divuzo {

void WriteKmlFromTrackFile(TrackFileReader& source, TextSink& target, const LocalTimeBase& localTime) {
  WriteKmlHeader(target);

  // Route: every valid record on one line; count them for the first/last styles.
  source.Rewind();
  const long long pointCount = WriteKmlRoute(source, target);
  WriteKmlRouteEnd(target);

  // Placemarks: a point without a local calendar time keeps its number but is not drawn.
  source.Rewind();
  long long pointIndex = 0;
  std::string placemarks;
  std::string name;
  TrackPoint point;
  std::tm local{};
  while (source.Next(point)) {
    if (localTime.Breakdown(point.time, local)) {
      name.clear();
      AppendNameText(name, local);
      AppendKmlPlacemarkBegin(placemarks, name);
      AppendKmlPlacemarkEnd(placemarks, KmlStyleFor(pointIndex, pointCount, false), point.longitude,
                            point.latitude, point.height);
      WriteBatchWhenFull(target, placemarks);
    }
    ++pointIndex;
  }
  target.WriteString(placemarks);
  WriteKmlFooter(target);
}

} // namespace divuzo
