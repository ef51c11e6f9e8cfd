#include "update/ui/PageDownloadFW.h"

namespace divuzo {

PageDownloadFW::PageDownloadFW(QWidget* parent) : PageBase(147, parent) {}

PageDownloadFW::~PageDownloadFW() = default;

} // namespace divuzo
