#include "app/ui/PageTable.h"

#include "serial/ui/PageGPSStatus.h"
#include "serial/ui/PageMTKTracklogSetting.h"
#include "trackdata/ui/PageTrackLogFormat.h"
#include "trackdata/ui/PageTrackLogPhoto.h"
#include "trackdata/ui/PageTrackLogSetting.h"
#include "trackdata/ui/PageWayPointSetting.h"
#include "update/ui/PageDeviceSetting.h"
#include "update/ui/PageDownloadFW.h"

namespace divuzo {

namespace {
template <typename Page>
PageBase* Make(QWidget* parent) {
  return new Page(parent);
}
} // namespace

const std::vector<PageEntry>& PageTable() {
  static const std::vector<PageEntry> pages = {
      {133, "update", 400, &Make<PageDeviceSetting>},
      {129, "gps-status", 966, &Make<PageGPSStatus>},
      {130, "tracklog-setting", 967, &Make<PageTrackLogSetting>},
      {136, "convert", 1353, &Make<PageTrackLogFormat>},
      {135, "photo", 968, &Make<PageTrackLogPhoto>},
      {134, "waypoint", 969, &Make<PageWayPointSetting>},
      {143, "logger", 995, &Make<PageMTKTracklogSetting>},
      {147, "firmware-download", 996, &Make<PageDownloadFW>},
  };
  return pages;
}

int PageSlotByName(std::string_view name) {
  const auto& pages = PageTable();
  for (std::size_t slot = 0; slot < pages.size(); ++slot)
    if (name == pages[slot].name) return static_cast<int>(slot);
  return -1;
}

} // namespace divuzo
