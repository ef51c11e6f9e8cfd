// Flash downloads against the virtual device's boot ROM over a real pseudo-terminal.
#include "TempDir.h"
#include "VdevProcess.h"

#include "platform/TermiosPort.h"
#include "update/FlashDownload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace divuzo {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::VdevProcess;
using test::WriteFileBytes;
namespace dl = brom_download;

std::string RandomPayload(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// One flashing run the way the update worker drives it, with the texts and progress recorded.
struct FlashRun {
  explicit FlashRun(int kind, const std::string& port, const std::string& payload) {
    WriteFileBytes(dir / "Raded_FW_Temp.bin", payload);
    flash.searchFolders = {DIVUZO_BINARY_DIR "/bin"};  // the agents and scat.txt the build made
    flash.portPath = port;
    flash.connectTimeoutMs = 3000;
    flash.ackTimeoutMs = 400;
    flash.noBootRomPauseMs = 10;
    flash.observer.showStageText = [this](int id) { texts.push_back(id); };
    flash.observer.setUpdateProgress = [this](int v) { progress.push_back(v); };
    flash.PrepareFlashing(kind, (dir / "Raded_FW_Temp.bin").string());
  }
  bool Download() {
    const bool ok = flash.RunFlashDownload(flash.imageHandle);
    flash.ReleaseFlashing();
    return ok;
  }
  bool Saw(int textId) const { return std::find(texts.begin(), texts.end(), textId) != texts.end(); }

  TempDir dir;
  FlashDownload flash;
  std::vector<int> texts;
  std::vector<int> progress;
};

// Asks the device (after its restart) for its Bluetooth address; the raw reply text.
std::string AskBtAddress(const std::string& port) {
  TermiosPort line;
  if (!line.Open(port, 115200)) return "";
  const std::string query = "$PMTK492*3D\r\n";
  line.Write(query.data(), query.size());
  std::string reply;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (reply.find('*', reply.find("PMTK592")) == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    char buffer[256];
    line.WaitReadable(100);
    const long n = line.Read(buffer, sizeof buffer);
    if (n < 0) break;
    reply.append(buffer, static_cast<std::size_t>(n));
  }
  return reply;
}

TEST(BromDownload, WritesTheImageByteForByteAndReportsEveryStage) {
  TempDir out;
  const std::string dump = (out / "flash.bin").string();
  VdevProcess vdev({"--model", "ZID310", "--bt-address", "12:34:56:78:9A:BC", "--flash-dump", dump});
  ASSERT_TRUE(vdev.Started());
  const std::string payload = RandomPayload(200 * 1024 + 77, 1);
  FlashRun run(7, vdev.PortPath(), payload);
  ASSERT_TRUE(run.flash.agentReady);
  ASSERT_TRUE(run.flash.imageReady);

  ASSERT_TRUE(run.Download()) << BromStatusText(run.flash.downloadStatus, false);
  EXPECT_TRUE(run.flash.Succeeded());
  EXPECT_EQ(ReadFileBytes(dump), payload);
  EXPECT_EQ(run.flash.resultWord, payload.size());
  EXPECT_EQ(run.flash.resultBlock.chipId, 3318u);
  EXPECT_EQ(run.flash.resultBlock.agentVersion, 0x0100u);
  EXPECT_EQ(run.flash.resultBlock.imageBaud, 921600u);

  // Preparation, agent start and transfer, image start and transfer, in that order.
  std::vector<int> firsts;
  for (int id : run.texts)
    if (firsts.empty() || firsts.back() != id) firsts.push_back(id);
  EXPECT_EQ(firsts, (std::vector<int>{405, 406, 407, 408, 409}));
  EXPECT_EQ(run.progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(run.progress.end() - 10, run.progress.end()));

  // The device restarted into its firmware and forgot its Bluetooth address.
  EXPECT_NE(AskBtAddress(vdev.PortPath()).find("FFFFFFFFFFFF"), std::string::npos);
}

TEST(BromDownload, Mt3329DeviceTakesItsOwnAgentAndRefusesTheOther) {
  const std::string payload = RandomPayload(40 * 1024, 2);
  {
    TempDir out;
    VdevProcess vdev({"--model", "T2200", "--flash-dump", (out / "flash.bin").string()});
    ASSERT_TRUE(vdev.Started());
    FlashRun run(5, vdev.PortPath(), payload);
    EXPECT_TRUE(run.Download()) << BromStatusText(run.flash.downloadStatus, false);
    EXPECT_EQ(run.flash.resultBlock.chipId, 3329u);
    EXPECT_EQ(ReadFileBytes(out / "flash.bin"), payload);
  }
  {
    // Kind 4 (a forced update) assumes MT3318: the MT3329 boot ROM refuses that agent.
    TempDir out;
    VdevProcess vdev({"--model", "T2200", "--flash-dump", (out / "flash.bin").string()});
    ASSERT_TRUE(vdev.Started());
    FlashRun run(4, vdev.PortPath(), payload);
    ASSERT_TRUE(run.flash.agentReady);
    EXPECT_FALSE(run.Download());
    EXPECT_EQ(run.flash.downloadStatus, dl::kAgentRefused);
    EXPECT_FALSE(run.flash.Succeeded());
    EXPECT_FALSE(run.Saw(408));
    EXPECT_FALSE(std::filesystem::exists(out / "flash.bin"));
  }
}

TEST(BromDownload, DamagedBytesBothWaysAreRecoveredByRetries) {
  TempDir out;
  VdevProcess vdev({"--model", "ZID310", "--corrupt-bytes", "20000", "--corrupt-seed", "7",
                    "--flash-dump", (out / "flash.bin").string()});
  ASSERT_TRUE(vdev.Started());
  const std::string payload = RandomPayload(160 * 1024, 3);
  FlashRun run(7, vdev.PortPath(), payload);
  ASSERT_TRUE(run.Download()) << BromStatusText(run.flash.downloadStatus, false);
  EXPECT_GT(run.flash.resultBlock.retries, 0u);
  EXPECT_EQ(ReadFileBytes(out / "flash.bin"), payload);
}

TEST(BromDownload, RefusedPacketFailsAfterRetriesButAOneOffRefusalIsRetried) {
  const std::string payload = RandomPayload(64 * 1024, 4);
  {
    TempDir out;
    VdevProcess vdev({"--model", "ZID310", "--refuse-packet", "5", "--flash-dump",
                      (out / "flash.bin").string()});
    ASSERT_TRUE(vdev.Started());
    FlashRun run(7, vdev.PortPath(), payload);
    EXPECT_FALSE(run.Download());
    EXPECT_EQ(run.flash.downloadStatus, dl::kPacketRefused);
    EXPECT_EQ(run.flash.resultWord, 5u * 4096u);  // everything before the refused packet
    EXPECT_EQ(run.flash.resultBlock.retries, 9u); // eight retries after the first refusal
    EXPECT_FALSE(std::filesystem::exists(out / "flash.bin"));
  }
  {
    TempDir out;
    VdevProcess vdev({"--model", "ZID310", "--refuse-packet", "5", "--refuse-times", "2",
                      "--flash-dump", (out / "flash.bin").string()});
    ASSERT_TRUE(vdev.Started());
    FlashRun run(7, vdev.PortPath(), payload);
    EXPECT_TRUE(run.Download()) << BromStatusText(run.flash.downloadStatus, false);
    EXPECT_EQ(run.flash.resultBlock.retries, 2u);
    EXPECT_EQ(ReadFileBytes(out / "flash.bin"), payload);
  }
}

TEST(BromDownload, HangUpMidImageFailsPromptly) {
  VdevProcess vdev({"--model", "ZID310", "--hangup-at", "50"});
  ASSERT_TRUE(vdev.Started());
  const std::string payload = RandomPayload(128 * 1024, 5);
  FlashRun run(7, vdev.PortPath(), payload);
  EXPECT_FALSE(run.Download());
  EXPECT_EQ(run.flash.downloadStatus, dl::kLineLost);
  EXPECT_GE(run.flash.resultWord, 60u * 1024u);
  EXPECT_LT(run.flash.resultWord, payload.size());
  EXPECT_TRUE(run.Saw(409));
  EXPECT_NE(run.progress.back(), 100);
}

TEST(BromDownload, SilentBootRomAndBadFlashAreFailures) {
  const std::string payload = RandomPayload(32 * 1024, 6);
  {
    VdevProcess vdev({"--model", "ZID310", "--no-handshake"});
    ASSERT_TRUE(vdev.Started());
    FlashRun run(7, vdev.PortPath(), payload);
    run.flash.connectTimeoutMs = 500;
    EXPECT_FALSE(run.Download());
    EXPECT_EQ(run.flash.downloadStatus, dl::kNoBootRom);
    EXPECT_FALSE(run.Saw(406));
  }
  {
    // A flash cell that cannot take the written value: only the read-back notices.
    TempDir out;
    VdevProcess vdev({"--model", "ZID310", "--stuck-bit", "1000", "--flash-dump",
                      (out / "flash.bin").string()});
    ASSERT_TRUE(vdev.Started());
    std::string data = payload;
    data[1000] = '\x01';
    FlashRun run(7, vdev.PortPath(), data);
    EXPECT_FALSE(run.Download());
    EXPECT_EQ(run.flash.downloadStatus, dl::kVerifyFailed);
  }
  {
    FlashRun run(7, "/dev/nonexistent-port", payload);
    EXPECT_FALSE(run.Download());
    EXPECT_EQ(run.flash.downloadStatus, dl::kPortFailed);
  }
}

} // namespace
} // namespace divuzo
