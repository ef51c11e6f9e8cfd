#include "update/FlashJob.h"

#include "platform/Trace.h"
#include "serial/DeviceSession.h"
#include "update/FlashFailure.h"
#include "update/ImageValidation.h"

namespace divuzo {

namespace {
constexpr const char* kCancelledDetail = "cancelled before the image was written";
constexpr const char* kAddressDeclinedDetail =
    "stopped before flashing: the Bluetooth address cannot be kept";
} // namespace

void FlashJob::ToSession::Report(const Progress& p) { session_.Report(p); }

FlashJob::FlashJob(DeviceSession& session, Flavor flavor)
    : session_(session),
      flavor_(flavor),
      toSession_(session),
      flash_(flavor == Flavor::UpdatePage ? AgentFamily::Update : AgentFamily::AllInOne) {
  flash_.progress = &toSession_;
}

void FlashJob::Prepare(const std::string& tempImagePath) {
  session_.SetCancelRefusal(0);
  tempImagePath_ = tempImagePath;
  addressRestored_ = false;
  flash_.cancel = &session_.cancel;
  // From the image's first byte on, stopping would leave the unit in its boot ROM.
  flash_.onImageStart = [this] { session_.SetCancelRefusal(kTextCancelRefusedWhileFlashing); };
  flash_.PrepareFlashing(session_.device.kind, tempImagePath);
}

std::unique_ptr<Link> FlashJob::OpenStepLine(bool cancellable) {
  for (int attempt = 0;; ++attempt) {
    PortError error;
    if (auto line = session_.OpenLinkSettingsPort(error)) {
      lastPortError_ = PortError{};
      return line;
    }
    lastPortError_ = error;
    // Only a port held by someone else is worth waiting for.
    if (error.kind != PortError::Kind::Busy || attempt >= portRetries) return nullptr;
    if (cancellable && session_.cancel.Cancelled()) return nullptr;
    TraceF("flash: port busy, trying again in %d ms\n", portRetryMs);
    session_.SleepMs(portRetryMs);
  }
}

void FlashJob::Pause() { session_.SleepMs(pauseMs); }

bool FlashJob::SaveAddress(std::unique_ptr<Link> line, Status& stopped) {
  const AddressSave save = line ? addresses_.SaveBtAddress(*line, &session_.cancel)
                                : addresses_.SaveWithoutLine();
  if (line) {
    line->Purge();
    line->Close();
  }
  const AddressRisk risk = RiskOf(save);
  if (risk == AddressRisk::None || session_.cancel.Cancelled()) return true;
  TraceF("flash: the Bluetooth address cannot be kept (%s)\n",
         risk == AddressRisk::NoAddress ? "none to write back" : save.storeProblem.c_str());
  if (confirmAddressRisk && confirmAddressRisk(save, risk)) return true;
  const int reason = risk == AddressRisk::NoAddress ? kTextAddressUnknown : kTextAddressNotStored;
  stopped = Status::Failure(StatusCode::Cancelled, kTextCancelled, kAddressDeclinedDetail, reason);
  return false;
}

bool FlashJob::RestoreAddress() {
  if (!addresses_.HasAddress()) return false;
  std::unique_ptr<Link> line = OpenStepLine(false);
  if (!line) {
    TraceF("flash: cannot write the Bluetooth address back: %s\n", lastPortError_.message.c_str());
    return false;
  }
  const bool written = addresses_.RestoreBtAddress(*line);
  line->Purge();
  line->Close();
  return written;
}

bool FlashJob::Download(bool& cancelled) {
  cancelled = false;
  std::unique_ptr<Link> line = OpenStepLine(true);
  downloadPortError_ = line ? PortError{} : lastPortError_;
  flash_.link = line.get();
  // Without a line the library reports that it has none, as it did when it opened the port.
  const bool done = flash_.RunFlashDownload(flash_.imageHandle);
  flash_.link = nullptr;
  cancelled = flash_.downloadStatus == brom_download::kCancelled ||
              (!line && session_.cancel.Cancelled());
  if (line) line->Close();
  return done;
}

Status FlashJob::FailedFlash() {
  const FlashFailureReason reason = ReasonOfFailedFlash(flash_, downloadPortError_);
  return Status::Failure(StatusCode::Failed, kTextFailed, reason.detail, reason.textId);
}

Status FlashJob::WithAddressOutcome(Status done) {
  if (addressRestored_) return done;
  Progress warning;
  if (!addresses_.HasAddress()) {
    // There was none to write back, and the user chose to go on without it.
    warning.warningTextId = kTextAddressLost;
    session_.Report(warning);
    return done;
  }
  // The image is in, but the unit is left without its address: not a success.
  warning.warningTextId = kTextAddressNotRestored;
  session_.Report(warning);
  return Status::Failure(StatusCode::Failed, kTextAddressNotRestored,
                         "the image was written, but the Bluetooth address could not be written "
                         "back: " + lastPortError_.message,
                         lastPortError_.textId);
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
  addressRestored_ = false;
  TraceF("update worker: kind %d, image %s\n", KindNumber(kind), tempImagePath_.c_str());

  if (keepAddress) {
    Status stopped;
    if (!SaveAddress(OpenStepLine(true), stopped)) {
      flash_.ReleaseFlashing();
      session_.Close();
      session_.Report(Progress::Stage(stopped.textId));
      return Finish(stopped);
    }
  }
  Pause();

  bool cancelled = false;
  const bool downloadDone = DownloadThenRestore(keepAddress, cancelled);
  if (!cancelled) Pause();
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
    if (keepAddress) status = WithAddressOutcome(status);
    session_.Report(Progress::Value(kProgressDone));
  } else if (cancelled) {
    session_.Report(Progress::Stage(kTextCancelled));
    status = Status::Failure(StatusCode::Cancelled, kTextCancelled, kCancelledDetail);
  } else {
    session_.Report(Progress::Stage(kTextFailed));
    status = FailedFlash();
  }
  TraceF("update worker: %s (agent %d, image %d, download %d, address %s)\n",
         success ? "done" : "failed", flash_.agentReady.load(), flash_.imageReady.load(),
         downloadDone, addressRestored_ ? "written back" : "not written back");
  return Finish(status);
}

