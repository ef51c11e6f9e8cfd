// divuzo: the command-line front end. Every job calls the same core as the window does.
#include "Command.h"
#include "ProgressDisplay.h"

#include "Language.h"

#include "platform/System.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace divuzo::cli {

std::vector<CommandSetup>& Commands() {
  static std::vector<CommandSetup> commands;
  return commands;
}

namespace {
int exitCode = kExitDone;
}

void SetExitCode(int code) { exitCode = code; }
int ExitCode() { return exitCode; }

} // namespace divuzo::cli

namespace {

constexpr const char* kFooter =
    "Exit status:\n"
    "  0  done\n"
    "  1  failed\n"
    "  2  bad usage (unknown option, missing or malformed argument)\n"
    "  3  device not found or not answering\n"
    "\n"
    "Language:\n"
    "  Texts are Japanese for a Japanese or C/POSIX locale (LC_ALL, LC_MESSAGES, LANG, as\n"
    "  LANGUAGE may override), English for any other; --lang ja|en chooses.\n"
    "\n"
    "Environment:\n"
    "  DIVUZO_TRACE=1  write every byte on the serial line to standard error\n";

int Run(int argc, char** argv) {
  using namespace divuzo;
  SetLanguage(LanguageFromEnvironment());
  CLI::App app{"divuzo: firmware update, track files and photos for GPS units and loggers"};
  app.set_version_flag("--version", std::string("divuzo ") + DIVUZO_VERSION);
  app.footer(kFooter);
  app.require_subcommand(1);
  // Options of the tool itself (--lang) may also follow the sub-command's name.
  app.fallthrough();
  app.add_option_function<std::string>(
         "--lang",
         [](const std::string& name) {
           if (const auto language = ParseLanguage(name)) SetLanguage(*language);
         },
         "Texts in ja (Japanese) or en (English) instead of the locale's language")
      ->check(CLI::IsMember({"ja", "en"}))
      ->trigger_on_parse();
  app.add_option_function<std::string>(
         "--progress",
         [](const std::string& when) {
           cli::SetProgressMode(when == "always"  ? cli::ProgressMode::Always
                                : when == "never" ? cli::ProgressMode::Never
                                                  : cli::ProgressMode::Auto);
         },
         "Progress of long jobs on standard error: auto (once a job has run for a second), "
         "always or never")
      ->check(CLI::IsMember({"auto", "always", "never"}))
      ->trigger_on_parse();
  for (auto& setup : cli::Commands()) setup(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and version end with status 0; everything CLI11 refuses is a usage error.
    return app.exit(e) == 0 ? cli::kExitDone : cli::kExitUsage;
  }
  return cli::ExitCode();
}

} // namespace

int main(int argc, char** argv) {
  const divuzo::Utf8Console console;  // the Japanese texts readable in a Windows console
  // A failure nobody caught ends the run with its reason and a failure status, not an abort.
  try {
    std::vector<std::string> args = divuzo::Utf8Arguments(argc, argv);
    std::vector<char*> utf8Argv;
    for (auto& a : args) utf8Argv.push_back(a.data());
    utf8Argv.push_back(nullptr);
    return Run(static_cast<int>(args.size()), utf8Argv.data());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "divuzo: %s\n", e.what());
    return divuzo::cli::kExitFailed;
  }
}
