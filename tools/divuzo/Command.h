#pragma once
// Sub-commands of the command-line tool register themselves here, one source file each:
//
//   static divuzo::cli::RegisterCommand reg([](CLI::App& app) {
//     auto* cmd = app.add_subcommand("ports", "List serial ports");
//     cmd->callback([] { divuzo::cli::SetExitCode(RunPorts()); });
//   });
#include <CLI/CLI.hpp>

#include "ExitCode.h"

#include <functional>
#include <vector>

namespace divuzo::cli {

using CommandSetup = std::function<void(CLI::App&)>;

std::vector<CommandSetup>& Commands();
void SetExitCode(int code);
int ExitCode();

struct RegisterCommand {
  explicit RegisterCommand(CommandSetup setup) { Commands().push_back(std::move(setup)); }
};

} // namespace divuzo::cli
