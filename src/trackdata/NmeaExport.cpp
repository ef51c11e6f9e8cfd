#include "trackdata/NumberText.h"
#include "trackdata/TrackExport.h"

#include <cmath>

namespace divuzo {

void AppendNmeaCoordinate(std::string& out, float value) {
  // Degrees truncated toward zero; minutes kept in single precision, as receivers do.
  const float degrees = std::trunc(value);
  const float minutes = std::fabs((value - degrees) * 60.0f);
  AppendFixed(out, std::fabs(degrees), 0);
  if (minutes < 10.0f) out.push_back('0');
  AppendFixed(out, minutes, 6);
}

unsigned NmeaChecksum(std::string_view sentence) {
  unsigned sum = 0;
  std::size_t i = !sentence.empty() && sentence[0] == '$' ? 1 : 0;
  for (; i < sentence.size(); ++i) {
    const char c = sentence[i];
    if (c == '*' || c == '\r' || c == '\n') break;
    sum ^= static_cast<unsigned char>(c);
  }
  return sum;
}

void WriteNmeaFromTrackFile(TrackFileReader& source, TextSink& target) {
  static const char kHex[] = "0123456789abcdef";
  source.Rewind();
  std::string lines;
  TrackPointRecord record;
  std::tm utc{};
  while (source.NextRecord(record)) {
    const TrackPoint point = DecodeRecord(record);
    // The coordinates as stored (single precision), not widened.
    const float latitude = static_cast<float>(point.latitude);
    const float longitude = static_cast<float>(point.longitude);
    UtcBreakdown(point.time, utc);
    const std::size_t start = lines.size();
    lines += "$GPRMC,";
    AppendZeroPadded(lines, utc.tm_hour, 2);
    AppendZeroPadded(lines, utc.tm_min, 2);
    AppendZeroPadded(lines, utc.tm_sec, 2);
    lines += ",A,";
    AppendNmeaCoordinate(lines, latitude);
    lines += latitude < 0 ? ",S," : ",N,";
    AppendNmeaCoordinate(lines, longitude);
    lines += longitude < 0 ? ",W," : ",E,";
    lines += "0,0,";
    AppendZeroPadded(lines, utc.tm_mday, 2);
    AppendZeroPadded(lines, utc.tm_mon + 1, 2);
    AppendZeroPadded(lines, (utc.tm_year + 1900) % 100, 2);
    lines += ",,*";
    const unsigned sum = NmeaChecksum(std::string_view(lines).substr(start));
    lines.push_back(kHex[(sum >> 4) & 0xF]);
    lines.push_back(kHex[sum & 0xF]);
    lines += kLineEnd;
    WriteBatchWhenFull(target, lines);
  }
  target.WriteString(lines);
}

} // namespace divuzo
