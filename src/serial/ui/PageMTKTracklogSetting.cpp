#include "serial/ui/PageMTKTracklogSetting.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

#include "app/TextArgs.h"
#include "app/UtilityManager.h"
#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/PageHost.h"
#include "app/ui/PageWorker.h"
#include "app/ui/StopMessage.h"
#include "serial/DeviceSession.h"
#include "serial/PortChoice.h"
#include "serial/SerialPortList.h"
#include "serial/ui/StepByStepDlg.h"
#include "serial/ui/TrackLogFileStatusDlg.h"
#include "trackdata/PhotoGeotagger.h"

namespace divuzo {

namespace {

QString FromStd(const std::string& s) {
  return QString::fromStdString(s);
}

// This program's texts on the page.
constexpr int kTextUpload = 939;
constexpr int kTextClear = 940;
constexpr int kTextIntervalLabel = 941;
constexpr int kTextDistanceLabel = 942;
constexpr int kTextMemoryInUse = 944;
constexpr int kTextApply = 945;
constexpr int kTextConnect = 307;
constexpr int kTextDisconnect = 308;

// Controls of this program's own on the page.
constexpr int kStopButton = 1240;
constexpr int kApplyButton = 1300;
constexpr int kMemoryInfo = 1301;

}  // namespace

PageMTKTracklogSetting::PageMTKTracklogSetting(QWidget* parent) : PageBase(143, parent) {
  DialogTemplate t(this, QStringLiteral("Arial"), 10, 320, 210);

  connect_ = t.Button(1002, 12, 8, 60, 14, kTextConnect);
  stop_ = t.Button(kStopButton, 78, 8, 40, 14, 302, false);
  memoryInfo_ = t.Static(kMemoryInfo, 126, 10, 186, 10);

  // The settings. The template quotes the captions of the check box and the radios.
  recording_ =
      t.CheckBox(1001, 12, 30, 200, 10, QStringLiteral("Enable Track Log Recording"), false);
  overwrite_ = t.Radio(1074, 12, 30, 100, 10, QStringLiteral("Overwrite"));
  fullStop_ = t.Radio(1073, 120, 30, 100, 10, QStringLiteral("Full and Stop"));
  bySecond_ = t.Radio(1122, 12, 44, 100, 10, QStringLiteral("By Second"));
  byDistance_ = t.Radio(1123, 120, 44, 100, 10, QStringLiteral("By Distance"));
  t.Static(-1, 12, 60, 100, 10, kTextIntervalLabel);
  timeList_ = t.DropList(1096, 120, 58, 60, 80);
  t.Static(-1, 12, 76, 100, 10, kTextDistanceLabel);
  distanceList_ = t.DropList(1097, 120, 74, 60, 80);
  read_ = t.Button(1082, 190, 58, 60, 14, -1, false);
  read_->setText(QStringLiteral("Read"));
  apply_ = t.Button(kApplyButton, 190, 74, 100, 14, kTextApply);
  settingStatus_ = t.Static(1050, 12, 92, 296, 10);

  // The memory.
  upload_ = t.Button(1036, 12, 112, 80, 14, kTextUpload);
  clear_ = t.Button(1007, 100, 112, 80, 14, kTextClear);
  progress_ = t.Progress(1037, 12, 134, 250, 8);
  percent_ = t.Static(1038, 270, 132, 40, 10);
  status_ = t.Static(1048, 12, 148, 296, 56);

  auto pair = [this](QRadioButton* a, QRadioButton* b) {
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    a->setAutoExclusive(true);
    b->setAutoExclusive(true);
    group->addButton(a);
    group->addButton(b);
  };
  pair(overwrite_, fullStop_);
  pair(bySecond_, byDistance_);

  connect(connect_, &QPushButton::clicked, this, &PageMTKTracklogSetting::OnToggleConnection);
  connect(upload_, &QPushButton::clicked, this, &PageMTKTracklogSetting::OnUpload);
  connect(clear_, &QPushButton::clicked, this, &PageMTKTracklogSetting::OnClear);
  connect(read_, &QPushButton::clicked, this, &PageMTKTracklogSetting::OnReadSettings);
  connect(apply_, &QPushButton::clicked, this, &PageMTKTracklogSetting::OnApplySettings);
  connect(timeList_, &QComboBox::activated, this,
          [this](int row) { settings_.ChooseTimeRow(row); });
  connect(distanceList_, &QComboBox::activated, this,
          [this](int row) { settings_.ChooseDistanceRow(row); });
  connect(overwrite_, &QRadioButton::clicked, this, [this] {
    settings_.ChooseRecordMode(kRecordOverwrite);
    ShowSettings();
  });
  connect(fullStop_, &QRadioButton::clicked, this, [this] {
    settings_.ChooseRecordMode(kRecordStopWhenFull);
    ShowSettings();
  });
  connect(bySecond_, &QRadioButton::clicked, this, [this] {
    settings_.ChooseLogBy(0);
    ShowSettings();
  });
  connect(byDistance_, &QRadioButton::clicked, this, [this] {
    settings_.ChooseLogBy(1);
    ShowSettings();
  });
  connect(recording_, &QCheckBox::clicked, this, [this](bool on) {
    settings_.SetRecording(on);
    ShowSettings();
  });

  worker_ = new PageWorker(this);
  runOutputDialog = [](StepByStepDlg& dialog) { return dialog.exec(); };
}

PageMTKTracklogSetting::~PageMTKTracklogSetting() {
  worker_->Wait();
  delete statusDialog_.data();
}

void PageMTKTracklogSetting::OnInitDialog() {
  for (int seconds : kTimeIntervalRows) timeList_->addItem(QString::number(seconds));
  for (int metres : kDistanceRows) distanceList_->addItem(QString::number(metres));
  OnPageDefault();
  ShowConnection();
}

DeviceSession& PageMTKTracklogSetting::Session() {
  if (PageHost* host = Host()) return host->Session();
  if (!ownSession_) ownSession_ = std::make_unique<DeviceSession>();
  return *ownSession_;
}

bool PageMTKTracklogSetting::IsWorking() const {
  return worker_->Running();
}

void PageMTKTracklogSetting::OnPageDefault() {
  if (IsWorking()) return;
  settings_.Defaults();
  progress_->setRange(0, 100);
  progress_->setValue(0);
  percent_->setText(QStringLiteral("0%"));
  ShowSettings();
}

void PageMTKTracklogSetting::ShowSettings() {
  const LoggerSettingValues& v = settings_.values;
  recording_->setChecked(v.recording);
  overwrite_->setChecked(v.recordMode == kRecordOverwrite);
  fullStop_->setChecked(v.recordMode == kRecordStopWhenFull);
  bySecond_->setChecked(v.logBy == 0);
  byDistance_->setChecked(v.logBy == 1);
  timeList_->setCurrentIndex(v.timeRow);
  distanceList_->setCurrentIndex(v.distanceRow);
  timeList_->setEnabled(v.recording && !IsWorking());
  distanceList_->setEnabled(v.recording && !IsWorking());
}

void PageMTKTracklogSetting::ShowConnection() {
  const bool open = Session().IsOpen();
  connect_->setText(TextOf(logger_.connectMode ? kTextConnect : kTextDisconnect));
  QString info;
  if (open && logger_.usedEnd)
    info = FromStd(TextWithArgs(kTextMemoryInUse, {std::to_string(*logger_.usedEnd)}));
  memoryInfo_->setText(info);
}

void PageMTKTracklogSetting::SetButtonsForWork(bool working) {
  for (QWidget* w :
       std::initializer_list<QWidget*>{connect_, upload_, clear_, read_, apply_, overwrite_,
                                       fullStop_, bySecond_, byDistance_, recording_})
    w->setEnabled(!working);
  timeList_->setEnabled(!working && settings_.values.recording);
  distanceList_->setEnabled(!working && settings_.values.recording);
  if (PageHost* host = Host()) host->EnableWindowControls({1, 1095}, !working);
}

void PageMTKTracklogSetting::ShowSettingStatus(int textId) {
  settingStatus_->setText(TextOf(textId));
}

void PageMTKTracklogSetting::Run(std::function<Status()> work,
                                 std::function<void(const Progress&)> onProgress,
                                 std::function<void(const Status&)> onDone) {
  SetButtonsForWork(true);
  worker_->Start(std::move(work), std::move(onProgress),
                 [this, onDone = std::move(onDone)](const Status& status) {
                   SetButtonsForWork(false);
                   ShowConnection();
                   if (onDone) onDone(status);
                   if (onWorkEnded) onWorkEnded(status);
                 },
                 {.deviceWork = true, .cancelButton = stop_});
}

std::string PageMTKTracklogSetting::PortToConnect() {
  std::string port;
  int baud = 0, spare = 0;
  Session().GetLinkSettings(port, baud, spare);
  if (!port.empty() && port != kDefaultPortName) return port;
  try {
    std::string found;
    if (FindKnownBridgePort(found)) return found;
  } catch (const PortDiscoveryError&) {
  }
  return port;
}

// ---- connection and settings ----

void PageMTKTracklogSetting::OnToggleConnection() {
  if (IsWorking()) return;
  const std::string port = logger_.connectMode ? PortToConnect() : std::string();
  const bool connecting = logger_.connectMode;
  Session().cancel.Reset();
  Run(
      [this, port, connecting] {
        connected_ = ToggleLoggerConnection(Session(), logger_, port);
        // A logger that connected shows what it holds.
        if (connecting && connected_.connected) return settings_.Read(Session());
        return connected_.status;
      },
      [this](const Progress& p) {
        if (p.stageTextId) ShowSettingStatus(p.stageTextId);
      },
      [this, connecting](const Status& status) {
        if (connecting && connected_.connected) {
          ShowSettingStatus(status.textId);
          ShowSettings();
        } else if (!connected_.status.Ok()) {
          const QString why = connected_.status.code == StatusCode::PortUnusable
                                  ? FromStd(connected_.portError.message)
                                  : TextOf(connected_.status.textId);
          status_->setText(why);
          ShowStopMessage(this, why);
        }
      });
}

void PageMTKTracklogSetting::OnReadSettings() {
  if (IsWorking()) return;
  Session().cancel.Reset();
  Run([this] { return settings_.Read(Session()); },
      [this](const Progress& p) {
        if (p.stageTextId) ShowSettingStatus(p.stageTextId);
      },
      [this](const Status& status) {
        ShowSettingStatus(status.textId);
        ShowSettings();
      });
}

void PageMTKTracklogSetting::OnApplySettings() {
  if (IsWorking() || !Session().IsOpen()) return;
  Session().cancel.Reset();
  Run([this] { return settings_.Apply(Session()); },
      [this](const Progress& p) {
        if (p.stageTextId) ShowSettingStatus(p.stageTextId);
      },
      [this](const Status& status) {
        if (status.textId) ShowSettingStatus(status.textId);
      });
}

// ---- memory ----

void PageMTKTracklogSetting::ShowProgress(const Progress& p) {
  if (p.stageTextId) status_->setText(TextOf(p.stageTextId));
  if (p.value < 0) return;
  const int value = std::clamp(p.value, 0, 100);
  progress_->setValue(value);
  percent_->setText(QStringLiteral("%1%").arg(value));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  status_->setText(FromStd(ElapsedText(seconds)));
}

void PageMTKTracklogSetting::OnUpload() {
  if (IsWorking()) return;
  if (!Session().IsOpen()) {
    status_->setText(TextOf(kTextUploadNoDevice));
    return;
  }
  StepByStepDlg dialog(this);
  if (runOutputDialog(dialog) != QDialog::Accepted) {
    status_->setText(TextOf(kTextDownloadNotStarted));
    return;
  }
  // A new list of written files in place of the last one.
  delete statusDialog_.data();
  statusDialog_ = new TrackLogFileStatusDlg(window());
  statusDialog_->SetOwner(this);
  statusDialog_->EnableOk(false);
  statusDialog_->show();

  LogDownloadRequest request;
  request.folder = dialog.outputFolder.toStdString();
  request.writeTotal = dialog.writeTotal != 0;
  if (dialog.photoFolderChosen) request.photoFolder = dialog.photoFolder.toStdString();
  request.photo = PhotoSettingsFromUtilityManager();
  request.sinceLast = dialog.sinceLast != 0;
  QPointer<PageMTKTracklogSetting> self(this);
  request.announce = [self](const std::string& line) {
    QMetaObject::invokeMethod(
        self,
        [self, text = FromStd(line)] {
          if (self && self->statusDialog_) self->statusDialog_->AddStatusLine(text);
        },
        Qt::QueuedConnection);
  };
  progress_->setValue(0);
  percent_->setText(QStringLiteral("0%"));
  started_ = std::chrono::steady_clock::now();
  Session().cancel.Reset();
  Run(
      [this, request] {
        download_ = DownloadLogMemory(Session(), logger_, request);
        return download_.status;
      },
      [this](const Progress& p) { ShowProgress(p); },
      [this](const Status& status) { DownloadEnded(status); });
}

void PageMTKTracklogSetting::DownloadEnded(const Status& status) {
  if (statusDialog_) statusDialog_->EnableOk(true);
  QString text = FromStd(download_.message);
  if (const std::string why = SinceLastText(download_); !why.empty())
    text = FromStd(why) + "\n" + text;
  status_->setText(text);
  if (status.Ok()) {
    progress_->setValue(100);
    percent_->setText(QStringLiteral("100%"));
  } else if (status.code != StatusCode::PortUnusable) {
    // Memory that could not be read, a line that went, a cancel: the user is told at once.
    ShowStopMessage(this, FromStd(download_.message));
  }
}

void PageMTKTracklogSetting::OnClear() {
  if (IsWorking()) return;
  if (!Session().IsOpen()) {
    status_->setText(TextOf(kTextClearNoDevice));
    return;
  }
  if (!ConfirmLogErase(this)) return;
  Session().cancel.Reset();
  Run(
      [this] {
        clear_result_ = ClearLogMemory(Session(), logger_);
        return clear_result_.status;
      },
      [this](const Progress& p) { ShowProgress(p); },
      [this](const Status&) { status_->setText(FromStd(ClearResultText(clear_result_))); });
}

}  // namespace divuzo
