#pragma once
// Page (dialog 143). Created hidden by the main window.
#include "app/ui/PageBase.h"

namespace divuzo {

class PageMTKTracklogSetting : public PageBase {
  Q_OBJECT
public:
  explicit PageMTKTracklogSetting(QWidget* parent = nullptr);
  ~PageMTKTracklogSetting() override;
};

} // namespace divuzo
