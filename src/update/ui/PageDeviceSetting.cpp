#include "update/ui/PageDeviceSetting.h"

namespace divuzo {

PageDeviceSetting::PageDeviceSetting(QWidget* parent) : PageBase(133, parent) {}

PageDeviceSetting::~PageDeviceSetting() = default;

} // namespace divuzo
