#pragma once
// GPS status page (dialog 129). Created hidden by the main window. It shows fixed sample
// values and talks to no device; its Apply and Default page commands do nothing, and its
// Reset button stays disabled, since this product resets nothing from here.
#include "app/ui/PageBase.h"

class QButtonGroup;
class QComboBox;

namespace divuzo {

class PageGPSStatus : public PageBase {
  Q_OBJECT
 public:
  explicit PageGPSStatus(QWidget* parent = nullptr);
  ~PageGPSStatus() override;

  void OnInitDialog() override;

 private:
  QComboBox* timeZoneList_ = nullptr;  // 1013
  QButtonGroup* resetMode_ = nullptr;  // 1026, 1027, 1028, 1012
};

}  // namespace divuzo
