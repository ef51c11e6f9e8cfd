// divuzo identify: the update page's Connect step on the command line.
#include "Command.h"
#include "PortArgument.h"
#include "DeviceStatus.h"
#include "Json.h"

#include "StringTable.h"
#include "serial/DeviceIdentity.h"
#include "serial/DeviceSession.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

struct IdentifyOptions {
  std::string port;
  bool json = false;
};

int ExitStatus(const divuzo::IdentifyResult& r) {
  return r.ok ? divuzo::cli::kExitDone : divuzo::cli::UnidentifiedStatus(r.portError);
}

std::optional<std::string_view> If(bool known, const std::string& text) {
  return known ? std::optional<std::string_view>(text) : std::nullopt;
}

// One object with the keys port, ok, model, firmware, firmwareDigits, hardware, deviceKind,
// status, statusId and error; what is not known is null. No result: no port was tried.
void PrintJson(const std::string* port, const divuzo::IdentifyResult* result,
               const std::string& error) {
  static const divuzo::IdentifyResult nothingKnown;
  const divuzo::IdentifyResult& r = result ? *result : nothingKnown;
  divuzo::cli::JsonObject o;
  o.AddOrNull("port", port ? std::optional<std::string_view>(*port) : std::nullopt);
  o.Add("ok", r.ok);
  o.AddOrNull("model", If(r.modelKnown, r.modelName));
  o.AddOrNull("firmware", If(r.firmwareKnown, r.firmwareText));
  o.AddOrNull("firmwareDigits", If(r.firmwareKnown, r.firmwareDigits));
  o.AddOrNull("hardware", If(r.hardwareKnown, r.hardwareText));
  o.Add("deviceKind", divuzo::KindNumber(r.deviceKind));
  if (result) {
    o.Add("status", divuzo::LoadText(r.status.textId));
    o.Add("statusId", r.status.textId);
  } else {
    o.AddNull("status").AddNull("statusId");
  }
  o.AddOrNull("error", If(!error.empty(), error));
  std::printf("%s\n", o.Text().c_str());
}

int RunIdentify(const IdentifyOptions& options) {
  using namespace divuzo;
  std::string port = options.port;
  if (std::string error; const int status = cli::ChoosePort(port, error)) {
    if (options.json)
      PrintJson(nullptr, nullptr, error);
    else
      std::fprintf(stderr, "%s\n", error.c_str());
    return status;
  }
  DeviceSession session;
  const IdentifyResult r = IdentifyDevice(session, port, -1);
  if (options.json) {
    PrintJson(&port, &r, r.portError.kind != PortError::Kind::None ? r.portError.message : "");
    return ExitStatus(r);
  }
  std::printf("Port: %s\n", port.c_str());
  if (r.portError.kind != PortError::Kind::None)
    std::fprintf(stderr, "%s\n", r.portError.message.c_str());
  if (r.modelKnown) std::printf("Model: %s\n", r.modelName.c_str());
  if (r.firmwareKnown) std::printf("Firmware: %s\n", r.firmwareText.c_str());
  if (r.hardwareKnown) std::printf("Hardware: %s\n", r.hardwareText.c_str());
  const std::string& status = LoadText(r.status.textId);
  std::fprintf(r.ok ? stdout : stderr, "%s\n", status.c_str());
  return ExitStatus(r);
}

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  static IdentifyOptions options;
  auto* cmd = app.add_subcommand("identify", "Identify the device: model, firmware and hardware version");
  cmd->add_option("--port", options.port, "serial port path (default: the first known USB-to-serial bridge)");
  cmd->add_flag("--json", options.json,
                "One JSON object for scripts with the keys port, ok, model, firmware, "
                "firmwareDigits, hardware, deviceKind, status, statusId and error (null when "
                "not known)");
  cmd->callback([] { divuzo::cli::SetExitCode(RunIdentify(options)); });
});

} // namespace
