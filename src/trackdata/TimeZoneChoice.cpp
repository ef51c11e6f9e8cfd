#include "trackdata/TimeZoneChoice.h"

#include <ctime>

namespace divuzo {

const std::vector<std::string>& TimeZoneListItems() {
  static const std::vector<std::string> items = [] {
    std::vector<std::string> list;
    for (int i = 0; i < kTimeZoneItemCount; ++i) {
      const int hours = TimeZoneOffsetForItem(i);
      list.push_back(hours > 0 ? "+" + std::to_string(hours) : std::to_string(hours));
    }
    return list;
  }();
  return items;
}

int TimeZoneItemForOffset(int hours) {
  const int index = 13 - hours;
  return index >= 0 && index < kTimeZoneItemCount ? index : -1;
}

int ComputerTimeZoneBiasMinutes() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return 0;
  if (local.tm_isdst > 0) {
    // Daylight saving is in effect now: take the offset of a date in the same year without it.
    for (int month : {0, 6}) {
      std::tm probe{};
      probe.tm_year = local.tm_year;
      probe.tm_mon = month;
      probe.tm_mday = 15;
      probe.tm_hour = 12;
      probe.tm_isdst = -1;
      const std::time_t t = std::mktime(&probe);
      std::tm check{};
      if (t != static_cast<std::time_t>(-1) && localtime_r(&t, &check) && check.tm_isdst == 0)
        return static_cast<int>(-check.tm_gmtoff / 60);
    }
  }
  return static_cast<int>(-local.tm_gmtoff / 60);
}

InitialTimeZone InitialTimeZoneFromBias(int biasMinutes) {
  InitialTimeZone zone;
  const int quotient = biasMinutes / 60;  // truncates toward zero
  const std::string digits = std::to_string(quotient);
  zone.text = digits[0] == '-' ? "+" + digits.substr(1) : "-" + digits;
  zone.offsetHours = -quotient;
  const auto& items = TimeZoneListItems();
  for (int i = 0; i < kTimeZoneItemCount; ++i)
    if (items[static_cast<std::size_t>(i)] == zone.text) zone.listIndex = i;
  return zone;
}

} // namespace divuzo
