#pragma once
// Page (dialog 147). Created hidden by the main window.
#include "app/ui/PageBase.h"

namespace divuzo {

class PageDownloadFW : public PageBase {
  Q_OBJECT
public:
  explicit PageDownloadFW(QWidget* parent = nullptr);
  ~PageDownloadFW() override;
};

} // namespace divuzo
