#pragma once
// Page (dialog 133). Created hidden by the main window.
#include "app/ui/PageBase.h"

namespace divuzo {

class PageDeviceSetting : public PageBase {
  Q_OBJECT
public:
  explicit PageDeviceSetting(QWidget* parent = nullptr);
  ~PageDeviceSetting() override;
};

} // namespace divuzo
