// divuzo ports: every serial port with its friendly name and path.
#include "Command.h"

#include "serial/SerialPortList.h"

#include <cstdio>

namespace {

int RunPorts() {
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
