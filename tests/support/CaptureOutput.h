#pragma once
// Runs a shell command and returns what it wrote to standard output (standard error is left
// alone). For the independent readers the tests call: exiftool, xmllint, gpsbabel.
#include <string>
#include <vector>

namespace divuzo::test {

struct CommandOutput {
  int exitCode = -1;
  std::string out;
};

// `arguments` are quoted for the shell; the first is the program.
CommandOutput RunCapture(const std::vector<std::string>& arguments);

// The output split at line ends (a trailing line end gives no empty last line).
std::vector<std::string> Lines(const std::string& text);

} // namespace divuzo::test
