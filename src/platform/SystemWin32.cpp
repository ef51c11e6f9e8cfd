#include "platform/System.h"

#include "platform/Win32Util.h"

#include <vector>

#include <windows.h>  // before shlwapi.h

#include <shellapi.h>
#include <shlwapi.h>

namespace divuzo {

std::filesystem::path ProgramFilePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), n));
    buffer.resize(buffer.size() * 2);  // cut short: the path is longer than the buffer
  }
}

bool MatchesFilePattern(const std::string& pattern, const std::string& name) {
  return PathMatchSpecW(WideFromUtf8(name).c_str(), WideFromUtf8(pattern).c_str()) != FALSE;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide || count != argc) {
    if (wide) LocalFree(wide);
    return {argv, argv + argc};
  }
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return args;
}

Utf8Console::Utf8Console() : previous_(GetConsoleOutputCP()) {
  // 0: no console (output to a file or a pipe takes the bytes as they are).
  if (previous_ != 0) SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
  if (previous_ != 0) SetConsoleOutputCP(previous_);
}

int StandardTimeBiasMinutes() {
  TIME_ZONE_INFORMATION zone{};
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return 0;
  return static_cast<int>(zone.Bias + zone.StandardBias);
}

}  // namespace divuzo
