#include "PortArgument.h"

#include "ExitCode.h"
#include "serial/PortChoice.h"

#include <cstdio>

namespace divuzo::cli {

int ChoosePort(std::string& port, std::string& error) {
  if (!port.empty()) return kExitDone;
  try {
    if (FindKnownBridgePort(port) && !port.empty()) return kExitDone;
    error = "No known USB-to-serial bridge found; name the port with --port.";
    return kExitNoDevice;
  } catch (const PortDiscoveryError& e) {
    error = e.what();
    return kExitFailed;
  }
}

int ChoosePort(std::string& port) {
  std::string error;
  const int status = ChoosePort(port, error);
  if (status != kExitDone) std::fprintf(stderr, "%s\n", error.c_str());
  return status;
}

}  // namespace divuzo::cli
