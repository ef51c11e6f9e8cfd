// Throughput of the image CRC-32: the table-driven form against the bit-by-bit form, and the
// time to check a full-size (800 KiB) image payload, and the whole Select File check of a
// full-size image (read, CRC, payload file written and synced).
#include "update/Crc32.h"
#include "update/ImageFile.h"
#include "update/ImageValidation.h"

#include <filesystem>
#include <fstream>
#include <stdlib.h>

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

  std::string folder = (std::filesystem::temp_directory_path() / "bench-image-XXXXXX").string();
  if (!mkdtemp(folder.data())) return 1;
  std::vector<std::uint8_t> image;
  std::string error;
  divuzo::ImagePackRequest request;
  request.product = "ZID310";
  request.version = "V1.24";
  request.payload = payload;
  if (!divuzo::PackImage(request, image, error)) return 1;
  const std::string path = folder + "/ZID310_V124_PLM.bin";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                              static_cast<std::streamsize>(image.size()));
  const int rounds = 20;
  const auto start = std::chrono::steady_clock::now();
  int verdict = 0;
  for (int i = 0; i < rounds; ++i)
    verdict = divuzo::SelectImageFile({path, "ZID310", "123", false}).verdictTextId;
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::printf("select file, 800 KiB image: %.2f ms per check (verdict %d)\n", took.count() / rounds,
              verdict);
  std::filesystem::remove_all(folder);
  return 0;
}
