#pragma once
// The logger page (dialog 143): connects a track logger, shows and changes its recording
// settings (record mode, time interval, distance), downloads its memory into track files
// (Upload) and erases it (Clear). The work is the core's (serial/LoggerConnection.h,
// LoggerSettings.h, LogDownload.h) on the window's DeviceSession, run on a PageWorker; the
// page shows progress, percent and status texts and lists the written files in the file
// status dialog (146). Created hidden by the main window.
#include <QPointer>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "app/Progress.h"
#include "app/ui/PageBase.h"
#include "serial/LogDownload.h"
#include "serial/LoggerConnection.h"
#include "serial/LoggerSettings.h"
#include "serial/ui/TrackLogFileStatusDlg.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace divuzo {

class DeviceSession;
class PageWorker;
class StepByStepDlg;

class PageMTKTracklogSetting : public PageBase {
  Q_OBJECT
 public:
  explicit PageMTKTracklogSetting(QWidget* parent = nullptr);
  ~PageMTKTracklogSetting() override;

  void OnInitDialog() override;

  // The window's session, or one of the page's own without a window.
  DeviceSession& Session();
  bool IsWorking() const;

  // Buttons.
  void OnToggleConnection();  // 1002: connect (and read the settings) / disconnect
  void OnUpload();            // 1036
  void OnClear();             // 1007
  void OnReadSettings();      // 1082
  void OnApplySettings();     // 1300 and the page command Apply

  // Runs the output dialog: its result, and the dialog's fields for OK. Tests replace it.
  std::function<int(StepByStepDlg& dialog)> runOutputDialog;
  // Called on the GUI thread when a piece of work has ended (tests wait for it).
  std::function<void(const Status& status)> onWorkEnded;

  const LoggerState& Logger() const { return logger_; }
  const LoggerSettings& Settings() const { return settings_; }
  TrackLogFileStatusDlg* StatusDialog() const { return statusDialog_; }
  const LogDownloadResult& LastDownload() const { return download_; }

 protected:
  void OnPageApply() override { OnApplySettings(); }
  void OnPageDefault() override;

 private:
  // The port to connect: the one chosen on the update page, else the first known bridge.
  std::string PortToConnect();
  // Values into the controls, and the controls' enabled state.
  void ShowSettings();
  void ShowConnection();
  void ShowProgress(const Progress& p);
  void SetButtonsForWork(bool working);
  void ShowSettingStatus(int textId);
  void Run(std::function<Status()> work, std::function<void(const Progress&)> onProgress,
           std::function<void(const Status&)> onDone);
  void DownloadEnded(const Status& status);

  QPushButton* connect_ = nullptr;      // 1002
  QPushButton* stop_ = nullptr;         // 1240, while work runs
  QLabel* memoryInfo_ = nullptr;        // 1301
  QCheckBox* recording_ = nullptr;      // 1001 (hidden)
  QRadioButton* overwrite_ = nullptr;   // 1074
  QRadioButton* fullStop_ = nullptr;    // 1073
  QRadioButton* bySecond_ = nullptr;    // 1122
  QRadioButton* byDistance_ = nullptr;  // 1123
  QComboBox* timeList_ = nullptr;       // 1096
  QComboBox* distanceList_ = nullptr;   // 1097
  QPushButton* read_ = nullptr;         // 1082 (hidden)
  QPushButton* apply_ = nullptr;        // 1300
  QLabel* settingStatus_ = nullptr;     // 1050
  QPushButton* upload_ = nullptr;       // 1036
  QPushButton* clear_ = nullptr;        // 1007
  QProgressBar* progress_ = nullptr;    // 1037
  QLabel* percent_ = nullptr;           // 1038
  QLabel* status_ = nullptr;            // 1048

  std::unique_ptr<DeviceSession> ownSession_;
  PageWorker* worker_ = nullptr;
  QPointer<TrackLogFileStatusDlg> statusDialog_;
  LoggerState logger_;
  LoggerSettings settings_;
  LogDownloadResult download_;
  ClearResult clear_result_;
  LoggerConnectResult connected_;
  std::chrono::steady_clock::time_point started_;
};

}  // namespace divuzo
