#pragma once
// Page (dialog 129). Created hidden by the main window.
#include "app/ui/PageBase.h"

namespace divuzo {

class PageGPSStatus : public PageBase {
  Q_OBJECT
public:
  explicit PageGPSStatus(QWidget* parent = nullptr);
  ~PageGPSStatus() override;
};

} // namespace divuzo
