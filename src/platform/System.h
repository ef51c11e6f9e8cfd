#pragma once
// What the core asks of the operating system beyond files: its own executable, file-name
// patterns as the system's directory search matches them, and the computer's time zone.
#include <filesystem>
#include <string>
#include <vector>

namespace divuzo {

// Full path of the running program's executable; empty when the system does not say.
std::filesystem::path ProgramFilePath();

// True when `name` matches `pattern` ("*" any run, "?" one character) the way the system's
// directory search does: exactly on Linux, without regard to case on Windows.
bool MatchesFilePattern(const std::string& pattern, const std::string& name);

// The program's arguments as UTF-8, the encoding every path and text of the core is in. On
// Windows they are taken from the wide command line (argv is in the ANSI code page, which cannot
// hold every file name); elsewhere they are argv as it is.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// While it lives, a console shows the program's UTF-8 output as text: on Windows the console's
// output code page is switched to UTF-8 and put back afterwards; elsewhere there is nothing to do.
class Utf8Console {
public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

private:
  [[maybe_unused]] unsigned previous_ = 0;  // the console code page to put back (Windows)
};

// The computer's standard-time bias in minutes: UTC = local standard time + bias (Tokyo -540,
// New York 300). Daylight saving time is left out.
int StandardTimeBiasMinutes();

} // namespace divuzo
