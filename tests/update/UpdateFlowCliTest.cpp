// `divuzo update` as a user runs it against the virtual device on a real pseudo-terminal: exit
// status 0 only when the image is in flash, no payload file left behind either way, and every
// byte on the line as the regression records in tests/transcripts/ have it.
#include "CaptureOutput.h"
#include "GoldenTranscript.h"
#include "ImageFixtures.h"
#include "TempDir.h"
#include "VdevProcess.h"

#include <gtest/gtest.h>

#include "StringTable.h"
#include "app/Status.h"

#include <algorithm>
#include <filesystem>

namespace divuzo {
namespace {

namespace fs = std::filesystem;

using test::CommandOutput;
using test::RunCli;

// The image of the recorded updates: 8 KiB, product `product`, version V1.24.
fs::path RecordedImage(const test::TempDir& dir, const std::string& product) {
  const fs::path image = dir / "ZID310_V124_PLM.bin";
  test::WriteImageFile(image, test::Tagged(product, "V1.24", test::MakePayload(8 * 1024, 3)));
  return image;
}

// Runs `divuzo update OPTIONS --port DEVICE IMAGE` against a device started with `device`
// (plus a flash dump) and compares output, exit status and wire with the record `name`.
void ExpectRecordedUpdate(const std::string& name, const std::string& device, const std::string& product,
                          const std::string& options) {
  test::TempDir dir;
  const fs::path image = RecordedImage(dir, product);
  std::vector<std::string> args;
  for (std::size_t at = 0; at < device.size();) {
    const std::size_t space = device.find(' ', at);
    args.push_back(device.substr(at, space == std::string::npos ? std::string::npos : space - at));
    at = space == std::string::npos ? device.size() : space + 1;
  }
  args.push_back("--flash-dump");
  args.push_back((dir / "flash.bin").string());
  test::VdevProcess vdev(args);
  ASSERT_TRUE(vdev.Started());
  const CommandOutput r = RunCli("update " + options + " --port " + vdev.PortPath() + " " + image.string(),
                                 "XDG_CONFIG_HOME=" + (dir / "config").string());
  vdev.Stop();
  std::vector<std::string> header{"divuzo update " + options + ", image " + product +
                                      " V1.24 (8 KiB), device " + device,
                                  "exit status " + std::to_string(r.exitCode)};
  for (const auto& line : test::Lines(r.out)) header.push_back("out: " + line);
  test::ExpectGoldenTranscript(name, header, vdev.WireLines());
  EXPECT_EQ(test::ReadFileBytes(dir / "flash.bin"), test::AsString(test::MakePayload(8 * 1024, 3)));
  EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
}

TEST(UpdateFlowCliTest, RecordedUpdateKeepsItsBluetoothAddress) {
  ExpectRecordedUpdate("update-zid310", "--model ZID310 --firmware 123 --bt-address 01:23:45:67:89:AB",
                       "ZID310", "");
}

TEST(UpdateFlowCliTest, RecordedForcedUpdate) {
  ExpectRecordedUpdate("update-forced", "--model ZID310 --silent --bt-address 01:23:45:67:89:AB",
                       "RunMate450", "--force");
}

TEST(UpdateFlowCliTest, CtrlCBeforeTheImageStopsTheUpdate) {
  test::TempDir dir;
  const fs::path image = RecordedImage(dir, "ZID310");
  test::VdevProcess vdev({"--model", "ZID310", "--bt-address", "01:23:45:67:89:AB", "--flash-dump",
                          (dir / "flash.bin").string()});
  ASSERT_TRUE(vdev.Started());
  // Ctrl+C once the image check is printed: the update is in its first pause, before the
  // boot ROM is touched.
  const std::string out = (dir / "out.txt").string();
  const CommandOutput r = test::RunShell(
      "XDG_CONFIG_HOME=" + test::ShellQuote((dir / "config").string()) + " " +
      test::ShellQuote(DIVUZO_CLI_PATH) + " update --port " + test::ShellQuote(vdev.PortPath()) + " " +
      test::ShellQuote(image.string()) + " >" + test::ShellQuote(out) + " 2>&1 & pid=$!; " +
      "for i in $(seq 200); do grep -q '^Image:' " + test::ShellQuote(out) +
      " && break; sleep 0.05; done; kill -INT $pid; wait $pid; echo $?");
  const std::string printed = test::ReadFileBytes(out);
  EXPECT_EQ(r.out, "1\n") << printed;
  EXPECT_NE(printed.find(LoadText(kTextCancelled)), std::string::npos) << printed;
  EXPECT_FALSE(fs::exists(dir / "flash.bin"));
  EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
  const auto log = vdev.LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "boot ROM: handshake done, line taken"), 0);
}

TEST(UpdateFlowCliTest, NothingIsWrittenWithoutAMatchingDevice) {
  test::TempDir dir;
  const fs::path image = RecordedImage(dir, "ZID310");
  const std::string env = "XDG_CONFIG_HOME=" + (dir / "config").string();
  {
    // An image for another product is not written.
    test::VdevProcess vdev({"--model", "KTRTONIC", "--flash-dump", (dir / "flash.bin").string()});
    ASSERT_TRUE(vdev.Started());
    const CommandOutput r = RunCli("update --port " + vdev.PortPath() + " " + image.string(), env);
    EXPECT_NE(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("適合しておりません"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
    EXPECT_FALSE(fs::exists(dir / "flash.bin"));
  }
  // No device on the port.
  const CommandOutput r = RunCli("update --port " + (dir / "nothing").string() + " " + image.string(), env);
  EXPECT_NE(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("does not exist"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
}

} // namespace
} // namespace divuzo
