#include "trackdata/TrackTime.h"

#include "trackdata/NumberText.h"

namespace divuzo {

LocalTimeBase LocalTimeBase::Computer() { return LocalTimeBase(false, 0); }

LocalTimeBase LocalTimeBase::FixedHours(int hoursEastOfUtc) { return LocalTimeBase(true, hoursEastOfUtc); }

bool LocalTimeBase::Breakdown(long long utcSeconds, std::tm& out) const {
  if (utcSeconds < 0) return false;
  if (fixed_) return UtcBreakdown(utcSeconds + static_cast<long long>(hours_) * 3600, out);
  const std::time_t t = static_cast<std::time_t>(utcSeconds);
  return localtime_r(&t, &out) != nullptr;
}

bool UtcBreakdown(long long utcSeconds, std::tm& out) {
  const std::time_t t = static_cast<std::time_t>(utcSeconds);
  return gmtime_r(&t, &out) != nullptr;
}

void AppendNameText(std::string& out, const std::tm& time) {
  static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int day = time.tm_wday >= 0 && time.tm_wday < 7 ? time.tm_wday : 0;
  const int month = time.tm_mon >= 0 && time.tm_mon < 12 ? time.tm_mon : 0;
  out.append(kDays[day], 3);
  out.push_back(' ');
  out.append(kMonths[month], 3);
  out.push_back(' ');
  AppendZeroPadded(out, time.tm_mday, 2);
  out.push_back(' ');
  AppendZeroPadded(out, time.tm_hour, 2);
  out.push_back(':');
  AppendZeroPadded(out, time.tm_min, 2);
  out.push_back(':');
  AppendZeroPadded(out, time.tm_sec, 2);
  out.push_back(' ');
  AppendZeroPadded(out, 1900LL + time.tm_year, 4);
}

std::string NameText(const std::tm& time) {
  std::string text;
  AppendNameText(text, time);
  return text;
}

std::string FileTimeText(const std::tm& time) {
  std::string text;
  AppendZeroPadded(text, 1900LL + time.tm_year, 4);
  AppendZeroPadded(text, time.tm_mon + 1, 2);
  AppendZeroPadded(text, time.tm_mday, 2);
  text.push_back('-');
  AppendZeroPadded(text, time.tm_hour, 2);
  AppendZeroPadded(text, time.tm_min, 2);
  AppendZeroPadded(text, time.tm_sec, 2);
  return text;
}

} // namespace divuzo
