// divuzo ports [--json]: every serial port with its friendly name and path.
#include "Command.h"
#include "Json.h"

#include "serial/PortChoice.h"
#include "serial/SerialPortList.h"
#include "serial/VirtualPorts.h"

#include <cstdio>
#include <string>

namespace {

// One array of objects: "port" (what --port takes), "path" (the device file), "name" (the
// friendly name), "description", "usb" and "autoDetect" (true for the port that identify and
// update choose without --port).
void PrintJson(const divuzo::SerialPortList& list, const std::string& chosen) {
  std::string text = "[";
  for (const auto& port : list) {
    if (text.size() > 1) text += ",";
    text += divuzo::cli::JsonObject()
                .Add("port", port.portName)
                .Add("path", port.devicePath)
                .Add("name", port.friendlyName)
                .Add("description", port.description)
                .Add("usb", port.usb != 0)
                .Add("autoDetect", !chosen.empty() && port.portName == chosen)
                .Text();
  }
  std::printf("%s]\n", text.c_str());
}

int RunPorts(bool json) {
  using namespace divuzo;
  // Virtual ports are listed only from a folder of this user's own; say why when it is not.
  std::string problem;
  ListVirtualPorts(&problem);
  if (!problem.empty()) std::fprintf(stderr, "divuzo ports: warning: %s\n", problem.c_str());
  SerialPortList list;
  try {
    ListSerialPorts(list, false);
  } catch (const PortDiscoveryError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return cli::kExitFailed;
  }
  if (json) {
    std::string chosen;
    if (!FindKnownBridgePort(list, chosen)) chosen.clear();
    PrintJson(list, chosen);
    return cli::kExitDone;
  }
  if (list.empty()) {
    std::printf("No serial ports found.\n");
    return cli::kExitDone;
  }
  for (const auto& port : list) std::printf("%s\t%s\n", port.friendlyName.c_str(), port.devicePath.c_str());
  return cli::kExitDone;
}

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  static bool json = false;
  auto* cmd = app.add_subcommand("ports", "List serial ports (friendly name, then path)");
  cmd->add_flag("--json", json,
                "One JSON array for scripts; each port an object with the keys port, path, name, "
                "description, usb and autoDetect");
  cmd->callback([] { divuzo::cli::SetExitCode(RunPorts(json)); });
});

} // namespace
