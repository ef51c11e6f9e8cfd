#include "app/ui/ControlId.h"

#include <QtGlobal>

// The resource file lives in a static library; its registration is pulled in explicitly.
static void InitImagesQrc() { Q_INIT_RESOURCE(images); }

namespace divuzo {

void InitImageResources() {
  static const bool done = (InitImagesQrc(), true);
  (void)done;
}

} // namespace divuzo
