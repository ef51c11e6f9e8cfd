// divuzo update: identify the device, check the image and flash it, without a window.
#include "Command.h"
#include "DeviceStatus.h"
#include "InterruptToCancel.h"

#include "StringTable.h"
#include "serial/DeviceIdentity.h"
#include "serial/DeviceSession.h"
#include "serial/SerialPortList.h"
#include "update/FlashJob.h"
#include "update/ImageValidation.h"
#include "update/UpdateProgress.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

struct UpdateOptions {
  std::string port;
  std::string file;
  bool force = false;
};

// Stage texts as lines, progress as one line rewritten in place on a terminal.
class ConsoleProgress : public divuzo::ProgressSink {
public:
  void Report(const divuzo::Progress& p) override {
    if (p.value >= 0) SetUpdateProgress(p.value);
    if (p.stageTextId != 0) ShowStageText(p.stageTextId);
    if (p.warningTextId != 0) ShowWarningText(p.warningTextId);
  }
  void Finish() { EndProgressLine(); }

private:
  void ShowStageText(int textId) {
    // The flashing repeats its stage text with every progress step; show each change once.
    if (divuzo::LoadText(textId) == lastStage_) return;
    lastStage_ = divuzo::LoadText(textId);
    EndProgressLine();
    std::printf("%s\n", divuzo::LoadText(textId).c_str());
    std::fflush(stdout);
  }
  void ShowWarningText(int textId) {
    EndProgressLine();
    std::printf("%s\n", divuzo::LoadText(textId).c_str());
  }
  void SetUpdateProgress(int value) {
    const auto text = divuzo::UpdatePercentText(value);
    if (!text || *text == last_) return;
    last_ = *text;
    if (tty_) {
      std::printf("\r%s ", text->c_str());
      open_ = true;
    } else if (value % 10 == 0 || value == divuzo::kProgressDone) {
      std::printf("%s\n", text->c_str());
    }
    std::fflush(stdout);
  }
  void EndProgressLine() {
    if (open_) std::printf("\n");
    open_ = false;
  }
  bool tty_ = isatty(STDOUT_FILENO) != 0;
  bool open_ = false;
  std::string last_;
  std::string lastStage_;
};

int RunUpdate(const UpdateOptions& o) {
  using namespace divuzo;
  std::string port = o.port;
  if (port.empty()) {
    try {
      if (!FindKnownBridgePort(port) || port.empty()) {
        std::fprintf(stderr, "No known USB-to-serial bridge found; name the port with --port.\n");
        return cli::kExitNoDevice;
      }
    } catch (const PortDiscoveryError& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return cli::kExitFailed;
    }
  }
  DeviceSession session;
  session.SetLinkSettings(port, static_cast<int>(kDefaultBaud), 0);
  // Ctrl+C stops where stopping is safe; during the image it is refused with the reason.
  cli::InterruptToCancel interrupt(session);

  // Step 1: the device, or the forced assumption for one that does not answer.
  if (o.force) {
    session.Force();
  } else {
    const IdentifyResult id = IdentifyDevice(session, port, -1);
    if (!id.ok) {
      if (id.portError.kind != PortError::Kind::None)
        std::fprintf(stderr, "%s\n", id.portError.message.c_str());
      std::fprintf(stderr, "%s\n", LoadText(id.status.textId).c_str());
      return cli::UnidentifiedStatus(id.portError);
    }
    std::printf("Device: %s, firmware %s, hardware %s\n", id.modelName.c_str(),
                id.firmwareText.c_str(), id.hardwareText.c_str());
  }

  // Step 2: the image.
  ImageCheckRequest request;
  request.imagePath = o.file;
  request.deviceModelName = session.device.modelName;
  request.deviceVersionDigits = session.device.firmwareDigits;
  request.forceUpdate = o.force;
  const ImageCheckResult check = SelectImageFile(request);
  if (check.messageTextId != 0) {
    std::fprintf(stderr, "%s\n", LoadText(check.messageTextId).c_str());
    if (!check.detail.empty()) std::fprintf(stderr, "(%s)\n", check.detail.c_str());
    return 1;
  }
  std::printf("Image: %s %s\n%s\n", check.product.c_str(), check.version.c_str(),
              LoadText(check.verdictTextId).c_str());
  if (check.execute != ExecuteChange::Enable) {
    DeleteTempImage(check.tempImagePath);
    return 1;
  }

  // Step 3: flash it.
  ConsoleProgress progress;
  session.progress = &progress;
  FlashJob job(session, FlashJob::Flavor::UpdatePage);
  job.Prepare(check.tempImagePath);
  const Status status = job.Run();
  progress.Finish();
  if (!status.Ok() && !status.detail.empty()) std::fprintf(stderr, "(%s)\n", status.detail.c_str());
  return status.Ok() ? 0 : 1;
}

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  auto options = std::make_shared<UpdateOptions>();
  auto* cmd = app.add_subcommand("update", "Identify the device, check the image and write it into flash");
  cmd->add_option("--port", options->port, "serial port path (default: the first known USB-to-serial bridge)");
  cmd->add_flag("--force", options->force,
                "the device does not identify itself: assume device kind 4 (model KRB-1, V0.00)");
  cmd->add_option("FILE", options->file, "image file (name ending in _PLM.bin)")->required();
  cmd->callback([options] { divuzo::cli::SetExitCode(RunUpdate(*options)); });
});

} // namespace
