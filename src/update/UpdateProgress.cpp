#include "update/UpdateProgress.h"

#include "app/Progress.h"

#include <cstdio>

namespace divuzo {

std::optional<std::string> UpdatePercentText(int value) {
  if (value < 100) return DownloadPercentText(value);
  if (value == kProgressDone) return std::string("100%");
  return std::nullopt;
}

std::string DownloadPercentText(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d%%", value);
  return text;
}

int UpdateProgressBarPosition(int value) {
  if (value < 0) return 0;
  if (value > 100) return 100;
  return value;
}

} // namespace divuzo
