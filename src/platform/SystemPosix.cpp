#include "platform/System.h"

#include <ctime>
#include <fnmatch.h>
#include <system_error>

namespace divuzo {

std::filesystem::path ProgramFilePath() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe;
}

bool MatchesFilePattern(const std::string& pattern, const std::string& name) {
  return fnmatch(pattern.c_str(), name.c_str(), 0) == 0;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

int StandardTimeBiasMinutes() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return 0;
  if (local.tm_isdst > 0) {
    // Daylight saving is in effect now: take the offset of a date in the same year without it.
    for (int month : {0, 6}) {
      std::tm probe{};
      probe.tm_year = local.tm_year;
      probe.tm_mon = month;
      probe.tm_mday = 15;
      probe.tm_hour = 12;
      probe.tm_isdst = -1;
      const std::time_t t = std::mktime(&probe);
      std::tm check{};
      if (t != static_cast<std::time_t>(-1) && localtime_r(&t, &check) && check.tm_isdst == 0)
        return static_cast<int>(-check.tm_gmtoff / 60);
    }
  }
  return static_cast<int>(-local.tm_gmtoff / 60);
}

} // namespace divuzo
