// divuzo: the command-line front end. Every job calls the same core as the window does.
#include "Command.h"

#include "platform/System.h"

#include <cstdio>
#include <exception>

namespace divuzo::cli {

std::vector<CommandSetup>& Commands() {
  static std::vector<CommandSetup> commands;
  return commands;
}

namespace {
int exitCode = 0;
}

void SetExitCode(int code) { exitCode = code; }
int ExitCode() { return exitCode; }

} // namespace divuzo::cli

namespace {

int Run(int argc, char** argv) {
  CLI::App app{"divuzo: firmware update, track files and photos for GPS units and loggers"};
  app.set_version_flag("--version", std::string("divuzo ") + DIVUZO_VERSION);
  app.require_subcommand(1);
  for (auto& setup : divuzo::cli::Commands()) setup(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return divuzo::cli::ExitCode();
}

} // namespace

int main(int argc, char** argv) {
  const divuzo::Utf8Console console;  // the Japanese texts readable in a Windows console
  // A failure nobody caught ends the run with its reason and a failure status, not an abort.
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "divuzo: %s\n", e.what());
    return 1;
  }
}
