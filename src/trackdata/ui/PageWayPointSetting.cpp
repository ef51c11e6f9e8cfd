#include "trackdata/ui/PageWayPointSetting.h"

namespace divuzo {

PageWayPointSetting::PageWayPointSetting(QWidget* parent) : PageBase(134, parent) {}

PageWayPointSetting::~PageWayPointSetting() = default;

} // namespace divuzo
