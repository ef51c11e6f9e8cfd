#pragma once
// What the core asks of the operating system beyond files: its own executable, file-name
// patterns as the system's directory search matches them, and the computer's time zone.
#include <filesystem>
#include <string>

namespace divuzo {

// Full path of the running program's executable; empty when the system does not say.
std::filesystem::path ProgramFilePath();

// True when `name` matches `pattern` ("*" any run, "?" one character) the way the system's
// directory search does: exactly on Linux, without regard to case on Windows.
bool MatchesFilePattern(const std::string& pattern, const std::string& name);

// The computer's standard-time bias in minutes: UTC = local standard time + bias (Tokyo -540,
// New York 300). Daylight saving time is left out.
int StandardTimeBiasMinutes();

} // namespace divuzo
