#include "trackdata/ui/PageTrackLogFormat.h"

namespace divuzo {

PageTrackLogFormat::PageTrackLogFormat(QWidget* parent) : PageBase(136, parent) {}

PageTrackLogFormat::~PageTrackLogFormat() = default;

} // namespace divuzo
