// Throughput of the image CRC-32: the table-driven form against the bit-by-bit form, and the
// time to check a full-size (800 KiB) image payload.
#include "update/Crc32.h"
#include "update/ImageFile.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

template <typename F>
double MegabytesPerSecond(F crc, const std::vector<std::uint8_t>& data, int rounds,
                          std::uint32_t& sink) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) sink ^= crc(data.data(), data.size());
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return double(data.size()) * rounds / took.count() / 1e6;
}

} // namespace

int main() {
  std::vector<std::uint8_t> payload(divuzo::kImageMaxPayload);
  std::uint32_t x = 1;
  for (auto& b : payload) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  std::uint32_t sink = 0;
  const double table = MegabytesPerSecond(divuzo::Crc32, payload, 50, sink);
  const double bitwise = MegabytesPerSecond(divuzo::Crc32Bitwise, payload, 3, sink);
  std::printf("crc32 table:   %8.1f MB/s (800 KiB payload in %.3f ms)\n", table,
              payload.size() / table / 1e3);
  std::printf("crc32 bitwise: %8.1f MB/s (800 KiB payload in %.3f ms)\n", bitwise,
              payload.size() / bitwise / 1e3);
  std::printf("speed-up: %.1fx   (check value %08x)\n", table / bitwise, sink);
  return 0;
}
