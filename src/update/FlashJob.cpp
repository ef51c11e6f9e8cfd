#include "update/FlashJob.h"

#include "platform/Trace.h"
#include "serial/DeviceSession.h"
#include "update/ImageValidation.h"

namespace divuzo {

void FlashJob::ToSession::Report(const Progress& p) { session_.Report(p); }

FlashJob::FlashJob(DeviceSession& session, Flavor flavor)
    : session_(session),
      flavor_(flavor),
      toSession_(session),
      flash_(flavor == Flavor::UpdatePage ? AgentFamily::Update : AgentFamily::AllInOne) {
  flash_.progress = &toSession_;
}

void FlashJob::Prepare(const std::string& tempImagePath) {
  session_.cancel.Reset();
  session_.SetCancelRefusal(0);
  tempImagePath_ = tempImagePath;
  flash_.cancel = &session_.cancel;
  // From the image's first byte on, stopping would leave the unit in its boot ROM.
  flash_.onImageStart = [this] { session_.SetCancelRefusal(kTextCancelRefusedWhileFlashing); };
  flash_.PrepareFlashing(session_.device.kind, tempImagePath);
}

std::unique_ptr<Link> FlashJob::OpenStepLine() {
  PortError error;
  return session_.OpenLinkSettingsPort(error);
}

void FlashJob::Pause() { session_.SleepMs(pauseMs); }

bool FlashJob::Download(bool& cancelled) {
  cancelled = false;
  std::unique_ptr<Link> line = OpenStepLine();
  flash_.link = line.get();
  // Without a line the library reports that it has none, as it did when it opened the port.
  const bool done = flash_.RunFlashDownload(flash_.imageHandle);
  flash_.link = nullptr;
  cancelled = flash_.downloadStatus == brom_download::kCancelled;
  if (line) line->Close();
  return done;
}

Status FlashJob::Finish(Status status) {
  if (!DeleteTempImage(tempImagePath_)) TraceF("flash: cannot delete %s\n", tempImagePath_.c_str());
  session_.SetCancelRefusal(0);
  session_.cancel.Reset();
  return status;
}

Status FlashJob::Run() {
  return flavor_ == Flavor::UpdatePage ? RunUpdatePage() : RunFirmwareDownloadPage();
}

Status FlashJob::RunUpdatePage() {
  const DeviceKind kind = session_.device.kind;
  const bool keepAddress = KindInfo(kind).keepsBtAddress;
  TraceF("update worker: kind %d, image %s\n", KindNumber(kind), tempImagePath_.c_str());

  if (keepAddress) {
    if (auto line = OpenStepLine()) {
      addresses_.SaveBtAddress(*line, &session_.cancel);
      line->Purge();
      line->Close();
    }
  }
  Pause();

  bool cancelled = session_.cancel.Cancelled();
  bool downloadDone = false;
  if (!cancelled) downloadDone = Download(cancelled);
  if (!cancelled) {
    session_.Report(Progress::Stage(kTextUpdating));
    Pause();
    if (keepAddress) {
      if (auto line = OpenStepLine()) {
        addresses_.RestoreBtAddress(*line);
        line->Purge();
        line->Close();
      }
    }
    Pause();
  }
  flash_.ReleaseFlashing();

  const bool success = flash_.agentReady && flash_.imageReady && downloadDone;
  session_.Close();
  Status status;
  if (success) {
    if (kind == DeviceKind::ZID300) {
      session_.Report(Progress::Stage(kTextDoneKind4));
      Progress warning;
      warning.warningTextId = kTextWarningKind4;
      session_.Report(warning);
      status = Status::Success(kTextDoneKind4);
    } else {
      session_.Report(Progress::Stage(kTextDone));
      status = Status::Success(kTextDone);
    }
    session_.Report(Progress::Value(kProgressDone));
  } else if (cancelled) {
    session_.Report(Progress::Stage(kTextCancelled));
    status = Status::Failure(StatusCode::Cancelled, kTextCancelled, "cancelled before the image was written");
  } else {
    session_.Report(Progress::Stage(kTextFailed));
    status = Status::Failure(StatusCode::Failed, kTextFailed,
                             BromStatusText(flash_.downloadStatus, false));
  }
  TraceF("update worker: %s (agent %d, image %d, download %d)\n", success ? "done" : "failed",
         flash_.agentReady.load(), flash_.imageReady.load(), downloadDone);
  return Finish(status);
}

Status FlashJob::RunFirmwareDownloadPage() {
  std::unique_ptr<Link> line = OpenStepLine();
  if (!line) {
    // The address step cannot reach the device: no download takes place.
    session_.Report(Progress::Stage(kTextPortFailed));
    flash_.ReleaseFlashing();
    return Finish(Status::Failure(StatusCode::PortUnusable, kTextPortFailed, "the port cannot be opened"));
  }
  addresses_.SaveBtAddress(*line, &session_.cancel);
  line->Purge();
  line->Close();
  line.reset();

  Pause();
  bool cancelled = session_.cancel.Cancelled();
  bool downloadDone = false;
  if (!cancelled) downloadDone = Download(cancelled);
  if (!cancelled) {
    session_.Report(Progress::Stage(kTextUpdating));
    Pause();
    if (auto restore = OpenStepLine()) {
      addresses_.RestoreBtAddress(*restore);
      restore->Purge();
      restore->Close();
    }
  }
  flash_.ReleaseFlashing();
  const bool success = flash_.agentReady && flash_.imageReady && downloadDone;
  Status status;
  if (success) {
    status = Status::Success(kTextDone);
  } else if (cancelled) {
    status = Status::Failure(StatusCode::Cancelled, kTextCancelled, "cancelled before the image was written");
  } else {
    status = Status::Failure(StatusCode::Failed, kTextFailed, BromStatusText(flash_.downloadStatus, false));
  }
  session_.Report(Progress::Stage(status.textId));
  return Finish(status);
}

} // namespace divuzo
