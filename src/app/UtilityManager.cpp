#include "app/UtilityManager.h"

namespace divuzo {

UtilityManager theUtilityManager;

void UtilityManager::Reset() {
  linkBusy = 0;
  deviceKind = 0;
  loggerRetryFlag = 0;
  timeStamp = 0;
  heartbeatEnded = 0;
  updateTabIndex = 0;
  highSpeedLink = 0;
  for (int& v : loggerSetting) v = 0;
  for (int& v : updateValues) v = 0;
  for (int& v : loggerSetting2) v = 0;
  for (int& v : exportBlock) v = 0;
  for (int& v : exportValues) v = 0;
  settingsReset = 0;
  loggerPageValue = 0;
  loggerSettingPageValue = 0;
  deviceLabel.clear();
  writeGpsInPhoto = 0;
  timeZoneHours = 0;
  SetPhotoCalibration(0, 0, 0, 0);
  SetLinkSettings("COM1", 0, 0);
}

} // namespace divuzo
