#include "update/ui/PageDeviceSetting.h"

namespace divuzo {

PageDeviceSetting::PageDeviceSetting(QWidget* parent) : PageBase(133, parent) {}

PageDeviceSetting::~PageDeviceSetting() = default;

// Identification closes the line again before it ends, so the page holds no open port yet.
bool PageDeviceSetting::HoldsOpenPort() const { return false; }
void PageDeviceSetting::SendGoodbye() {}
void PageDeviceSetting::RestoreLowSpeedLink() {}
void PageDeviceSetting::PurgeAndClosePort() {}

} // namespace divuzo
