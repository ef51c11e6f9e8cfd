#pragma once
// Calendar texts of track point times. Record times are UTC; KML names, text lines and file
// names show local time, which is either the computer's own time zone or a fixed whole-hour
// offset chosen by the user (no daylight saving). The offset is applied by arithmetic, never by
// changing the process's TZ, so conversions on worker threads cannot disturb one another.
#include <ctime>
#include <string>

namespace divuzo {

class LocalTimeBase {
public:
  // The computer's own time zone, daylight-saving rules included.
  static LocalTimeBase Computer();
  // Local time = UTC + hours.
  static LocalTimeBase FixedHours(int hoursEastOfUtc);

  bool IsFixed() const { return fixed_; }
  int Hours() const { return hours_; }

  // Local calendar breakdown of a UTC time. False (no breakdown) for times before 1970, as the
  // exports leave such records out of their local-time texts.
  bool Breakdown(long long utcSeconds, std::tm& out) const;

private:
  LocalTimeBase(bool fixed, int hours) : fixed_(fixed), hours_(hours) {}
  bool fixed_;
  int hours_;
};

// UTC calendar breakdown; false only when the C library cannot represent the time.
bool UtcBreakdown(long long utcSeconds, std::tm& out);

// "Www Mmm DD hh:mm:ss YYYY" (24 characters, the C library's asctime text without its line feed).
void AppendNameText(std::string& out, const std::tm& time);
std::string NameText(const std::tm& time);
// "YYYYMMDD-hhmmss", used in downloaded track file names.
std::string FileTimeText(const std::tm& time);

} // namespace divuzo
