#include "trackdata/ui/PageTrackLogSetting.h"

#include "app/ui/DialogTemplate.h"
#include "app/ui/PageHost.h"
#include "app/ui/PageWorker.h"
#include "app/ui/StopMessage.h"
#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"
#include "trackdata/ui/TransferPageParts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <cstdlib>

namespace divuzo {

namespace {

QString SaveTrackFile(QWidget* parent) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(QStringLiteral("*.trl"));
  dialog.setDefaultSuffix(QStringLiteral("trl"));
  dialog.selectFile(QStringLiteral("*.trl"));
  return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
             ? dialog.selectedFiles().first()
             : QString();
}

// A number as the edit boxes hold it: its leading decimal digits (atoi's rules).
int NumberIn(const QLineEdit* box) {
  return std::atoi(box->text().toLatin1().constData());
}

void Exclusive(QObject* parent, std::initializer_list<QRadioButton*> radios) {
  auto* group = new QButtonGroup(parent);
  for (QRadioButton* r : radios) group->addButton(r);
}

}  // namespace

PageTrackLogSetting::PageTrackLogSetting(QWidget* parent) : PageBase(130, parent) {
  DialogTemplate t(this, QStringLiteral("Arial"), 10, 320, 170);
  t.GroupBox(-1, 5, 18, 200, 84);
  recording_ = t.CheckBox(1001, 12, 4, 190, 12, QStringLiteral("Enable Track Log Recording"));
  byTime_ = t.Radio(1003, 12, 28, 88, 12, QStringLiteral("Log by Time"));
  timeBox_ = t.Edit(1005, 104, 27, 40, 12);
  timeUnit_ = t.Static(1032, 150, 29, 50, 10);
  timeUnit_->setText(QStringLiteral("Second"));
  byDistance_ = t.Radio(1004, 12, 44, 88, 12, QStringLiteral("Log by Distance"));
  distanceBox_ = t.Edit(1006, 104, 43, 40, 12);
  distanceUnit_ = t.Static(1033, 150, 45, 50, 10);
  meter_ = t.Radio(1014, 104, 58, 45, 12, QStringLiteral("Meter"));
  foot_ = t.Radio(1015, 150, 58, 45, 12, QStringLiteral("Foot"));
  cycle_ = t.Radio(1074, 12, 74, 188, 12, QStringLiteral("Record in Flash with Cycle"));
  once_ = t.Radio(1073, 12, 88, 188, 12, QStringLiteral("Record in Flash Once"));
  Exclusive(this, {byTime_, byDistance_});
  Exclusive(this, {meter_, foot_});
  Exclusive(this, {cycle_, once_});

  readButton_ = t.Button(1082, 240, 20, 68, 14);
  readButton_->setText(QStringLiteral("Read"));
  readStatus_ = t.Static(1050, 212, 38, 100, 44);
  cancel_ = t.Button(1240, 240, 84, 68, 14, 302, false);
  uploadButton_ = t.Button(1036, 12, 106, 60, 14);
  uploadButton_->setText(QStringLiteral("Upload"));
  uploadBar_ = t.Progress(1037, 78, 108, 190, 10);
  uploadPercent_ = t.Static(1038, 274, 108, 34, 10);
  clearButton_ = t.Button(1007, 12, 124, 60, 14);
  clearButton_->setText(QStringLiteral("Clear"));
  clearBar_ = t.Progress(1009, 78, 126, 190, 10);
  clearPercent_ = t.Static(1040, 274, 126, 34, 10);
  status_ = t.Static(1048, 12, 144, 296, 22);
  worker_ = new PageWorker(this);
  chooseSaveFile = SaveTrackFile;
  listPorts = [] { return CurrentPortList(); };

  connect(recording_, &QCheckBox::clicked, this, &PageTrackLogSetting::OnRecordingClicked);
  connect(byTime_, &QRadioButton::clicked, this, [this] {
    page_.logBy = kLogByTime;
    ShowSetting(1);
  });
  connect(byDistance_, &QRadioButton::clicked, this, [this] {
    page_.logBy = kLogByDistance;
    ShowSetting(1);
  });
  connect(cycle_, &QRadioButton::clicked, this, [this] { page_.recordMode = 1; });
  connect(once_, &QRadioButton::clicked, this, [this] { page_.recordMode = 2; });
  connect(meter_, &QRadioButton::clicked, this, [this] { OnUnitChosen(false); });
  connect(foot_, &QRadioButton::clicked, this, [this] { OnUnitChosen(true); });
  connect(readButton_, &QPushButton::clicked, this, &PageTrackLogSetting::OnRead);
  connect(uploadButton_, &QPushButton::clicked, this, &PageTrackLogSetting::OnUpload);
  connect(clearButton_, &QPushButton::clicked, this, &PageTrackLogSetting::OnClear);
}

