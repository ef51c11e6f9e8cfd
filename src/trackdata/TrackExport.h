#pragma once
// The four exporters of a ".trl" file. Each reads the source from its first record (rewinding
// it) and writes to the sink; the caller opens and closes both. Local-time texts (KML names,
// text lines) use `localTime`; GPX and NMEA write UTC.
#include "trackdata/TextSink.h"
#include "trackdata/TrackFileReader.h"
#include "trackdata/TrackTime.h"

namespace divuzo {

// KML 2.1: route line plus one placemark per point (styles Start, Normal..., Finish).
void WriteKmlFromTrackFile(TrackFileReader& source, TextSink& target, const LocalTimeBase& localTime);
// "lon,lat,height,Www Mmm DD hh:mm:ss YYYY" per point with a local time.
void WriteTextFromTrackFile(TrackFileReader& source, TextSink& target, const LocalTimeBase& localTime);
// One "$GPRMC" sentence per point, UTC.
void WriteNmeaFromTrackFile(TrackFileReader& source, TextSink& target);
// GPX 1.0: every point as a waypoint "Point n" and again as a route point, UTC.
void WriteGpxFromTrackFile(TrackFileReader& source, TextSink& target);

// Pieces of the NMEA sentence, shared with tests and other writers.
// Degrees and minutes field ("%d%f" or "%d0%f" of the absolute values) of a coordinate.
void AppendNmeaCoordinate(std::string& out, float value);
// "$" + body + "*" -> exclusive-or of the characters between "$" and "*".
unsigned NmeaChecksum(std::string_view sentence);

} // namespace divuzo
