#include "trackdata/TimeZoneChoice.h"

#include "platform/System.h"

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

int ComputerTimeZoneBiasMinutes() { return StandardTimeBiasMinutes(); }

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
