#pragma once
// How the pages show a flash's progress value: the bar position and the percent text.
#include <optional>
#include <string>

namespace divuzo {

// The percent text that goes with a SetUpdateProgress value on the update page: "%d%%" for
// values up to 99 (and below 0), "100%" for 1000, nothing (keep the old text) for the rest.
std::optional<std::string> UpdatePercentText(int value);
// The firmware download page shows "%d%%" for every value.
std::string DownloadPercentText(int value);
// The bar position for a value (the bar's 0..100 range clamps it; 1000 is 100).
int UpdateProgressBarPosition(int value);

} // namespace divuzo
