#pragma once
// The port a device command talks on: the one given with --port, else the first known
// USB-to-serial bridge.
#include <string>

namespace divuzo::cli {

// Leaves a named `port` as it is, or finds a known bridge for an empty one. kExitDone, or the
// exit status with the reason in `error`.
int ChoosePort(std::string& port, std::string& error);

// ChoosePort with the reason on standard error.
int ChoosePort(std::string& port);

}  // namespace divuzo::cli