bool FlashJob::DownloadThenRestore(bool keepAddress, bool& cancelled) {
  cancelled = session_.cancel.Cancelled();
  bool downloadDone = false;
  if (!cancelled) downloadDone = Download(cancelled);
  if (!cancelled) {
    // "Updating the unit" only follows a download that succeeded.
    if (downloadDone) session_.Report(Progress::Stage(kTextUpdating));
    Pause();
    if (keepAddress) addressRestored_ = RestoreAddress();
  }
  return downloadDone;
}

Status FlashJob::RunFirmwareDownloadPage() {
  addressRestored_ = false;
  std::unique_ptr<Link> line = OpenStepLine(true);
  if (!line) {
    // The address step cannot reach the device: no download takes place.
    session_.Report(Progress::Stage(kTextPortFailed));
    flash_.ReleaseFlashing();
    return Finish(Status::Failure(StatusCode::PortUnusable, kTextPortFailed,
                                  "the port cannot be opened: " + lastPortError_.message,
                                  lastPortError_.textId));
  }
  Status stopped;
  if (!SaveAddress(std::move(line), stopped)) {
    flash_.ReleaseFlashing();
    session_.Report(Progress::Stage(stopped.textId));
    return Finish(stopped);
  }

  Pause();
  bool cancelled = false;
  const bool downloadDone = DownloadThenRestore(true, cancelled);
  flash_.ReleaseFlashing();
  const bool success = flash_.agentReady && flash_.imageReady && downloadDone;
  Status status;
  if (success) {
    status = WithAddressOutcome(Status::Success(kTextDone));
  } else if (cancelled) {
    status = Status::Failure(StatusCode::Cancelled, kTextCancelled, kCancelledDetail);
  } else {
    status = FailedFlash();
  }
  session_.Report(Progress::Stage(success ? kTextDone : status.textId));
  return Finish(status);
}

} // namespace divuzo
