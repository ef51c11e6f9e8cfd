// Image layout, spelling rules of product tokens, version numbers and the tag in file names.
#include "ImageFixtures.h"
#include "update/Crc32.h"
#include "update/ImageFile.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

TEST(ImageFileTest, ProductTokensFollowTheSpellingRules) {
  const std::pair<const char*, const char*> cases[] = {
      {"T410", "T-410"},          {"T-410", "T-410"},           {"TR410", "T-410"},
      {"T410BT", "T-410"},        {"T2000C", "T-2000C"},        {"T2200", "T-2000C"},
      {"T-2200", "T-2000C"},      {"TR450", "KRB-1"},           {"TR-450", "KRB-1"},
      {"RunMate450", "KRB-1"},    {"KTRTONIC", "ZID-Tonic1"},   {"ZID-TONIC", "ZID-Tonic1"},
      {"ZID-TONIC1", "ZID-Tonic1"}, {"ZID310", "ZID310"},       {"ZID-Tonic1", "ZID-Tonic1"},
      {"", ""},                   {"T41", "T41"},               {"TR45", "TR45"},
  };
  for (const auto& [token, expected] : cases)
    EXPECT_EQ(NormaliseProductToken(token), expected) << token;
}

TEST(ImageFileTest, VersionNumbers) {
  EXPECT_EQ(ImageVersionNumber("V1.23"), 123);
  EXPECT_EQ(ImageVersionNumber("V2.05"), 205);
  EXPECT_EQ(ImageVersionNumber("V0.00"), 0);
  EXPECT_EQ(ImageVersionNumber("V1.2"), 102);
  EXPECT_EQ(ImageVersionNumber(""), 0);
  EXPECT_EQ(ImageVersionNumber("Vx.yz"), 0);
  EXPECT_EQ(DeviceVersionNumber("123"), 123);
  EXPECT_EQ(DeviceVersionNumber("124b"), 124);
  EXPECT_EQ(DeviceVersionNumber("V0.00"), 0);
  EXPECT_EQ(DeviceVersionNumber(""), 0);
  EXPECT_EQ(DeviceVersionNumber("99999999999999999999"), 999999999);  // no overflow
}

TEST(ImageFileTest, TagInTheFileName) {
  EXPECT_TRUE(HasImageTag("/fw/ZID310_PLM_V124.bin") == false);  // tag not before the extension
  EXPECT_TRUE(HasImageTag("/fw/ZID310_V124_PLM.bin"));
  EXPECT_TRUE(HasImageTag("/fw/aLxx.bin") == false);
  EXPECT_TRUE(HasImageTag("/fw/xLxxx.bin") == false);
  EXPECT_TRUE(HasImageTag("/fw/Lx.bin"));   // only the L in place
  EXPECT_TRUE(HasImageTag("/fw/M.bin"));    // only the M in place
  EXPECT_TRUE(HasImageTag("/fw/Pxx.bin"));  // only the P in place
  EXPECT_FALSE(HasImageTag("/fw/firmware.bin"));
  EXPECT_FALSE(HasImageTag("M.bi"));
  EXPECT_FALSE(HasImageTag(""));
}

TEST(ImageFileTest, PackWritesTheHeaderLayout) {
  std::vector<std::uint8_t> out;
  std::string error;
  ImagePackRequest r = test::Tagged("ZID310", "V1.24", {'a', 'b', 'c'}, {"V1.00", "V1.10"});
  ASSERT_TRUE(PackImage(r, out, error)) << error;
  ASSERT_EQ(out.size(), 65u + 3u + 4u);
  std::string expectedHeader("ZID310\0\0\0\0V1.24V1.00V1.10", 25);
  expectedHeader.append(40, '\0');
  EXPECT_EQ(std::string(out.begin(), out.begin() + 65), expectedHeader);
  EXPECT_EQ(std::string(out.begin() + 65, out.begin() + 68), "abc");
  // 0x352441C2, little-endian.
  EXPECT_EQ(std::vector<std::uint8_t>(out.end() - 4, out.end()),
            (std::vector<std::uint8_t>{0xC2, 0x41, 0x24, 0x35}));

  ImageHeader h = ReadImageHeader(out.data());
  EXPECT_EQ(h.product, "ZID310");
  EXPECT_EQ(h.version, "V1.24");
  EXPECT_EQ(h.compat[0], "V1.00");
  EXPECT_EQ(h.compat[1], "V1.10");
  EXPECT_EQ(h.compat[9], "");

  ASSERT_TRUE(PackImage(test::Headerless({'a', 'b', 'c'}), out, error));
  EXPECT_EQ(out, (std::vector<std::uint8_t>{'a', 'b', 'c', 0xC2, 0x41, 0x24, 0x35}));
}

TEST(ImageFileTest, PackRefusesFieldsThatDoNotFit) {
  std::vector<std::uint8_t> out;
  std::string error;
  EXPECT_FALSE(PackImage(test::Tagged("ABCDEFGHIJK", "V1.00", {}), out, error));
  EXPECT_FALSE(PackImage(test::Tagged("", "V1.00", {}), out, error));
  EXPECT_FALSE(PackImage(test::Tagged("ZID310", "V1.000", {}), out, error));
  EXPECT_FALSE(PackImage(test::Tagged("ZID310", "V1.00", {}, {"V1.000"}), out, error));
  EXPECT_FALSE(PackImage(test::Tagged("ZID310", "V1.00", {}, std::vector<std::string>(11, "V1")),
                         out, error));
  EXPECT_TRUE(out.empty());
  // A ten-character token fills its field with no terminator.
  ASSERT_TRUE(PackImage(test::Tagged("ZID-TONIC1", "V1.00", {}), out, error));
  EXPECT_EQ(ReadImageHeader(out.data()).product, "ZID-TONIC1");
}

} // namespace
} // namespace divuzo
