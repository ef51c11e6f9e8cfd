#pragma once
// Firmware image files for the tests: deterministic payloads and packed images on disk.
#include "TempDir.h"
#include "update/ImageFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace divuzo::test {

// `size` pseudo-random bytes, the same for the same seed.
inline std::vector<std::uint8_t> MakePayload(std::size_t size, std::uint32_t seed = 1) {
  std::vector<std::uint8_t> out(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return out;
}

inline std::string AsString(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

inline ImagePackRequest Tagged(const std::string& product, const std::string& version,
                               std::vector<std::uint8_t> payload,
                               std::vector<std::string> compat = {"V1.00"}) {
  ImagePackRequest r;
  r.form = ImageForm::Tagged;
  r.product = product;
  r.version = version;
  r.compat = std::move(compat);
  r.payload = std::move(payload);
  return r;
}

inline ImagePackRequest Headerless(std::vector<std::uint8_t> payload) {
  ImagePackRequest r;
  r.form = ImageForm::Headerless;
  r.payload = std::move(payload);
  return r;
}

// Packs an image and writes it to `file`; the calling test fails when packing is refused.
inline void WriteImageFile(const std::filesystem::path& file, const ImagePackRequest& request) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(PackImage(request, bytes, error)) << error;
  WriteFileBytes(file, AsString(bytes));
}

} // namespace divuzo::test
