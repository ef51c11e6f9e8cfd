#include "CaptureOutput.h"

#include <cstdio>
#include <string>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace divuzo::test {

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

CommandOutput RunCapture(const std::vector<std::string>& arguments) {
  std::string command;
  for (const auto& argument : arguments) {
    if (!command.empty()) command += ' ';
    command += ShellQuote(argument);
  }
  return RunShell(command);
}

CommandOutput RunCli(const std::string& arguments, const std::string& environment) {
  std::string command = environment;
  if (!command.empty()) command += ' ';
  // Nobody types at it: a question it asks is answered by the end of its input.
  return RunShell(command + DIVUZO_CLI_PATH + " " + arguments + " 2>&1 </dev/null");
}

CommandOutput RunCliWithin(int seconds, const std::string& arguments,
                           const std::string& environment) {
  std::string prefix = environment;
  if (!prefix.empty()) prefix += ' ';
  return RunCli(arguments, prefix + "timeout --kill-after=2 " + std::to_string(seconds));
}

CommandOutput RunShell(const std::string& command) {
  CommandOutput result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = pclose(pipe);
#ifdef _WIN32
  result.exitCode = status;  // the command interpreter's exit code itself
#else
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

} // namespace divuzo::test
