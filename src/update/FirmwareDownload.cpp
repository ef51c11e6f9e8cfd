#include "update/FirmwareDownload.h"

#include "platform/Trace.h"
#include "update/FlashDownload.h"
#include "update/ImageValidation.h"

namespace divuzo {

FirmwareDownload theFirmwareDownload;

namespace {

constexpr int kTextNoFile = 412;
constexpr int kTextWrongFile = 415;
constexpr int kTextPortFailed = 413;

} // namespace

void FirmwareDownload::Initialise() { btAddress.LoadLinkSettings(); }

FirmwareFileCheck FirmwareDownload::CheckFile(const std::string& imagePath) {
  FirmwareFileCheck check;
  if (imagePath.empty()) {
    check.messageTextId = kTextNoFile;
    return check;
  }
  check.imageFolder = FolderOf(imagePath);
  const std::string temp = TempImagePathFor(check.imageFolder);
  const ExtractResult r = ExtractImage(imagePath, ImageForm::Tagged, temp);
  if (r.status != ExtractStatus::Ok) {
    check.messageTextId = kTextWrongFile;
    check.detail = r.detail;
    return check;
  }
  check.tempImagePath = temp;
  return check;
}

bool FirmwareDownload::TryBeginDownload() {
  int idle = 0;
  return busy.compare_exchange_strong(idle, 1);
}

FirmwareDownloadOutcome FirmwareDownload::RunWorker(UpdateJob& job, UpdateObserver& observer) {
  busy.store(1);
  btAddress.LoadLinkSettings();
  btAddress.SaveBtAddress();

  FirmwareDownloadOutcome outcome;
  if (btAddress.portUsable.load() == 0) {
    observer.ShowStageText(kTextPortFailed);
    if (job.releaseFlashing) job.releaseFlashing();
    outcome = FirmwareDownloadOutcome::PortUnusable;
  } else {
    job.Pause();
    bool downloadDone = false;
    if (job.runFlashDownload) downloadDone = job.runFlashDownload();
    observer.ShowStageText(kTextUpdating);
    job.Pause();
    btAddress.RestoreBtAddress();
    if (job.releaseFlashing) job.releaseFlashing();
    const bool success = job.agentReady && job.imageReady && downloadDone;
    observer.ShowStageText(success ? kTextDone : kTextFailed);
    outcome = success ? FirmwareDownloadOutcome::Completed : FirmwareDownloadOutcome::Failed;
  }

  // The payload file goes in every outcome, also when no download took place.
  if (!DeleteTempImage(job.tempImagePath))
    TraceF("firmware download: cannot delete %s\n", job.tempImagePath.c_str());
  btAddress.portUsable.store(1);
  busy.store(0);
  observer.UpdateEnded(outcome == FirmwareDownloadOutcome::Completed);
  return outcome;
}

} // namespace divuzo
