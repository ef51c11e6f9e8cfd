#include "app/UtilityManager.h"

namespace divuzo {

UtilityManager theUtilityManager;

void UtilityManager::Reset() {
  heartbeatEnded = 0;
  updateTabIndex = 0;
  settingsReset = 0;
  writeGpsInPhoto = 0;
  timeZoneHours = 0;
  SetPhotoCalibration(0, 0, 0, 0);
}

} // namespace divuzo
