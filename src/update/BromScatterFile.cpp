#include "update/BromScatterFile.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace divuzo {

namespace {

bool ParseNumber(const std::string& text, std::uint32_t& value) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) return false;
  value = static_cast<std::uint32_t>(v);
  return true;
}

} // namespace

BromStatus ParseScatter(std::string_view text, std::vector<FlashRegion>& regions) {
  regions.clear();
  std::istringstream in{std::string(text)};
  std::string line;
  while (std::getline(in, line)) {
    if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream fields(line);
    std::string name, start, length, extra;
    if (!(fields >> name)) continue;  // blank or comment line
    FlashRegion region;
    region.name = name;
    if (!(fields >> start >> length) || (fields >> extra) || !ParseNumber(start, region.start) ||
        !ParseNumber(length, region.length) || region.length == 0 ||
        std::uint64_t(region.start) + region.length > 0x100000000ull) {
      regions.clear();
      return brom_load::kBadFormat;
    }
    regions.push_back(region);
  }
  if (regions.empty()) return brom_load::kBadFormat;
  std::vector<FlashRegion> sorted = regions;
  std::sort(sorted.begin(), sorted.end(),
            [](const FlashRegion& a, const FlashRegion& b) { return a.start < b.start; });
  for (std::size_t i = 1; i < sorted.size(); ++i) {
    if (std::uint64_t(sorted[i - 1].start) + sorted[i - 1].length > sorted[i].start) {
      regions.clear();
      return brom_load::kBadFormat;
    }
  }
  return brom_load::kOk;
}

std::string FormatScatter(const std::vector<FlashRegion>& regions) {
  std::string out = "# DIVUZOvuzov flash layout: NAME START LENGTH. Image 0 goes into the first region.\n";
  char line[128];
  for (const FlashRegion& r : regions) {
    std::snprintf(line, sizeof line, "%-8s 0x%08" PRIX32 " 0x%08" PRIX32 "\n", r.name.c_str(),
                  r.start, r.length);
    out += line;
  }
  return out;
}

} // namespace divuzo
