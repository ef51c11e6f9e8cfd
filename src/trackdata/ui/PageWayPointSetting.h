#pragma once
// Waypoint page (dialog 134): sends a waypoint or map file (".mpt") to the device over the
// block transfer. Created hidden by the main window. The transfer runs in the core on a
// PageWorker; the page shows the file, the stage, the percentage and the result.
#include "app/Status.h"
#include "app/ui/PageBase.h"
#include "serial/SerialPortList.h"
#include "trackdata/BlockTransfer.h"

#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace divuzo {

class PageWorker;
struct Progress;

class PageWayPointSetting : public PageBase {
  Q_OBJECT
 public:
  explicit PageWayPointSetting(QWidget* parent = nullptr);
  ~PageWayPointSetting() override;

  void OnInitDialog() override;

  // The file dialog (tests give their own): the chosen path, or empty.
  std::function<QString(QWidget* parent)> chooseFile;
  // The port list the transfer goes through (tests give their own).
  std::function<SerialPortList()> listPorts;
  TransferTiming timing;

  bool IsTransferring() const;

 public slots:
  void OnDownload();

 signals:
  void transferFinished(bool ok);

 private:
  void ShowProgress(const Progress& p);
  void Finish(const Status& status);

  QLineEdit* nameBox_ = nullptr;           // 1031
  QLineEdit* versionBox_ = nullptr;        // 1035
  QLineEdit* dateBox_ = nullptr;           // 1034
  QPushButton* downloadButton_ = nullptr;  // 1000
  QProgressBar* progress_ = nullptr;       // 1037
  QLabel* percent_ = nullptr;              // 1038
  QLabel* status_ = nullptr;               // 1048
  QPushButton* cancel_ = nullptr;          // 1240, this program's own
  PageWorker* worker_ = nullptr;
};

}  // namespace divuzo
