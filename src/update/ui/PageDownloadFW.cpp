#include "update/ui/PageDownloadFW.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/PageHost.h"
#include "app/ui/PageWorker.h"
#include "app/ui/StopMessage.h"
#include "serial/DeviceSession.h"
#include "update/FirmwareDownload.h"
#include "update/FlashJob.h"
#include "update/UpdateProgress.h"
#include "update/ui/AddressQuestion.h"

namespace divuzo {

PageDownloadFW::PageDownloadFW(QWidget* parent) : PageBase(147, parent) {
  DialogTemplate t(this, QStringLiteral("Arial"), 10, 320, 140);
  t.GroupBox(1188, 7, 7, 306, 125, 434);
  t.Static(1190, 15, 20, 290, 24, 401);
  download_ = t.Button(1006, 15, 50, 80, 14, 403);
  stage_ = t.Static(1189, 15, 70, 290, 12, 404);
  progress_ = t.Progress(1007, 15, 88, 250, 8);
  percentText_ = t.Static(1008, 272, 86, 30, 10);
  // The template hides the file chooser (the page had no tab); now that the page can be
  // opened, it is how a file is chosen for Download.
  t.Static(1003, 15, 104, 90, 10, 402);
  path_ = t.ReadOnlyEdit(1004, 105, 103, 180, 12);
  browse_ = t.Button(1005, 288, 103, 16, 12, -1);
  browse_->setText(QStringLiteral("..."));
  worker_ = new PageWorker(this);

  connect(download_, &QPushButton::clicked, this, &PageDownloadFW::OnDownload);
  connect(browse_, &QPushButton::clicked, this, &PageDownloadFW::OnBrowse);
  chooseImageFile = [](QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QString(), QStringLiteral("*.bin"),
                                        QStringLiteral("Raded T-410 Firmware (*.bin)"));
  };
}

PageDownloadFW::~PageDownloadFW() { worker_->Wait(); }

void PageDownloadFW::OnInitDialog() { download_->setEnabled(false); }

FlashJob& PageDownloadFW::Job() {
  // The page only flashes inside a window: the job needs the window's session.
  if (!job_) job_ = std::make_unique<FlashJob>(Host()->Session(), FlashJob::Flavor::FirmwareDownloadPage);
  return *job_;
}

bool PageDownloadFW::IsBusy() const { return worker_->Running(); }

void PageDownloadFW::EnableDownloadButton() { download_->setEnabled(true); }

void PageDownloadFW::SetProgress(int value) {
  percent_ = value;
  progress_->setValue(UpdateProgressBarPosition(value));
  percentText_->setText(QString::fromStdString(DownloadPercentText(value)));
}

void PageDownloadFW::OnBrowse() {
  const QString chosen = chooseImageFile ? chooseImageFile(this) : QString();
  if (chosen.isEmpty()) return;
  imagePath = chosen.toStdString();
  path_->setText(chosen);
}

void PageDownloadFW::OnDownload() {
  if (IsBusy() || !Host()) return;
  const FirmwareFileCheck check = CheckFirmwareFile(imagePath);
  if (!check.status.Ok()) {
    QString text = TextOf(check.status.textId);
    if (check.status.reasonTextId != 0)
      text += QStringLiteral("\n") + TextOf(check.status.reasonTextId);
    ShowStopMessage(this, text);
    return;
  }
  PageHost* host = Host();
  host->SetUpdateTabEnabled(false);
  host->EnableWindowControls({1002, 1, 1095}, false);
  download_->setEnabled(false);
  browse_->setEnabled(false);

  auto show = [this](const Progress& p) {
    if (p.value >= 0) SetProgress(p.value);
    if (p.stageTextId) stage_->setText(TextOf(p.stageTextId));
  };
  FlashJob& job = Job();
  job.pauseMs = pauseMs;
  job.confirmAddressRisk = [this](const AddressSave& save, AddressRisk risk) {
    return worker_->Ask([this, save, risk] { return AskToFlashWithoutAddress(this, save, risk); });
  };
  host->Session().cancel.Reset();
  ProgressFunction here(show);
  host->Session().progress = &here;
  job.Prepare(check.tempImagePath);
  host->Session().progress = nullptr;
  worker_->Start([&job] { return job.Run(); }, show, [this](const Status& s) { OnEnded(s); },
                 {.deviceWork = true, .cancelButton = nullptr});
}

void PageDownloadFW::OnEnded(const Status& status) {
  browse_->setEnabled(true);
  if (PageHost* host = Host()) {
    host->SetUpdateTabEnabled(true);
    host->EnableWindowControls({1002, 1, 2, 1001}, true);
    if (status.code != StatusCode::PortUnusable) host->EnableWindowControls({1095}, true);
  }
  if (status.code == StatusCode::Failed && status.reasonTextId != 0)
    ShowStopMessage(this,
                    TextOf(status.textId) + QStringLiteral("\n") + TextOf(status.reasonTextId));
  if (onDownloadEnded) onDownloadEnded(status);
}

} // namespace divuzo
