#include "trackdata/KmlTemplate.h"
#include "trackdata/TrackExport.h"

namespace divuzo {

void WriteKmlFromTrackFile(TrackFileReader& source, TextSink& target, const LocalTimeBase& localTime) {
  WriteKmlHeader(target);

  // Route: every valid record on one line; count them for the first/last styles.
  long long pointCount = 0;
  std::string tuples;
  TrackPoint point;
  source.Rewind();
  while (source.Next(point)) {
    AppendKmlRouteTuple(tuples, point.longitude, point.latitude, point.height);
    ++pointCount;
    if (tuples.size() >= 64 * 1024) {
      target.WriteString(tuples);
      tuples.clear();
    }
  }
  target.WriteString(tuples);  // "</coordinates>" follows on the same line
  WriteKmlRouteEnd(target);

  // Placemarks: a point without a local calendar time keeps its number but is not drawn.
  source.Rewind();
  long long pointIndex = 0;
  std::string placemarks;
  std::string name;
  std::tm local{};
  while (source.Next(point)) {
    if (localTime.Breakdown(point.time, local)) {
      name.clear();
      AppendNameText(name, local);
      AppendKmlPlacemarkBegin(placemarks, name);
      AppendKmlPlacemarkEnd(placemarks, KmlStyleFor(pointIndex, pointCount, false), point.longitude,
                            point.latitude, point.height);
      if (placemarks.size() >= 64 * 1024) {
        target.WriteString(placemarks);
        placemarks.clear();
      }
    }
    ++pointIndex;
  }
  target.WriteString(placemarks);
  WriteKmlFooter(target);
}

} // namespace divuzo
