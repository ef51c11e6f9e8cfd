#include "trackdata/NumberText.h"
#include "trackdata/TrackExport.h"

namespace divuzo {

void WriteTextFromTrackFile(TrackFileReader& source, TextSink& target, const LocalTimeBase& localTime) {
  source.Rewind();
  std::string lines;
  TrackPoint point;
  std::tm local{};
  while (source.Next(point)) {
    if (!localTime.Breakdown(point.time, local)) continue;
    AppendFixed(lines, point.longitude, 7);
    lines.push_back(',');
    AppendFixed(lines, point.latitude, 7);
    lines.push_back(',');
    AppendFixed(lines, point.height, 2);
    lines.push_back(',');
    AppendNameText(lines, local);
    lines += kLineEnd;
    WriteBatchWhenFull(target, lines);
  }
  target.WriteString(lines);
}

} // namespace divuzo
