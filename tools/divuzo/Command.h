#pragma once
// Sub-commands of the command-line tool register themselves here, one source file each:
//
//   static divuzo::cli::RegisterCommand reg([](CLI::App& app) {
//     auto* cmd = app.add_subcommand("ports", "List serial ports");
//     cmd->callback([] { divuzo::cli::SetExitCode(RunPorts()); });
//   });
#include <CLI/CLI.hpp>

#include <functional>
#include <vector>

namespace divuzo::cli {

// Exit statuses of every command, as `divuzo --help` and the manual page list them.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;     // the command line could not be parsed
inline constexpr int kExitNoDevice = 3;  // no device found, or the device does not answer

using CommandSetup = std::function<void(CLI::App&)>;

std::vector<CommandSetup>& Commands();
void SetExitCode(int code);
int ExitCode();

struct RegisterCommand {
  explicit RegisterCommand(CommandSetup setup) { Commands().push_back(std::move(setup)); }
};

} // namespace divuzo::cli
