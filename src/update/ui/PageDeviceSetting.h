#pragma once
// The update page (dialog 133): the one page with a tab. Step 1 finds the port and identifies
// the device, Step 2 checks an image file against it, Step 3 flashes it on a worker thread.
#include "app/ui/PageBase.h"

namespace divuzo {

class PageDeviceSetting : public PageBase {
  Q_OBJECT
public:
  explicit PageDeviceSetting(QWidget* parent = nullptr);
  ~PageDeviceSetting() override;

  // The page's serial line, as the main window's close sequence uses it.
  bool HoldsOpenPort() const;
  void SendGoodbye();
  void RestoreLowSpeedLink();
  void PurgeAndClosePort();
};

} // namespace divuzo