PageTrackLogSetting::~PageTrackLogSetting() {
  worker_->Wait();
}

void PageTrackLogSetting::OnInitDialog() {
  page_ = known_ = TrackLogSettings{};
  for (int index = 0; index <= 6; ++index) ShowSetting(index);
}

bool PageTrackLogSetting::IsWorking() const {
  return worker_->Running();
}

void PageTrackLogSetting::ShowSetting(int index) {
  switch (index) {
    case 0: {
      const bool on = page_.recording == kRecordingOn;
      recording_->setChecked(on);
      for (QWidget* w :
           std::initializer_list<QWidget*>{byTime_, byDistance_, timeBox_, timeUnit_, distanceBox_,
                                           distanceUnit_, meter_, foot_, cycle_, once_})
        w->setEnabled(on);
      if (on) ShowSetting(1);
      break;
    }
    case 1: {
      const bool byTime = page_.logBy == kLogByTime;
      (byTime ? byTime_ : byDistance_)->setChecked(true);
      timeBox_->setEnabled(byTime);
      for (QWidget* w : std::initializer_list<QWidget*>{distanceBox_, meter_, foot_})
        w->setEnabled(!byTime);
      break;
    }
    case 2:
      timeBox_->setText(QString::number(page_.intervalSeconds));
      break;
    case 3:
      feetShown_ = false;
      meter_->setChecked(true);
      distanceUnit_->setText(QStringLiteral("Meter"));
      distanceBox_->setText(QString::number(page_.distanceMeters));
      break;
    case 4:
      (page_.recordMode == 2 ? once_ : cycle_)->setChecked(true);
      break;
    case 5:
    case 6: {
      QProgressBar* bar = index == 5 ? uploadBar_ : clearBar_;
      bar->setRange(0, 100);
      bar->setValue(0);
      (index == 5 ? uploadPercent_ : clearPercent_)->setText(QStringLiteral("0%"));
      break;
    }
    default:
      break;
  }
}

void PageTrackLogSetting::ReadControls() {
  page_.recording = recording_->isChecked() ? kRecordingOn : kRecordingOff;
  page_.logBy = byDistance_->isChecked() ? kLogByDistance : kLogByTime;
  page_.intervalSeconds = NumberIn(timeBox_);
  const int distance = NumberIn(distanceBox_);
  page_.distanceMeters = feetShown_ ? MetersFromFeet(distance) : distance;
  page_.distanceFeet = feetShown_ ? distance : FeetFromMeters(distance);
  page_.recordMode = once_->isChecked() ? 2 : 1;
}

void PageTrackLogSetting::OnUnitChosen(bool feet) {
  if (feet == feetShown_) return;
  const int shown = NumberIn(distanceBox_);
  const int converted = feet ? FeetFromMeters(shown) : MetersFromFeet(shown);
  feetShown_ = feet;
  distanceUnit_->setText(feet ? QStringLiteral("Foot") : QStringLiteral("Meter"));
  distanceBox_->setText(QString::number(converted));
}

bool PageTrackLogSetting::RunOnLine(std::function<Status(DeviceProtocol&)> work,
                                    std::function<void(const Status&)> done) {
  if (!Host() || worker_->Running()) return false;
  DeviceSession& session = Host()->Session();
  session.cancel.Reset();
  const std::string port = ChosenPort(this);
  EnableButtons(false);
  return worker_->Start(
      [&session, port, work = std::move(work)] { return WithSettingsLine(session, port, work); },
      {},
      [this, done = std::move(done)](const Status& s) {
        done(s);
        Ended(s);
      },
      {.deviceWork = true, .cancelButton = cancel_});
}

