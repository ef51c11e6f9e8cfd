#include "trackdata/ui/PageWayPointSetting.h"

#include "app/ui/DialogTemplate.h"
#include "app/ui/PageHost.h"
#include "app/ui/PageWorker.h"
#include "serial/DeviceSession.h"
#include "trackdata/WaypointSend.h"
#include "trackdata/ui/TransferPageParts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace divuzo {

namespace {

QString OpenMapFile(QWidget* parent) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("*.mpt"));
  dialog.setDefaultSuffix(QStringLiteral("mpt"));
  dialog.selectFile(QStringLiteral("*.mpt"));
  return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
             ? dialog.selectedFiles().first()
             : QString();
}

}  // namespace

PageWayPointSetting::PageWayPointSetting(QWidget* parent) : PageBase(134, parent) {
  DialogTemplate t(this, QStringLiteral("Arial"), 10, 320, 170);
  t.GroupBox(-1, 5, 5, 310, 160)->setTitle(QStringLiteral("Download Waypoints to the Device"));
  nameBox_ = t.ReadOnlyEdit(1031, 12, 20, 296, 12);
  versionBox_ = t.ReadOnlyEdit(1035, 12, 38, 296, 12);
  dateBox_ = t.ReadOnlyEdit(1034, 12, 56, 296, 12);
  downloadButton_ = t.Button(1000, 240, 76, 68, 16);
  downloadButton_->setText(QStringLiteral("Download"));
  cancel_ = t.Button(1240, 168, 76, 68, 16, 302, false);
  status_ = t.Static(1048, 12, 98, 296, 30);
  progress_ = t.Progress(1037, 12, 134, 260, 10);
  progress_->setRange(0, 100);
  percent_ = t.Static(1038, 278, 134, 30, 10);
  worker_ = new PageWorker(this);
  chooseFile = OpenMapFile;
  listPorts = [] { return CurrentPortList(); };
  connect(downloadButton_, &QPushButton::clicked, this, &PageWayPointSetting::OnDownload);
}

PageWayPointSetting::~PageWayPointSetting() {
  worker_->Wait();
}

void PageWayPointSetting::OnInitDialog() {
  nameBox_->setText(QStringLiteral("Default File Name"));
  versionBox_->setText(QStringLiteral("Default File Version"));
  dateBox_->setText(QStringLiteral("Default File Date"));
  progress_->setValue(0);
  percent_->setText(QStringLiteral("0%"));
}

bool PageWayPointSetting::IsTransferring() const {
  return worker_->Running();
}

void PageWayPointSetting::OnDownload() {
  if (worker_->Running() || !Host()) return;
  const QString path = chooseFile ? chooseFile(this) : QString();
  if (path.isEmpty()) return;
  nameBox_->setText(QFileInfo(path).fileName());
  dateBox_->setText(QString::fromStdString(FileDateText(path.toStdString())));
  progress_->setValue(0);
  percent_->setText(QStringLiteral("0%"));
  downloadButton_->setEnabled(false);
  DeviceSession& session = Host()->Session();
  session.cancel.Reset();
  const auto ports = TransferPorts(TransferKind::Waypoint, listPorts(), ChosenPort(this));
  const TransferTiming waits = timing;
  worker_->Start([&session, path, ports,
                  waits] { return SendWaypointFile(session, path.toStdString(), ports, waits); },
                 [this](const Progress& p) { ShowProgress(p); },
                 [this](const Status& s) { Finish(s); },
                 {.deviceWork = true, .cancelButton = cancel_});
}

void PageWayPointSetting::ShowProgress(const Progress& p) {
  if (p.stageTextId != 0) status_->setText(TextOf(p.stageTextId));
  ShowPercent(p, progress_, percent_);
}

void PageWayPointSetting::Finish(const Status& status) {
  downloadButton_->setEnabled(true);
  ShowOutcome(this, status, status_);
  emit transferFinished(status.Ok());
}

}  // namespace divuzo
