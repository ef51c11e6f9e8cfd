#include "trackdata/KmlTemplate.h"

#include "trackdata/NumberText.h"
#include "trackdata/TrackFileReader.h"

#include <array>

namespace divuzo {

namespace {

constexpr std::string_view kIconHost = "http://maps.google.com";

struct StyleSet {
  std::string_view name;
  std::string_view normalIcon;
  std::string_view highlightIcon;
};

constexpr std::array<StyleSet, 4> kStyleSets{{
    {"Start", "/mapfiles/kml/pal4/icon15.png", "/mapfiles/kml/pal4/icon7.png"},
    {"Finish", "/mapfiles/kml/pal4/icon15.png", "/mapfiles/kml/pal4/icon7.png"},
    {"Normal", "/mapfiles/kml/pal4/icon31.png", "/mapfiles/kml/pal4/icon23.png"},
    {"Photo", "/mapfiles/kml/pal4/icon46.png", "/mapfiles/kml/pal4/icon38.png"},
}};

void WriteLines(TextSink& sink, std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) WriteLine(sink, line);
}

void WriteHrefLine(TextSink& sink, std::string_view iconPath) {
  std::string line = "<href>";
  line += KmlIconAddress(iconPath);
  line += "</href>";
  WriteLine(sink, line);
}

void WriteStyleSet(TextSink& sink, const StyleSet& set) {
  const std::string name(set.name);
  WriteLine(sink, "<Style id=\"normalState_TLP_" + name + "\">");
  WriteLines(sink, {"<IconStyle>", "<scale>1.0</scale>", "<Icon>"});
  WriteHrefLine(sink, set.normalIcon);
  WriteLines(sink, {"</Icon>", "</IconStyle>", "<LabelStyle>", "<scale>1.0</scale>", "</LabelStyle>",
                    "</Style>"});

  WriteLine(sink, "<Style id=\"highlightState_TLP_" + name + "\">");
  WriteLines(sink, {"<IconStyle>", "<scale>1.1</scale>", "<Icon>"});
  WriteHrefLine(sink, set.highlightIcon);
  WriteLines(sink, {"</Icon>", "</IconStyle>", "<LabelStyle>", "<scale>1.1</scale>",
                    "<color>ff0000ff</color>", "</LabelStyle>", "</Style>"});

  WriteLine(sink, "<StyleMap id=\"styleMap_TLP_" + name + "\">");
  WriteLines(sink, {"<Pair>", "<key>normal</key>"});
  WriteLine(sink, "<styleUrl>#normalState_TLP_" + name + "</styleUrl>");
  WriteLines(sink, {"</Pair>", "<Pair>", "<key>highlight</key>"});
  WriteLine(sink, "<styleUrl>#highlightState_TLP_" + name + "</styleUrl>");
  WriteLines(sink, {"</Pair>", "</StyleMap>"});
}

} // namespace

KmlStyle KmlStyleFor(long long pointIndex, long long pointCount, bool hasPhoto) {
  if (hasPhoto && pointIndex != 0 && pointIndex != pointCount - 1) return KmlStyle::Photo;
  if (pointIndex == 0) return KmlStyle::Start;
  if (pointIndex == pointCount - 1) return KmlStyle::Finish;
  return KmlStyle::Normal;
}

std::string_view KmlStyleUrl(KmlStyle style) {
  switch (style) {
    case KmlStyle::Start: return "#styleMap_TLP_Start";
    case KmlStyle::Finish: return "#styleMap_TLP_Finish";
    case KmlStyle::Photo: return "#styleMap_TLP_Photo";
    case KmlStyle::Normal: break;
  }
  return "#styleMap_TLP_Normal";
}

std::string KmlIconAddress(std::string_view path) {
  std::string address(kIconHost);
  address += path;
  return address;
}

void WriteKmlHeader(TextSink& sink, std::string_view encoding) {
  WriteLine(sink, "<?xml version=\"1.0\" encoding=\"" + std::string(encoding) + "\"?>");
  WriteLines(sink, {"<kml xmlns=\"http://earth.google.com/kml/2.1\">", "<Document>"});
  for (const StyleSet& set : kStyleSets) WriteStyleSet(sink, set);
  WriteLines(sink, {"<Style id=\"roadStyle\">", "<LineStyle>", "<color>ffffff00</color>",
                    "<width>6</width>", "</LineStyle>", "</Style>"});
  WriteLines(sink, {"<Open>1</Open>", "<description>Route</description>", "<name>Track Log</name>"});
  WriteLines(sink, {"<Placemark>", "<name>Route</name>", "<styleUrl>#roadStyle</styleUrl>",
                    "<MultiGeometry>", "<LineString>", "<coordinates>"});
}

void AppendKmlPosition(std::string& out, double longitude, double latitude, double height) {
  AppendFixed(out, longitude, 7);
  out.push_back(',');
  AppendFixed(out, latitude, 7);
  out.push_back(',');
  AppendFixed(out, height, 2);
}

void AppendKmlRouteTuple(std::string& out, double longitude, double latitude, double height) {
  AppendKmlPosition(out, longitude, latitude, height);
  out.push_back(' ');
}

void WriteKmlRouteTuple(TextSink& sink, double longitude, double latitude, double height) {
  std::string tuple;
  AppendKmlRouteTuple(tuple, longitude, latitude, height);
  sink.WriteString(tuple);
}

long long WriteKmlRoute(TrackFileReader& source, TextSink& sink) {
  long long count = 0;
  std::string tuples;
  TrackPoint point;
  while (source.Next(point)) {
    AppendKmlRouteTuple(tuples, point.longitude, point.latitude, point.height);
    ++count;
    WriteBatchWhenFull(sink, tuples);
  }
  sink.WriteString(tuples);  // "</coordinates>" follows on the same line
  return count;
}

void WriteKmlRouteEnd(TextSink& sink) {
  WriteLines(sink, {"</coordinates>", "</LineString>", "</MultiGeometry>", "</Placemark>", "<Folder>",
                    "<name>waypoints</name>"});
}

void AppendKmlPlacemarkBegin(std::string& out, std::string_view nameText) {
  out += "<Placemark>\r\n<name>\r\n";
  out += nameText;
  out += "\r\n</name>\r\n";
}

void AppendKmlPlacemarkEnd(std::string& out, KmlStyle style, double longitude, double latitude, double height) {
  out += "<styleUrl>\r\n";
  out += KmlStyleUrl(style);
  out += "\r\n</styleUrl>\r\n<Point>\r\n<coordinates>\r\n";
  AppendKmlPosition(out, longitude, latitude, height);
  out += "\r\n</coordinates>\r\n</Point>\r\n</Placemark>\r\n";
}

void WriteKmlPlacemarkBegin(TextSink& sink, std::string_view nameText) {
  std::string text;
  AppendKmlPlacemarkBegin(text, nameText);
  sink.WriteString(text);
}

void WriteKmlPlacemarkEnd(TextSink& sink, KmlStyle style, double longitude, double latitude,
                          double height) {
  std::string text;
  AppendKmlPlacemarkEnd(text, style, longitude, latitude, height);
  sink.WriteString(text);
}

void WriteKmlFooter(TextSink& sink) { WriteLines(sink, {"</Folder>", "</Document>", "</kml>"}); }

} // namespace divuzo
