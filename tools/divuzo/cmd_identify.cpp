// divuzo identify: the update page's Connect step on the command line.
#include "Command.h"

#include "StringTable.h"
#include "serial/DeviceIdentity.h"
#include "serial/DeviceSession.h"

#include <cstdio>
#include <string>

namespace {

struct IdentifyOptions {
  std::string port;
};

int RunIdentify(const IdentifyOptions& options) {
  std::string port = options.port;
  if (port.empty()) {
    try {
      if (!divuzo::FindKnownBridgePort(port) || port.empty()) {
        std::fprintf(stderr, "No known USB-to-serial bridge found; name the port with --port.\n");
        return 1;
      }
    } catch (const divuzo::PortDiscoveryError& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return 1;
    }
  }
  divuzo::DeviceSession session;
  const divuzo::IdentifyResult r = divuzo::IdentifyDevice(session, port, -1);
  std::printf("Port: %s\n", port.c_str());
  if (r.portError.kind != divuzo::PortError::Kind::None)
    std::fprintf(stderr, "%s\n", r.portError.message.c_str());
  if (r.modelKnown) std::printf("Model: %s\n", r.modelName.c_str());
  if (r.firmwareKnown) std::printf("Firmware: %s\n", r.firmwareText.c_str());
  if (r.hardwareKnown) std::printf("Hardware: %s\n", r.hardwareText.c_str());
  const std::string& status = divuzo::LoadText(r.status.textId);
  std::fprintf(r.ok ? stdout : stderr, "%s\n", status.c_str());
  return r.ok ? 0 : 1;
}

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  static IdentifyOptions options;
  auto* cmd = app.add_subcommand("identify", "Identify the device: model, firmware and hardware version");
  cmd->add_option("--port", options.port, "serial port path (default: the first known USB-to-serial bridge)");
  cmd->callback([] { divuzo::cli::SetExitCode(RunIdentify(options)); });
});

} // namespace
