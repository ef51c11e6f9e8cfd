#include "update/UpdateFlow.h"

#include "platform/Trace.h"
#include "update/BtAddress.h"
#include "update/FlashDownload.h"
#include "update/ImageValidation.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace divuzo {

namespace {

constexpr int kTextWarningKind4 = 453;
constexpr int kProgressDone = 1000;
// The kind a forced update assumes; it has no Bluetooth address to keep.
constexpr int kKindWithoutBtAddress = 4;

} // namespace

void UpdateJob::Pause() const {
  if (pauseMs <= 0) return;
  if (sleepMs)
    sleepMs(pauseMs);
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
}

std::optional<std::string> UpdatePercentText(int value) {
  if (value < 100) return DownloadPercentText(value);
  if (value == kProgressDone) return std::string("100%");
  return std::nullopt;
}

std::string DownloadPercentText(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d%%", value);
  return text;
}

int UpdateProgressBarPosition(int value) {
  if (value < 0) return 0;
  if (value > 100) return 100;
  return value;
}

void AttachFlashDownload(UpdateJob& job, FlashDownload& flash) {
  job.agentReady = flash.agentReady.load();
  job.imageReady = flash.imageReady.load();
  job.runFlashDownload = [&flash] { return flash.RunFlashDownload(flash.imageHandle); };
  job.releaseFlashing = [&flash] { flash.ReleaseFlashing(); };
}

void RouteFlashObserver(FlashDownload& flash, UpdateObserver& observer) {
  flash.observer.showStageText = [&observer](int id) { observer.ShowStageText(id); };
  flash.observer.setUpdateProgress = [&observer](int value) { observer.SetUpdateProgress(value); };
}

bool RunUpdateWorker(UpdateJob& job, UpdateObserver& observer) {
  const bool keepAddress = job.deviceKind != kKindWithoutBtAddress && job.btAddress;
  TraceF("update worker: kind %d, image %s\n", job.deviceKind, job.tempImagePath.c_str());

  if (keepAddress) job.btAddress->SaveBtAddress();
  job.Pause();

  bool downloadDone = false;
  if (job.runFlashDownload) downloadDone = job.runFlashDownload();
  observer.ShowStageText(kTextUpdating);
  job.Pause();

  if (keepAddress) job.btAddress->RestoreBtAddress();
  job.Pause();

  if (job.releaseFlashing) job.releaseFlashing();

  const bool success = job.agentReady && job.imageReady && downloadDone;
  if (job.closeChannel) job.closeChannel();
  if (success) {
    if (job.deviceKind == kKindWithoutBtAddress) {
      observer.ShowStageText(kTextDoneKind4);
      observer.ShowWarningText(kTextWarningKind4);
    } else {
      observer.ShowStageText(kTextDone);
    }
    observer.SetUpdateProgress(kProgressDone);
  } else {
    observer.ShowStageText(kTextFailed);
  }
  TraceF("update worker: %s (agent %d, image %d, download %d)\n", success ? "done" : "failed",
         job.agentReady, job.imageReady, downloadDone);

  if (!DeleteTempImage(job.tempImagePath))
    TraceF("update worker: cannot delete %s\n", job.tempImagePath.c_str());
  observer.UpdateEnded(success);
  return success;
}

} // namespace divuzo

namespace divuzo {

bool RunHeadlessUpdate(const HeadlessUpdate& update, UpdateObserver& observer) {
  FlashDownload flash;
  RouteFlashObserver(flash, observer);
  flash.portPath = update.portPath;
  flash.PrepareFlashing(update.deviceKind, update.tempImagePath);
  UpdateJob job;
  job.deviceKind = update.deviceKind;
  job.tempImagePath = update.tempImagePath;
  job.btAddress = update.btAddress;
  job.pauseMs = update.pauseMs;
  AttachFlashDownload(job, flash);
  return RunUpdateWorker(job, observer);
}

} // namespace divuzo
