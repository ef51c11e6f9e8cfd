#pragma once
// The user's choice of a whole-hour time zone: the 26-item list "+13" down to "-12" (item i
// means 13 - i hours east of UTC) and the initial choice made from the computer's time zone.
#include <string>
#include <vector>

namespace divuzo {

inline constexpr int kTimeZoneItemCount = 26;

// "+13", "+12", ..., "+1", "0", "-1", ..., "-12".
const std::vector<std::string>& TimeZoneListItems();
inline int TimeZoneOffsetForItem(int index) { return 13 - index; }
// Item index of an offset, -1 when outside +13..-12.
int TimeZoneItemForOffset(int hours);

// The computer's standard-time bias in minutes (UTC = local time + bias), daylight saving left
// out, from the C library's view of the local time zone.
int ComputerTimeZoneBiasMinutes();

struct InitialTimeZone {
  std::string text;   // e.g. "+9" for a bias of -540, "-5" for 300, "-0" for 0
  int listIndex = -1; // the list item with that text; -1 when there is none ("-0")
  int offsetHours = 0;
};

// Hours = bias / 60 truncated toward zero, sign flipped in the text.
InitialTimeZone InitialTimeZoneFromBias(int biasMinutes);

} // namespace divuzo
