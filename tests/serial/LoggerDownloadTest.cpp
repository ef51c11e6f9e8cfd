// The logger's memory download against the virtual logger in the same process.
#include "LoggerFixture.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

class LoggerDownload : public test::LoggerFixture {};

TEST_F(LoggerDownload, WholeMemoryIsByteExact) {
  Connect(Logger());
  ASSERT_TRUE(logger.usedEnd.has_value());
  const LogDownloadResult r = Download();
  ASSERT_TRUE(r.status.Ok()) << r.message;
  EXPECT_EQ(r.extent, 0x200000u);
  EXPECT_TRUE(Image() == DeviceMemory(0x200000));
  for (const auto& f : Folder()) std::printf("%s\n", f.c_str());
  for (const auto& f : announced) std::printf("%s\n", f.c_str());
  std::printf("%s %f\n", r.message.c_str(), r.seconds);
}

} // namespace
} // namespace divuzo
