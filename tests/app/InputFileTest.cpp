// Opening named input files: only regular files are read, nothing waits on a FIFO, and limits
// hold even for a file that grows.
#include "platform/InputFile.h"

#include "FifoProbe.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>

namespace divuzo {
namespace {

TEST(InputFile, RegularFilesAreReadWholeWithinTheirLimit) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "ten", "0123456789");
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(ReadInputFile(dir / "ten", 10, bytes, &error)) << error;
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123456789");

  EXPECT_FALSE(ReadInputFile(dir / "ten", 9, bytes, &error));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(error, (dir / "ten").string() + " holds more than 9 bytes");

  // Reads block as usual once the file is open.
  InputFile file(dir / "ten");
  ASSERT_TRUE(file.ok()) << file.error();
  EXPECT_EQ(file.size(), 10u);
  EXPECT_EQ(::fcntl(file.fd(), F_GETFL) & O_NONBLOCK, 0);

  // A file whose size says nothing of what it holds (/proc) is still held to the limit.
  EXPECT_TRUE(ReadInputFile("/proc/self/status", 1 << 20, bytes, &error)) << error;
  EXPECT_GT(bytes.size(), 0u);
  InputFile status("/proc/self/status");
  EXPECT_FALSE(status.ReadAll(bytes, 16));
  EXPECT_EQ(status.status(), InputFile::Status::TooLarge);
}

TEST(InputFile, OtherKindsOfFileAreRefusedWithoutWaiting) {
  test::TempDir dir;
  ASSERT_TRUE(test::MakeFifo(dir / "fifo"));
  std::string fifoError;
  EXPECT_TRUE(test::ReturnsWithoutWriter(dir / "fifo", [&] {
    InputFile fifo(dir / "fifo");
    EXPECT_EQ(fifo.status(), InputFile::Status::NotRegular);
    fifoError = fifo.error();
  }));
  EXPECT_EQ(fifoError, (dir / "fifo").string() + " is a FIFO, not a regular file");

  std::filesystem::create_directory(dir / "folder");
  const struct {
    std::filesystem::path path;
    const char* kind;
  } others[] = {{"/dev/zero", "a character device"}, {dir / "folder", "a folder"}};
  for (const auto& other : others) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(ReadInputFile(other.path, 1 << 20, bytes, &error));
    EXPECT_NE(error.find(other.kind), std::string::npos) << error;
  }

  InputFile missing(dir / "missing");
  EXPECT_EQ(missing.status(), InputFile::Status::CannotOpen);
  EXPECT_NE(missing.error().find("No such file"), std::string::npos) << missing.error();
}

TEST(InputFile, LinksAreFollowedOnlyWhenAllowed) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "real", "x");
  std::filesystem::create_symlink(dir / "real", dir / "link");
  std::filesystem::create_symlink("/dev/zero", dir / "zero");
  EXPECT_TRUE(InputFile(dir / "link").ok());
  InputFile refused(dir / "link", false);
  EXPECT_EQ(refused.status(), InputFile::Status::NotRegular);
  EXPECT_EQ(refused.error(), (dir / "link").string() + " is a symbolic link");
  EXPECT_EQ(InputFile(dir / "zero").status(), InputFile::Status::NotRegular);
}

} // namespace
} // namespace divuzo
