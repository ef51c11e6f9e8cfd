// divuzo update: identify the device, check the image and flash it, without a window.
#include "Command.h"
#include "PortArgument.h"
#include "DeviceStatus.h"
#include "FlashProgress.h"
#include "InterruptToCancel.h"
#include "TerminalQuestion.h"

#include "StringTable.h"
#include "serial/DeviceIdentity.h"
#include "serial/DeviceSession.h"
#include "serial/SerialPortList.h"
#include "update/FlashJob.h"
#include "update/ImageValidation.h"

#include <cstdio>
#include <string>

namespace {

struct UpdateOptions {
  std::string port;
  std::string file;
  bool force = false;
  std::string model;
  bool allowDowngrade = false;
  bool allowAddressLoss = false;
};

// Texts of the questions and refusals of this command.
constexpr int kTextWriteAnyway = 916;
constexpr int kTextDowngradeNeedsOption = 917;
constexpr int kTextAddressLossNeedsOption = 918;

const char* Text(int id) { return divuzo::LoadText(id).c_str(); }

// A line on standard error: the text, and the English detail in brackets when there is one.
void Explain(int textId, const std::string& detail = {}) {
  if (textId != 0) std::fprintf(stderr, "%s\n", Text(textId));
  if (!detail.empty()) std::fprintf(stderr, "(%s)\n", detail.c_str());
}

// Older or the same version (438, 439): only when the user says so, on the terminal or with
// --allow-downgrade.
bool DowngradeAllowed(const UpdateOptions& o) {
  if (o.allowDowngrade) return true;
  switch (divuzo::cli::AskOnTerminal(Text(kTextWriteAnyway))) {
    case divuzo::cli::Answer::Yes: return true;
    case divuzo::cli::Answer::No: return false;
    case divuzo::cli::Answer::NoTerminal: Explain(kTextDowngradeNeedsOption); return false;
  }
  return false;
}

// The Bluetooth address cannot be kept: the reason, then go on only when the user says so.
bool AddressLossAllowed(const UpdateOptions& o, const divuzo::AddressSave& save,
                        divuzo::AddressRisk risk) {
  using namespace divuzo;
  Explain(risk == AddressRisk::NoAddress ? kTextAddressUnknown : kTextAddressNotStored,
          save.storeProblem);
  if (o.allowAddressLoss) return true;
  switch (cli::AskOnTerminal(Text(kTextAddressQuestion))) {
    case cli::Answer::Yes: return true;
    case cli::Answer::No: return false;
    case cli::Answer::NoTerminal: Explain(kTextAddressLossNeedsOption); return false;
  }
  return false;
}

int RunUpdate(const UpdateOptions& o) {
  using namespace divuzo;
  std::optional<IdentifiedDevice> forced;
  if (!o.model.empty()) {
    forced = ForcedIdentityFor(NormaliseProductToken(o.model));
    if (!o.force || !forced) {
      std::fprintf(stderr, "divuzo update: %s\n",
                   !o.force ? "--model goes with --force"
                            : ("no unit this program can flash is called " + o.model).c_str());
      return cli::kExitUsage;
    }
  } else if (o.force) {
    forced = ForcedIdentity();
  }
  std::string port = o.port;
  if (const int status = cli::ChoosePort(port); status != cli::kExitDone) return status;
  DeviceSession session;
  session.SetLinkSettings(port, static_cast<int>(kDefaultBaud), 0);
  // Ctrl+C, a kill or a closed terminal stop where stopping is safe; during the image they
  // are refused with the reason.
  cli::InterruptToCancel interrupt(session);

  // Step 1: the device, or the assumption for one that no longer identifies itself.
  if (forced) {
    session.device = *forced;
  } else {
    const IdentifyResult id = IdentifyDevice(session, port, -1);
    if (!id.ok) {
      // The real cause: a port that cannot be opened or a line that went away is no time-out.
      if (id.portError.kind != PortError::Kind::None)
        Explain(id.portError.textId, id.portError.message);
      else if (id.status.code == StatusCode::LineLost)
        Explain(kTextPortGone, id.status.detail);
      else if (id.status.code == StatusCode::Cancelled)
        Explain(kTextCancelled);
      else
        Explain(id.status.textId);
      return id.status.code == StatusCode::Cancelled ? cli::kExitFailed
                                                     : cli::UnidentifiedStatus(id.portError);
    }
    std::printf("Device: %s, firmware %s, hardware %s\n", id.modelName.c_str(),
                id.firmwareText.c_str(), id.hardwareText.c_str());
  }

  // Step 2: the image.
  ImageCheckRequest request;
  request.imagePath = o.file;
  request.deviceModelName = session.device.modelName;
  request.deviceVersionDigits = session.device.firmwareDigits;
  request.forceUpdate = forced.has_value();
  const ImageCheckResult check = SelectImageFile(request);
  if (check.messageTextId != 0) {
    Explain(check.messageTextId);
    Explain(check.reasonTextId, check.detail);
    return cli::kExitFailed;
  }
  std::printf("Image: %s %s\n%s\n", check.product.c_str(), check.version.c_str(),
              Text(check.verdictTextId));
  std::fflush(stdout);
  const bool older = check.verdictTextId == 438 || check.verdictTextId == 439;
  if (check.execute != ExecuteChange::Enable || (older && !DowngradeAllowed(o)) ||
      session.cancel.Cancelled()) {
    if (session.cancel.Cancelled()) Explain(kTextCancelled);
    DeleteTempImage(check.tempImagePath);
    return cli::kExitFailed;
  }

  // Step 3: flash it.
  cli::FlashProgress progress;
  session.progress = &progress;
  FlashJob job(session, FlashJob::Flavor::UpdatePage);
  job.confirmAddressRisk = [&o](const AddressSave& save, AddressRisk risk) {
    return AddressLossAllowed(o, save, risk);
  };
  job.Prepare(check.tempImagePath);
  const Status status = job.Run();
  progress.Finish();
  session.progress = nullptr;
  if (!status.Ok()) {
    // 447 and 901 were shown as the stage; the reason goes with them.
    if (status.textId != kTextFailed && status.textId != kTextCancelled) Explain(status.textId);
    Explain(status.reasonTextId, status.code == StatusCode::Cancelled ? "" : status.detail);
  }
  return status.Ok() ? cli::kExitDone : cli::kExitFailed;
}

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  auto options = std::make_shared<UpdateOptions>();
  auto* cmd =
      app.add_subcommand("update", "Identify the device, check the image and write it into flash");
  cmd->add_option("--port", options->port,
                  "serial port path (default: the first known USB-to-serial bridge)");
  cmd->add_flag("--force", options->force,
                "the device does not identify itself (stuck in its boot ROM): assume device kind 4 "
                "(model KRB-1, V0.00), or the model given with --model");
  cmd->add_option("--model", options->model,
                  "with --force: the unit's model, as its image names it (ZID310, KTRTONIC, TR550, "
                  "T2200, TR410, KRB-1, ...)");
  cmd->add_flag("--allow-downgrade", options->allowDowngrade,
                "write an image of the same or an older version without asking");
  cmd->add_flag("--allow-address-loss", options->allowAddressLoss,
                "go on when the unit's Bluetooth address cannot be kept, without asking");
  cmd->add_option("FILE", options->file, "image file (name ending in _PLM.bin)")->required();
  cmd->footer(
      "Without a terminal to ask on, an image that is not newer than the unit's firmware and\n"
      "an update that would lose the unit's Bluetooth address are refused unless allowed above.\n"
      "Ctrl+C, SIGTERM and SIGHUP stop the update before the image is written; while it is\n"
      "written they are refused, and the reason is shown.");
  cmd->callback([options] { divuzo::cli::SetExitCode(RunUpdate(*options)); });
});

} // namespace
