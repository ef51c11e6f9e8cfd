#include "serial/ui/PageMTKTracklogSetting.h"

namespace divuzo {

PageMTKTracklogSetting::PageMTKTracklogSetting(QWidget* parent) : PageBase(143, parent) {}

PageMTKTracklogSetting::~PageMTKTracklogSetting() = default;

} // namespace divuzo
