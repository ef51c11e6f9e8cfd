#include "trackdata/NumberText.h"
#include "trackdata/TrackExport.h"

namespace divuzo {

namespace {

// "<wpt ...>" or "<rtept ...>" with its time, elevation and name lines.
void AppendGpxPoint(std::string& out, std::string_view tag, const TrackPoint& point, long long number) {
  std::tm utc{};
  UtcBreakdown(point.time, utc);
  out += '<';
  out += tag;
  out += " lat=\"";
  AppendFixed(out, point.latitude, 6);
  out += "\" lon=\"";
  AppendFixed(out, point.longitude, 6);
  out += "\">\r\n";
  // "<time>YYYY-MM-DDThh:mm:ssZ</time>" built in place: this runs twice per point.
  char time[64];
  char* p = time;
  for (char c : std::string_view("<time>")) *p++ = c;
  p = WriteZeroPadded(p, utc.tm_year + 1900LL, 4);
  *p++ = '-';
  p = WriteZeroPadded(p, utc.tm_mon + 1, 2);
  *p++ = '-';
  p = WriteZeroPadded(p, utc.tm_mday, 2);
  *p++ = 'T';
  p = WriteZeroPadded(p, utc.tm_hour, 2);
  *p++ = ':';
  p = WriteZeroPadded(p, utc.tm_min, 2);
  *p++ = ':';
  p = WriteZeroPadded(p, utc.tm_sec, 2);
  for (char c : std::string_view("Z</time>\r\n")) *p++ = c;
  out.append(time, p);
  out += "<ele>";
  AppendFixed(out, point.height, 2);
  out += "</ele>\r\n";
  out += "<name><![CDATA[Point ";
  AppendZeroPadded(out, number, 1);
  out += "]]></name>\r\n";
  out += "</";
  out += tag;
  out += '>';
  out += kLineEnd;
}

void WritePointPass(TrackFileReader& source, TextSink& target, std::string_view tag) {
  source.Rewind();
  std::string lines;
  TrackPoint point;
  long long number = 0;
  while (source.Next(point)) {
    AppendGpxPoint(lines, tag, point, number++);
    WriteBatchWhenFull(target, lines);
  }
  target.WriteString(lines);
}

} // namespace

void WriteGpxFromTrackFile(TrackFileReader& source, TextSink& target) {
  for (std::string_view line :
       {"<?xml version=\"1.0\"?>", "<gpx", "version=\"1.0\"", "creator=\"Raded Utility\"",
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"",
        "xmlns=\"http://www.topografix.com/GPX/1/0\"",
        "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/0 "
        "http://www.topografix.com/GPX/1/0/gpx.xsd\">"})
    WriteLine(target, line);
  WritePointPass(source, target, "wpt");
  WriteLine(target, "<rte>");
  WriteLine(target, "<name>Route</name>");
  WritePointPass(source, target, "rtept");
  WriteLine(target, "</rte>");
  WriteLine(target, "</gpx>");
}

} // namespace divuzo
