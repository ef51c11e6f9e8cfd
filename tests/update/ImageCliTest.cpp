// `divuzo image pack` and `divuzo check-image` as a user runs them; the image written by the
// command line is read back with the core's header reader and a CRC computed here.
#include "CaptureOutput.h"
#include "FifoProbe.h"
#include "ImageFixtures.h"
#include "update/ImageFile.h"

#include <gtest/gtest.h>

#include <string>

namespace divuzo {
namespace {

using test::RunCli;

// Reflected CRC-32, bit by bit, written out here as an independent check.
std::uint32_t ReferenceCrc(const std::string& bytes) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int i = 0; i < 8; ++i) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return ~c;
}

TEST(ImageCliTest, PackThenCheck) {
  test::TempDir dir;
  const auto payloadPath = dir / "payload.bin";
  const auto imagePath = dir / "ZID310_V124_PLM.bin";
  test::CommandOutput r = RunCli("image payload --size 10000 --seed 7 " + payloadPath.string());
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const std::string payload = test::ReadFileBytes(payloadPath);
  ASSERT_EQ(payload.size(), 10000u);
  EXPECT_EQ(RunCli("image payload --size 10000 --seed 7 " + (dir / "again.bin").string()).exitCode, 0);
  EXPECT_EQ(test::ReadFileBytes(dir / "again.bin"), payload);  // deterministic

  r = RunCli("image pack --product ZID310 --version V1.24 --compat V1.00 --compat V1.23 " +
          payloadPath.string() + " " + imagePath.string());
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const std::string image = test::ReadFileBytes(imagePath);
  ASSERT_EQ(image.size(), 65u + payload.size() + 4u);
  const ImageHeader h = ReadImageHeader(reinterpret_cast<const std::uint8_t*>(image.data()));
  EXPECT_EQ(h.product, "ZID310");
  EXPECT_EQ(h.version, "V1.24");
  EXPECT_EQ(h.compat[0], "V1.00");
  EXPECT_EQ(h.compat[1], "V1.23");
  EXPECT_EQ(image.substr(65, payload.size()), payload);
  const std::uint32_t crc = ReferenceCrc(payload);
  const std::string le{char(crc & 0xFF), char((crc >> 8) & 0xFF), char((crc >> 16) & 0xFF),
                       char(crc >> 24)};
  EXPECT_EQ(image.substr(image.size() - 4), le);

  r = RunCli("check-image " + imagePath.string() + " --model ZID310 --version 123");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("product: ZID310"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("version: V1.24"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("verdict: 437"), std::string::npos) << r.out;
  r = RunCli("check-image " + imagePath.string() + " --model ZID310 --version 124");
  EXPECT_NE(r.out.find("verdict: 438"), std::string::npos) << r.out;
  r = RunCli("check-image " + imagePath.string() + " --model T-410 --version 124");
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.out.find("verdict: 435"), std::string::npos) << r.out;
  // A check from the command line leaves no payload file behind.
  EXPECT_FALSE(std::filesystem::exists(dir / "Raded_FW_Temp.bin"));

  // Headerless: payload and CRC only.
  const auto plain = dir / "T410_BT_V1.23_PLM.bin";
  ASSERT_EQ(RunCli("image pack --headerless " + payloadPath.string() + " " + plain.string()).exitCode, 0);
  EXPECT_EQ(test::ReadFileBytes(plain), payload + le);
  r = RunCli("check-image " + plain.string() + " --model T-410 --version 123");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("form: headerless"), std::string::npos) << r.out;
}

TEST(ImageCliTest, RefusalsExitNonZero) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "payload.bin", "abc");
  EXPECT_NE(RunCli("image pack --product ABCDEFGHIJK --version V1.00 " + (dir / "payload.bin").string() +
                   " " + (dir / "X_PLM.bin").string()).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "X_PLM.bin"));
  test::WriteFileBytes(dir / "BAD_PLM.bin", "not an image at all");
  test::CommandOutput r = RunCli("check-image " + (dir / "BAD_PLM.bin").string());
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.out.find("refused: 415"), std::string::npos) << r.out;
  r = RunCli("check-image " + (dir / "payload.bin").string());
  EXPECT_NE(r.out.find("refused: 444"), std::string::npos) << r.out;
  // A folder as the payload is a read error with its reason, not an abort.
  std::filesystem::create_directory(dir / "folder");
  r = RunCli("image pack --product ZID310 --version V1.00 " + (dir / "folder").string() + " " +
             (dir / "Y_PLM.bin").string());
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find((dir / "folder").string() + " is a folder"), std::string::npos) << r.out;
  EXPECT_FALSE(std::filesystem::exists(dir / "Y_PLM.bin"));
}

// Nothing beyond the largest payload a unit accepts is made or read, and a payload that is no
// file (a FIFO, a device that never ends) is refused unread: clear texts, no abort, no wait.
TEST(ImageCliTest, PayloadsAreHeldToTheLargestImage) {
  test::TempDir dir;
  const std::string limitText = "larger than 819200 bytes (800 KiB), the largest payload";
  for (const char* size : {"819201", "-1", "99999999999999999999"}) {
    const auto r = RunCli(std::string("image payload --size ") + size + " " + (dir / "p").string());
    EXPECT_EQ(r.exitCode, 2) << size << r.out;
    EXPECT_TRUE(r.out.find(limitText) != std::string::npos ||
                r.out.find("--size -1 is negative") != std::string::npos)
        << size << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "p")) << size;
  }

  const auto largest = dir / "largest.bin";
  ASSERT_EQ(RunCli("image payload --size 819200 " + largest.string()).exitCode, 0);
  EXPECT_EQ(RunCli("image pack --product ZID310 --version V1.24 " + largest.string() + " " +
                   (dir / "MAX_PLM.bin").string()).exitCode, 0);
  test::WriteFileBytes(dir / "over.bin", test::ReadFileBytes(largest) + "x");
  auto r = RunCli("image pack --product ZID310 --version V1.24 " + (dir / "over.bin").string() +
                  " " + (dir / "OVER_PLM.bin").string());
  EXPECT_EQ(r.exitCode, 2) << r.out;
  EXPECT_NE(r.out.find((dir / "over.bin").string() + " is " + limitText), std::string::npos)
      << r.out;

  ASSERT_TRUE(test::MakeFifo(dir / "fifo"));
  const struct {
    std::string path;
    const char* kind;
  } unread[] = {{"/dev/zero", "a character device"}, {(dir / "fifo").string(), "a FIFO"}};
  for (const auto& payload : unread) {
    r = test::RunCliWithin(20, "image pack --product ZID310 --version V1.24 " + payload.path +
                                   " " + (dir / "NONE_PLM.bin").string());
    EXPECT_EQ(r.exitCode, 1) << payload.path << r.out;
    EXPECT_NE(r.out.find(payload.path + " is " + payload.kind + ", not a regular file"),
              std::string::npos) << r.out;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "OVER_PLM.bin"));
  EXPECT_FALSE(std::filesystem::exists(dir / "NONE_PLM.bin"));
}

} // namespace
} // namespace divuzo
