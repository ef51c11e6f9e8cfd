#pragma once
// Page (dialog 136). Created hidden by the main window.
#include "app/ui/PageBase.h"

namespace divuzo {

class PageTrackLogFormat : public PageBase {
  Q_OBJECT
public:
  explicit PageTrackLogFormat(QWidget* parent = nullptr);
  ~PageTrackLogFormat() override;
};

} // namespace divuzo
