#pragma once
// Track-log setting page (dialog 130): the track logger's recording settings (Read, Apply,
// Default, the metre/foot conversion), Upload of the device's track log over the block
// transfer, and Clear. Created hidden by the main window. Everything that talks to the device
// runs in the core on the page's PageWorker.
#include "app/Status.h"
#include "app/ui/PageBase.h"
#include "serial/SerialPortList.h"
#include "trackdata/BlockTransfer.h"
#include "trackdata/TrackLogReceive.h"
#include "trackdata/TrackLogSettings.h"

#include <functional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace divuzo {

class PageWorker;
struct Progress;

class PageTrackLogSetting : public PageBase {
  Q_OBJECT
 public:
  explicit PageTrackLogSetting(QWidget* parent = nullptr);
  ~PageTrackLogSetting() override;

  void OnInitDialog() override;

  // The save dialog for Upload (tests give their own): the chosen path, or empty.
  std::function<QString(QWidget* parent)> chooseSaveFile;
  // The port list Upload goes through (tests give their own).
  std::function<SerialPortList()> listPorts;
  TransferTiming timing;

  // The page's values and the values last known to be in the device.
  const TrackLogSettings& PageValues() const { return page_; }
  const TrackLogSettings& KnownValues() const { return known_; }
  bool FeetShown() const { return feetShown_; }
  bool IsWorking() const;

 public slots:
  void OnRead();
  void OnUpload();
  void OnClear();

 signals:
  // Emitted on the GUI thread when a job of the page (Read, Apply, Upload, Clear, the
  // recording switch) has ended.
  void jobFinished(bool ok);

 protected:
  void OnPageApply() override;
  void OnPageDefault() override;

 private:
  // Refreshes one group of controls from the page's values: 0 recording, 1 log-by, 2 time,
  // 3 distance (in metres), 4 record mode, 5 and 6 the two progress bars.
  void ShowSetting(int index);
  // The page's values as the controls hold them.
  void ReadControls();
  void OnRecordingClicked(bool checked);
  void OnUnitChosen(bool feet);
  // Runs `work` over the settings line on the worker; `done` on the GUI thread after.
  bool RunOnLine(std::function<Status(DeviceProtocol&)> work,
                 std::function<void(const Status&)> done);
  void Ended(const Status& status);
  void EnableButtons(bool enable);

  QCheckBox* recording_ = nullptr;       // 1001
  QRadioButton* byTime_ = nullptr;       // 1003
  QRadioButton* byDistance_ = nullptr;   // 1004
  QLineEdit* timeBox_ = nullptr;         // 1005
  QLabel* timeUnit_ = nullptr;           // 1032
  QLineEdit* distanceBox_ = nullptr;     // 1006
  QLabel* distanceUnit_ = nullptr;       // 1033
  QRadioButton* meter_ = nullptr;        // 1014
  QRadioButton* foot_ = nullptr;         // 1015
  QRadioButton* cycle_ = nullptr;        // 1074
  QRadioButton* once_ = nullptr;         // 1073
  QPushButton* readButton_ = nullptr;    // 1082
  QLabel* readStatus_ = nullptr;         // 1050
  QPushButton* uploadButton_ = nullptr;  // 1036
  QProgressBar* uploadBar_ = nullptr;    // 1037
  QLabel* uploadPercent_ = nullptr;      // 1038
  QPushButton* clearButton_ = nullptr;   // 1007
  QProgressBar* clearBar_ = nullptr;     // 1009
  QLabel* clearPercent_ = nullptr;       // 1040
  QLabel* status_ = nullptr;             // 1048
  QPushButton* cancel_ = nullptr;        // 1240, this program's own
  PageWorker* worker_ = nullptr;

  TrackLogSettings page_;
  TrackLogSettings known_;
  bool feetShown_ = false;
  // Written by the worker, read when it has ended.
  TrackLogSettings workerKnown_;
  SettingsRead read_;
  TrackLogReceiveResult received_;
};

}  // namespace divuzo
