#include "update/ui/PageDownloadFW.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include "app/UtilityManager.h"
#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/StopMessage.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "update/FirmwareDownload.h"
#include "update/FlashDownload.h"
#include "update/UpdateFlow.h"

namespace divuzo {

namespace {
template <typename Fn>
void OnGuiThread(QObject* page, Fn fn) {
  QMetaObject::invokeMethod(page, std::move(fn), Qt::AutoConnection);
}
} // namespace

class PageDownloadFW::Observer : public UpdateObserver {
public:
  explicit Observer(PageDownloadFW* page) : page_(page) {}
  void ShowStageText(int textId) override {
    QPointer<PageDownloadFW> p(page_);
    OnGuiThread(page_, [p, textId] { if (p) p->stage_->setText(TextOf(textId)); });
  }
  void SetUpdateProgress(int value) override {
    QPointer<PageDownloadFW> p(page_);
    OnGuiThread(page_, [p, value] { if (p) p->SetProgress(value); });
  }

private:
  PageDownloadFW* page_;
};

PageDownloadFW::PageDownloadFW(QWidget* parent)
    : PageBase(147, parent),
      flash_(std::make_unique<FlashDownload>(AgentFamily::AllInOne)),
      observer_(std::make_unique<Observer>(this)) {
  DialogTemplate t(this, QStringLiteral("Arial"), 10, 320, 140);
  t.GroupBox(1188, 7, 7, 306, 125, 434);
  t.Static(1190, 15, 20, 290, 24, 401);
  download_ = t.Button(1006, 15, 50, 80, 14, 403);
  stage_ = t.Static(1189, 15, 70, 290, 12, 404);
  progress_ = t.Progress(1007, 15, 88, 250, 8);
  percentText_ = t.Static(1008, 272, 86, 30, 10);
  t.Static(1003, 15, 104, 90, 10, 402, false);
  path_ = t.ReadOnlyEdit(1004, 105, 103, 180, 12, false);
  browse_ = t.Button(1005, 288, 103, 16, 12, -1, false);
  browse_->setText(QStringLiteral("..."));

  connect(download_, &QPushButton::clicked, this, &PageDownloadFW::OnDownload);
  connect(browse_, &QPushButton::clicked, this, &PageDownloadFW::OnBrowse);
  chooseImageFile = [](QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QString(), QStringLiteral("*.bin"),
                                        QStringLiteral("Raded T-410 Firmware (*.bin)"));
  };
}

PageDownloadFW::~PageDownloadFW() { JoinWorker(); }

void PageDownloadFW::JoinWorker() {
  if (worker_.joinable()) worker_.join();
}

void PageDownloadFW::OnInitDialog() {
  download_->setEnabled(false);
  theFirmwareDownload.Initialise();
}

bool PageDownloadFW::IsBusy() const { return theFirmwareDownload.IsBusy(); }

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
  const FirmwareFileCheck check = theFirmwareDownload.CheckFile(imagePath);
  if (check.messageTextId != 0) {
    ShowStopMessage(this, TextOf(check.messageTextId));
    return;
  }
  if (!theFirmwareDownload.TryBeginDownload()) return;
  VaduzOdivozuDlg* main = MainWindow();
  if (main) {
    main->tabItemEnabled = 0;
    main->ApplyUpdateTabEnabled();
    main->EnableControls({1002, 1, 1095}, false);
  }
  download_->setEnabled(false);
  browse_->setEnabled(false);

  QPointer<PageDownloadFW> self(this);
  flash_->observer.showStageText = [this, self](int textId) {
    OnGuiThread(this, [self, textId] { if (self) self->stage_->setText(TextOf(textId)); });
  };
  flash_->observer.setUpdateProgress = [this, self](int value) {
    OnGuiThread(this, [self, value] { if (self) self->SetProgress(value); });
  };
  const int kind = theUtilityManager.deviceKind;
  flash_->PrepareFlashing(kind, check.tempImagePath);
  std::string port;
  int baud = 0, spare = 0;
  theUtilityManager.GetLinkSettings(port, baud, spare);
  flash_->portPath = port;

  JoinWorker();
  const std::string temp = check.tempImagePath;
  worker_ = std::thread([this, self, kind, temp] {
    UpdateJob job;
    job.deviceKind = kind;
    job.tempImagePath = temp;
    job.agentReady = flash_->agentReady;
    job.imageReady = flash_->imageReady;
    job.runFlashDownload = [this] { return flash_->RunFlashDownload(flash_->imageHandle); };
    job.releaseFlashing = [this] { flash_->ReleaseFlashing(); };
    job.pauseMs = pauseMs;
    const FirmwareDownloadOutcome outcome = theFirmwareDownload.RunWorker(job, *observer_);
    OnGuiThread(this, [self, outcome] { if (self) self->OnEnded(outcome); });
  });
}

void PageDownloadFW::OnEnded(FirmwareDownloadOutcome outcome) {
  JoinWorker();
  if (VaduzOdivozuDlg* main = MainWindow()) {
    main->tabItemEnabled = 1;
    main->ApplyUpdateTabEnabled();
    main->EnableControls({1002, 1, 2, 1001}, true);
    if (outcome != FirmwareDownloadOutcome::PortUnusable) main->EnableControls({1095}, true);
  }
  if (onDownloadEnded) onDownloadEnded(outcome);
}

} // namespace divuzo
