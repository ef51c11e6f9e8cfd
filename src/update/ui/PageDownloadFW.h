#pragma once
// The firmware download page (dialog 147): a one-button flashing page. It never gets a tab;
// while its download runs the window refuses to close. Its file check is the core's
// CheckFirmwareFile, its run the core's FlashJob (firmware download flavour) on the window's
// device session.
#include <QString>
#include <functional>
#include <memory>

#include "app/ui/PageBase.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace divuzo {

class FlashJob;
class PageWorker;
struct Status;

class PageDownloadFW : public PageBase {
  Q_OBJECT
public:
  explicit PageDownloadFW(QWidget* parent = nullptr);
  ~PageDownloadFW() override;

  void OnInitDialog() override;
  // The page has no handler for the page command.
  bool HandlesPageCommand() const override { return false; }
  void PageCommand(int) override {}

  // A download is running.
  bool IsBusy() const;
  // A successful identification makes the Download button usable.
  void EnableDownloadButton();

  // "%d%%" for every value.
  void SetProgress(int value);

  // Browse (1005) and Download (1006).
  void OnBrowse();
  void OnDownload();

  // Replaces the open-file dialog of Browse (returns the path or "" for cancel).
  std::function<QString(QWidget* parent)> chooseImageFile;
  // Waits of the worker between its steps (2000 ms); tests shorten them.
  int pauseMs = 2000;
  // Called on the GUI thread when the worker has ended, with its outcome.
  std::function<void(const Status&)> onDownloadEnded;

  std::string imagePath;
  // The flash job of the next download (its flashing context can be set up before).
  FlashJob& Job();

private:
  void OnEnded(const Status& status);

  QPushButton* download_ = nullptr;  // 1006
  QPushButton* browse_ = nullptr;    // 1005 (hidden in the template; shown)
  QLineEdit* path_ = nullptr;        // 1004 (hidden in the template; shown)
  QLabel* stage_ = nullptr;          // 1189
  QProgressBar* progress_ = nullptr; // 1007
  QLabel* percentText_ = nullptr;    // 1008
  int percent_ = 0;
  std::unique_ptr<FlashJob> job_;
  PageWorker* worker_ = nullptr;
};

} // namespace divuzo
