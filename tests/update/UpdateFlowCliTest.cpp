// `divuzo update` as a user runs it against the virtual device: exit status 0 only when the
// image is in flash, and no payload file left behind either way.
#include "CaptureOutput.h"
#include "ImageFixtures.h"
#include "TempDir.h"
#include "VdevProcess.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace divuzo {
namespace {

namespace fs = std::filesystem;

using test::CommandOutput;
using test::RunCli;

TEST(UpdateFlowCliTest, UpdateSucceedsOnlyWhenTheImageIsInFlash) {
  test::TempDir dir;
  const auto payload = test::MakePayload(24 * 1024, 11);
  const fs::path image = dir / "ZID310_V124_PLM.bin";
  test::WriteImageFile(image, test::Tagged("ZID310", "V1.24", payload));
  const std::string env = "XDG_CONFIG_HOME=" + (dir / "config").string();

  {
    test::VdevProcess vdev({"--model", "ZID310", "--bt-address", "01:23:45:67:89:AB",
                            "--flash-dump", (dir / "flash.bin").string()});
    ASSERT_TRUE(vdev.Started());
    const CommandOutput r = RunCli("update --port " + vdev.PortPath() + " " + image.string(), env);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("更新が完了しました。"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("100%"), std::string::npos) << r.out;
    EXPECT_EQ(test::ReadFileBytes(dir / "flash.bin"), test::AsString(payload));
    EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
  }
  {
    // An image for another product is not written.
    test::VdevProcess vdev({"--model", "KTRTONIC"});
    ASSERT_TRUE(vdev.Started());
    const CommandOutput r = RunCli("update --port " + vdev.PortPath() + " " + image.string(), env);
    EXPECT_NE(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("適合しておりません"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
  }
  // No device on the port.
  const CommandOutput r = RunCli("update --port " + (dir / "nothing").string() + " " + image.string(), env);
  EXPECT_NE(r.exitCode, 0) << r.out;
  EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
}

} // namespace
} // namespace divuzo
