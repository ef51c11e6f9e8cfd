#include "trackdata/ui/PageTrackLogSetting.h"

namespace divuzo {

PageTrackLogSetting::PageTrackLogSetting(QWidget* parent) : PageBase(130, parent) {}

PageTrackLogSetting::~PageTrackLogSetting() = default;

} // namespace divuzo
