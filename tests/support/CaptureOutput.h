#pragma once
// Runs a shell command and returns what it wrote to standard output (standard error is left
// alone). For the independent readers the tests call: exiftool, xmllint, gpsbabel; and for the
// divuzo command line as a user runs it.
#include <string>
#include <vector>

namespace divuzo::test {

struct CommandOutput {
  int exitCode = -1;
  std::string out;
};

// `arguments` are quoted for the shell; the first is the program.
CommandOutput RunCapture(const std::vector<std::string>& arguments);

// `command` as the shell reads it: the caller quotes what needs quoting.
CommandOutput RunShell(const std::string& command);

// The divuzo command line with `arguments` (shell text), standard output and error together,
// standard input empty.
// `environment` ("NAME=value ...") is put in front of the program.
CommandOutput RunCli(const std::string& arguments, const std::string& environment = "");

// RunCli, stopped after `seconds` (exit status 124 then): for runs that must not wait on what
// they are given.
CommandOutput RunCliWithin(int seconds, const std::string& arguments,
                           const std::string& environment = "");

// `text` as one shell word, in single quotes.
std::string ShellQuote(const std::string& text);

// The output split at line ends (a trailing line end gives no empty last line).
std::vector<std::string> Lines(const std::string& text);

} // namespace divuzo::test
