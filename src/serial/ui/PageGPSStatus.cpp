#include "serial/ui/PageGPSStatus.h"

namespace divuzo {

PageGPSStatus::PageGPSStatus(QWidget* parent) : PageBase(129, parent) {}

PageGPSStatus::~PageGPSStatus() = default;

} // namespace divuzo
