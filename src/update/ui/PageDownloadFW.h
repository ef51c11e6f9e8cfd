#pragma once
// The firmware download page (dialog 147). It never gets a tab; the main window asks it whether
// a download is running before it closes.
#include <atomic>

#include "app/ui/PageBase.h"

namespace divuzo {

class PageDownloadFW : public PageBase {
  Q_OBJECT
public:
  explicit PageDownloadFW(QWidget* parent = nullptr);
  ~PageDownloadFW() override;

  bool HandlesPageCommand() const override { return false; }
  void PageCommand(int) override {}

  // 1 while the page's download worker runs.
  bool IsBusy() const { return busy != 0; }
  std::atomic<int> busy{0};
};

} // namespace divuzo
