#pragma once
// Page (dialog 134). Created hidden by the main window.
#include "app/ui/PageBase.h"

namespace divuzo {

class PageWayPointSetting : public PageBase {
  Q_OBJECT
public:
  explicit PageWayPointSetting(QWidget* parent = nullptr);
  ~PageWayPointSetting() override;
};

} // namespace divuzo
