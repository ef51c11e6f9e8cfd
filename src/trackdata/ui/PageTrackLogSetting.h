#pragma once
// Page (dialog 130). Created hidden by the main window.
#include "app/ui/PageBase.h"

namespace divuzo {

class PageTrackLogSetting : public PageBase {
  Q_OBJECT
public:
  explicit PageTrackLogSetting(QWidget* parent = nullptr);
  ~PageTrackLogSetting() override;
};

} // namespace divuzo
