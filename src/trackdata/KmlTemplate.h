#pragma once
// The pieces of the KML 2.1 document that both KML writers share: the track-file export and the
// photo export. Every line goes to the sink followed by CR LF, except the route tuples, which
// are written back to back on one line. A writer calls, in order:
//
//   WriteKmlHeader                      (declaration, styles, route placemark up to <coordinates>)
//   WriteKmlRouteTuple  for each point  (no line ends; or WriteKmlRoute for a whole file)
//   WriteKmlRouteEnd                    (closes the route, opens the "waypoints" folder)
//   for each point:
//     WriteKmlPlacemarkBegin            (<Placemark>, the name)
//     [description lines, photo export only]
//     WriteKmlPlacemarkEnd              (style reference, point coordinates, </Placemark>)
//   WriteKmlFooter
#include "trackdata/TextSink.h"

#include <string>
#include <string_view>

namespace divuzo {

class TrackFileReader;

enum class KmlStyle { Start, Finish, Normal, Photo };

// Start for the first point, Finish for the last, Photo for a point with a photo that is neither
// first nor last, Normal otherwise. A track of one point gets Start.
KmlStyle KmlStyleFor(long long pointIndex, long long pointCount, bool hasPhoto);

// "#styleMap_TLP_Start", "#styleMap_TLP_Finish", "#styleMap_TLP_Normal", "#styleMap_TLP_Photo".
std::string_view KmlStyleUrl(KmlStyle style);

// Absolute address of a map icon, e.g. KmlIconAddress("/mapfiles/kml/pal4/icon15.png").
std::string KmlIconAddress(std::string_view path);

// `encoding` is what the XML declaration names: the encoding the file is written in.
void WriteKmlHeader(TextSink& sink, std::string_view encoding = "UTF-8");
// One route tuple "lon,lat,height " (seven, seven and two decimals, a space after each tuple).
void WriteKmlRouteTuple(TextSink& sink, double longitude, double latitude, double height);
// The route tuple of every point `source` has left, written in batches; returns how many.
long long WriteKmlRoute(TrackFileReader& source, TextSink& sink);
void WriteKmlRouteEnd(TextSink& sink);
// `nameText` is the point's local time in the 24-character form (see TrackTime.h).
void WriteKmlPlacemarkBegin(TextSink& sink, std::string_view nameText);
void WriteKmlPlacemarkEnd(TextSink& sink, KmlStyle style, double longitude, double latitude,
                          double height);
void WriteKmlFooter(TextSink& sink);

// Text forms used above, for writers that collect many lines before handing them on.
// The placemark pieces, each line ended by CR LF.
void AppendKmlPlacemarkBegin(std::string& out, std::string_view nameText);
void AppendKmlPlacemarkEnd(std::string& out, KmlStyle style, double longitude, double latitude, double height);
// "%4.7f,%4.7f,%4.2f " as a route tuple (with the trailing space).
void AppendKmlRouteTuple(std::string& out, double longitude, double latitude, double height);
// "%4.7f,%4.7f,%4.2f" as a placemark position.
void AppendKmlPosition(std::string& out, double longitude, double latitude, double height);

} // namespace divuzo
