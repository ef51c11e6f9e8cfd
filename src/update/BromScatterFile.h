#pragma once
// The flash layout file scat.txt: one region per line, "NAME START LENGTH" (numbers decimal or
// 0x hexadecimal); '#' starts a comment. Image 0 is written into the first region.
#include "update/Brom.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace divuzo {

struct FlashRegion {
  std::string name;
  std::uint32_t start = 0;
  std::uint32_t length = 0;
};

// Load status: kOk, or kBadFormat for a malformed line, an empty layout, a region past 4 GiB
// or two overlapping regions.
BromStatus ParseScatter(std::string_view text, std::vector<FlashRegion>& regions);
std::string FormatScatter(const std::vector<FlashRegion>& regions);

} // namespace divuzo
