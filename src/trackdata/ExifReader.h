#pragma once
// Taking time of a photo from its EXIF data (date and time of the original, tag 36867).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace divuzo {

struct PhotoTimeResult {
  bool ok = false;
  std::int64_t time = 0;  // UTC seconds since 1970
  std::string message;    // why the time could not be read
};

// Reads the photo's "YYYY:MM:DD HH:MM:SS" taking time and converts it from local time in a zone
// `timeZoneHours` east of UTC (no daylight saving) to UTC.
PhotoTimeResult ReadPhotoTime(const std::filesystem::path& photo, int timeZoneHours);

// The same on the photo's bytes (the file or any leading part of it that holds the EXIF block).
PhotoTimeResult ReadPhotoTimeFromBytes(const std::uint8_t* data, std::size_t size,
                                       int timeZoneHours);

// UTC seconds of a calendar time given as local time `timeZoneHours` east of UTC. False for a
// calendar time that does not exist (month 13, 31 February, hour 24, ...).
bool LocalCalendarToUtc(int year, int month, int day, int hour, int minute, int second,
                        int timeZoneHours, std::int64_t& out);

} // namespace divuzo
