// divuzo ports: every serial port with its friendly name and path.
#include "Command.h"

#include "serial/SerialPortList.h"
#include "serial/VirtualPorts.h"

#include <cstdio>

namespace {

int RunPorts() {
  // Virtual ports are listed only from a folder of this user's own; say why when it is not.
  std::string problem;
  divuzo::ListVirtualPorts(&problem);
  if (!problem.empty()) std::fprintf(stderr, "divuzo ports: warning: %s\n", problem.c_str());
  divuzo::SerialPortList list;
  try {
    divuzo::ListSerialPorts(list, false);
  } catch (const divuzo::PortDiscoveryError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  if (list.empty()) {
    std::printf("No serial ports found.\n");
    return 0;
  }
  for (const auto& port : list) std::printf("%s\t%s\n", port.friendlyName.c_str(), port.devicePath.c_str());
  return 0;
}

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  auto* cmd = app.add_subcommand("ports", "List serial ports (friendly name, then path)");
  cmd->callback([] { divuzo::cli::SetExitCode(RunPorts()); });
});

} // namespace
