// CRC-32 of image payloads: known check values, and the table form against the bitwise form.
#include "ImageFixtures.h"
#include "update/Crc32.h"

#include <gtest/gtest.h>

#include <cstring>

namespace divuzo {
namespace {

TEST(ImageCrcTest, KnownCheckValues) {
  EXPECT_EQ(Crc32("abc", 3), 0x352441C2u);
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32("", 0), 0u);
  EXPECT_EQ(Crc32Bitwise("abc", 3), 0x352441C2u);
  const char* fox = "The quick brown fox jumps over the lazy dog";
  EXPECT_EQ(Crc32(fox, std::strlen(fox)), 0x414FA339u);
}

TEST(ImageCrcTest, TableFormMatchesBitwiseForEveryLengthAndAlignment) {
  const auto data = test::MakePayload(4096 + 16, 7);
  for (std::size_t offset = 0; offset < 8; ++offset) {
    for (std::size_t len : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 64u, 65u, 1000u, 4096u}) {
      ASSERT_EQ(Crc32(data.data() + offset, len), Crc32Bitwise(data.data() + offset, len))
          << "offset " << offset << " length " << len;
    }
  }
}

TEST(ImageCrcTest, UpdateContinuesARunningValue) {
  const auto data = test::MakePayload(1001, 3);
  const std::uint32_t whole = Crc32(data.data(), data.size());
  for (std::size_t split : {0u, 1u, 8u, 500u, 1001u}) {
    const std::uint32_t first = Crc32Update(0, data.data(), split);
    EXPECT_EQ(Crc32Update(first, data.data() + split, data.size() - split), whole) << split;
  }
}

} // namespace
} // namespace divuzo
