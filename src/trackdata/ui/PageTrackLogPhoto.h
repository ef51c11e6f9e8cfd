#pragma once
// Page (dialog 135). Created hidden by the main window.
#include "app/ui/PageBase.h"

namespace divuzo {

class PageTrackLogPhoto : public PageBase {
  Q_OBJECT
public:
  explicit PageTrackLogPhoto(QWidget* parent = nullptr);
  ~PageTrackLogPhoto() override;
};

} // namespace divuzo
