// divuzo waypoints send: the waypoint page's Download on the command line.
#include "Command.h"
#include "TransferCommand.h"

#include "platform/Utf8Path.h"
#include "serial/DeviceSession.h"
#include "trackdata/WaypointSend.h"

#include <memory>
#include <string>

namespace {

struct SendOptions {
  std::string port;
  std::string file;
};

int RunSend(const SendOptions& o) {
  using namespace divuzo;
  const Status status =
      cli::RunTransfer(TransferKind::Waypoint, o.port, "waypoints",
                       [&](DeviceSession& session, const std::vector<PortCandidate>& ports) {
                         return SendWaypointFile(session, PathFromUtf8(o.file), ports);
                       });
  cli::PrintTransferStatus(status);
  return cli::TransferExitStatus(status);
}

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  auto* group = app.add_subcommand("waypoints", "Waypoint and map files on a device");
  group->require_subcommand(1);
  auto options = std::make_shared<SendOptions>();
  auto* send =
      group->add_subcommand("send", "Send a waypoint or map file (.mpt) to the device as it is");
  send->add_option("FILE", options->file, "the file to send")->required();
  send->add_option(
      "--port", options->port,
      "serial port path (default: every port of the list in its order, a known bridge first)");
  send->callback([options] { divuzo::cli::SetExitCode(RunSend(*options)); });
});

}  // namespace
