#include "update/ui/UpdateWorker.h"

#include "update/FirmwareDownload.h"
#include "update/FlashDownload.h"
#include "update/UpdateFlow.h"

namespace divuzo {

class UpdateWorker::Observer : public UpdateObserver {
public:
  Reports reports;
  void ShowStageText(int textId) override { if (reports.stage) reports.stage(textId); }
  void ShowWarningText(int textId) override { if (reports.warning) reports.warning(textId); }
  void SetUpdateProgress(int value) override { if (reports.progress) reports.progress(value); }
  void UpdateEnded(bool success) override { if (reports.ended) reports.ended(success); }
};

UpdateWorker::UpdateWorker()
    : flash_(std::make_unique<FlashDownload>(AgentFamily::Update)), observer_(std::make_unique<Observer>()) {}

UpdateWorker::~UpdateWorker() { Join(); }

void UpdateWorker::Join() {
  if (thread_.joinable()) thread_.join();
}

void UpdateWorker::ResetFlags() {
  flash_->agentReady = false;
  flash_->imageReady = false;
  flash_->downloadDone = false;
}

void UpdateWorker::Start(const Run& run, Reports reports) {
  Join();
  observer_->reports = std::move(reports);
  flash_->observer.showStageText = observer_->reports.stage;
  flash_->observer.setUpdateProgress = observer_->reports.progress;
  flash_->PrepareFlashing(run.deviceKind, run.tempImagePath);
  flash_->portPath = run.portPath;

  UpdateJob job;
  job.deviceKind = run.deviceKind;
  job.tempImagePath = run.tempImagePath;
  job.btAddress = &theFirmwareDownload.btAddress;
  job.agentReady = flash_->agentReady;
  job.imageReady = flash_->imageReady;
  job.runFlashDownload = [this] { return flash_->RunFlashDownload(flash_->imageHandle); };
  job.releaseFlashing = [this] { flash_->ReleaseFlashing(); };
  job.closeChannel = run.closeChannel;
  job.pauseMs = run.pauseMs;
  thread_ = std::thread([this, job]() mutable { RunUpdateWorker(job, *observer_); });
}

} // namespace divuzo
