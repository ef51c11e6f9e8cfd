#include "trackdata/ui/PageTrackLogPhoto.h"

namespace divuzo {

PageTrackLogPhoto::PageTrackLogPhoto(QWidget* parent) : PageBase(135, parent) {}

PageTrackLogPhoto::~PageTrackLogPhoto() = default;

} // namespace divuzo