void PageTrackLogSetting::Ended(const Status& status) {
  EnableButtons(true);
  emit jobFinished(status.Ok());
}

void PageTrackLogSetting::EnableButtons(bool enable) {
  for (QPushButton* b : {readButton_, uploadButton_, clearButton_}) b->setEnabled(enable);
}

void PageTrackLogSetting::OnRecordingClicked(bool checked) {
  page_.recording = checked ? kRecordingOn : kRecordingOff;
  ShowSetting(0);
  RunOnLine(
      [checked](DeviceProtocol& p) {
        return SetRecording(p, checked)
                   ? Status::Success()
                   : Status::Failure(StatusCode::NoAnswer, kTextSettingRefused, "recording switch");
      },
      [this, checked](const Status& s) {
        if (s.Ok()) known_.recording = checked ? kRecordingOn : kRecordingOff;
      });
}

void PageTrackLogSetting::OnPageApply() {
  ReadControls();
  workerKnown_ = known_;
  const TrackLogSettings wanted = page_;
  const bool feet = feetShown_;
  if (ApplyCommands(known_, wanted, feet).empty()) return;
  readStatus_->setText(TextOf(kTextUpdatingSettings));
  RunOnLine([this, wanted, feet](
                DeviceProtocol& p) { return ApplyTrackLogSettings(p, workerKnown_, wanted, feet); },
            [this](const Status& s) {
              known_ = workerKnown_;
              ShowOutcome(this, s, readStatus_);
            });
}

void PageTrackLogSetting::OnPageDefault() {
  page_ = TrackLogSettings{};
  for (int index = 0; index <= 4; ++index) ShowSetting(index);
}

void PageTrackLogSetting::OnRead() {
  readStatus_->setText(TextOf(kTextWaitingForStart));
  const TrackLogSettings current = page_;
  RunOnLine(
      [this, current](DeviceProtocol& p) {
        read_ = ReadTrackLogSettings(p, current);
        return read_.answered ? Status::Success(kTextSettingsUpdated)
                              : Status::Failure(StatusCode::NoAnswer, kTextSettingRefused,
                                                "no answer to the queries");
      },
      [this](const Status& s) {
        if (s.Ok()) {
          page_ = known_ = read_.values;
          for (int index : {1, 2, 3, 4, 0}) ShowSetting(index);
        }
        ShowOutcome(this, s, readStatus_);
      });
}

void PageTrackLogSetting::OnUpload() {
  if (!Host() || worker_->Running()) return;
  const QString path = chooseSaveFile ? chooseSaveFile(this) : QString();
  if (path.isEmpty()) return;
  ShowSetting(5);
  EnableButtons(false);
  DeviceSession& session = Host()->Session();
  session.cancel.Reset();
  const auto ports = TransferPorts(TransferKind::TrackLog, listPorts(), ChosenPort(this));
  const TransferTiming waits = timing;
  worker_->Start(
      [this, &session, path, ports, waits] {
        received_ = ReceiveTrackLog(session, path.toStdString(), ports, waits);
        return received_.status;
      },
      [this](const Progress& p) {
        if (p.stageTextId != 0) status_->setText(TextOf(p.stageTextId));
        ShowPercent(p, uploadBar_, uploadPercent_);
      },
      [this](const Status& s) {
        const QString partial =
            received_.partial.empty()
                ? QString()
                : TextOf(kTextPartialKept) + QString::fromStdString(received_.partial.string());
        ShowOutcome(this, s, status_, partial);
        Ended(s);
      },
      {.deviceWork = true, .cancelButton = cancel_});
}

void PageTrackLogSetting::OnClear() {
  if (!ConfirmLogErase(this)) return;
  ShowSetting(6);
  status_->setText(TextOf(kTextWaitingForStart));
  RunOnLine([](DeviceProtocol& p) { return ClearTrackLog(p); },
            [this](const Status& s) {
              if (s.Ok()) ShowPercent(Progress::Value(100), clearBar_, clearPercent_);
              ShowOutcome(this, s, status_);
            });
}

}  // namespace divuzo
