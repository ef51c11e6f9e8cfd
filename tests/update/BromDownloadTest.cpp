// Flash downloads against the virtual device's boot ROM, in the same process on a test clock:
// the library's waits and retries keep their lengths without costing time.
#include "TempDir.h"

#include "engine/InProcessDevice.h"
#include "engine/VirtualClock.h"
#include "platform/LinkWait.h"
#include "update/FlashDownload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

namespace divuzo {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;
namespace dl = brom_download;

std::string RandomPayload(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// One flashing run the way the update worker drives it, over a line to `device`, with the
// texts and progress recorded.
struct FlashRun {
  FlashRun(DeviceKind kind, vdev::InProcessDevice* device, const std::string& payload)
      : device(device) {
    WriteFileBytes(dir / "Raded_FW_Temp.bin", payload);
    flash.searchFolders = {DIVUZO_BINARY_DIR "/bin"};  // the agents and scat.txt the build made
    flash.noBootRomPauseMs = 10;
    flash.progress = &recorder;
    flash.PrepareFlashing(kind, (dir / "Raded_FW_Temp.bin").string());
  }
  bool Download() {
    PortError error;
    std::unique_ptr<Link> line = device ? device->Open(device->Path(), 115200, error) : nullptr;
    flash.link = line.get();
    const bool ok = flash.RunFlashDownload(flash.imageHandle);
    flash.ReleaseFlashing();
    return ok;
  }
  bool Saw(int textId) const { return std::find(texts.begin(), texts.end(), textId) != texts.end(); }

  vdev::InProcessDevice* device;
  TempDir dir;
  FlashDownload flash;
  std::vector<int> texts;
  std::vector<int> progress;
  ProgressFunction recorder{[this](const Progress& p) {
    if (p.value >= 0) progress.push_back(p.value);
    if (p.stageTextId) texts.push_back(p.stageTextId);
  }};
};

// A device on the test clock with these options.
struct Device {
  explicit Device(vdev::DeviceOptions options) : device(options, clock) {}
  vdev::VirtualClock clock;
  vdev::InProcessDevice device;
};

vdev::DeviceOptions Model(const char* model, const std::string& dump = "") {
  vdev::DeviceOptions o;
  o.model = model;
  o.bootRom.flashDump = dump;
  return o;
}

// Asks the device (after its restart) for its Bluetooth address; the raw reply text.
std::string AskBtAddress(vdev::InProcessDevice& device) {
  PortError error;
  auto line = device.Open(device.Path(), 115200, error);
  if (!line) return "";
  const std::string query = "$PMTK492*3D\r\n";
  line->Write(query.data(), query.size());
  ReceiveBuffer reply;
  WaitFor(*line, reply, DeadlineIn(*line, 3000), [](ReceiveBuffer& r, bool) {
    const auto head = r.View().find("PMTK592");
    return head != std::string_view::npos && r.View().find('*', head) != std::string_view::npos;
  });
  return std::string(reply.View());
}

TEST(BromDownload, WritesTheImageByteForByteAndReportsEveryStage) {
  TempDir out;
  const std::string dump = (out / "flash.bin").string();
  vdev::DeviceOptions o = Model("ZID310", dump);
  o.btAddress = {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}};
  Device vdev(o);
  const std::string payload = RandomPayload(200 * 1024 + 77, 1);
  FlashRun run(DeviceKind::ZID310, &vdev.device, payload);
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
  EXPECT_NE(AskBtAddress(vdev.device).find("FFFFFFFFFFFF"), std::string::npos);
}

TEST(BromDownload, Mt3329DeviceTakesItsOwnAgentAndRefusesTheOther) {
  const std::string payload = RandomPayload(40 * 1024, 2);
  {
    TempDir out;
    Device vdev(Model("T2200", (out / "flash.bin").string()));
    FlashRun run(DeviceKind::T2200, &vdev.device, payload);
    EXPECT_TRUE(run.Download()) << BromStatusText(run.flash.downloadStatus, false);
    EXPECT_EQ(run.flash.resultBlock.chipId, 3329u);
    EXPECT_EQ(ReadFileBytes(out / "flash.bin"), payload);
  }
  {
    // Kind 4 (a forced update) assumes MT3318: the MT3329 boot ROM refuses that agent.
    TempDir out;
    Device vdev(Model("T2200", (out / "flash.bin").string()));
    FlashRun run(DeviceKind::ZID300, &vdev.device, payload);
    ASSERT_TRUE(run.flash.agentReady);
    EXPECT_FALSE(run.Download());
    EXPECT_EQ(run.flash.downloadStatus, dl::kAgentRefused);
    EXPECT_FALSE(run.flash.Succeeded());
    EXPECT_FALSE(run.Saw(408));
    EXPECT_FALSE(std::filesystem::exists(out / "flash.bin"));
  }
}

TEST(BromDownload, ARateTheDeviceRefusesLeavesTheImageAtTheStartRate) {
  TempDir out;
  Device vdev(Model("ZID310", (out / "flash.bin").string()));
  const std::string payload = RandomPayload(30000, 10);
  FlashRun run(DeviceKind::ZID310, &vdev.device, payload);
  run.flash.fastBaud = 5000000;
  ASSERT_TRUE(run.Download()) << BromStatusText(run.flash.downloadStatus, false);
  EXPECT_EQ(run.flash.resultBlock.imageBaud, 115200u);
  EXPECT_EQ(ReadFileBytes(out / "flash.bin"), payload);
}

TEST(BromDownload, DamagedBytesBothWaysAreRecoveredByRetries) {
  TempDir out;
  vdev::DeviceOptions o = Model("ZID310", (out / "flash.bin").string());
  o.bootRom.corruptEvery = 20000;
  o.bootRom.corruptSeed = 7;
  Device vdev(o);
  const std::string payload = RandomPayload(160 * 1024, 3);
  FlashRun run(DeviceKind::ZID310, &vdev.device, payload);
  ASSERT_TRUE(run.Download()) << BromStatusText(run.flash.downloadStatus, false);
  EXPECT_GT(run.flash.resultBlock.retries, 0u);
  EXPECT_EQ(ReadFileBytes(out / "flash.bin"), payload);
}

TEST(BromDownload, RefusedPacketFailsAfterRetriesButAOneOffRefusalIsRetried) {
  const std::string payload = RandomPayload(64 * 1024, 4);
  {
    TempDir out;
    vdev::DeviceOptions o = Model("ZID310", (out / "flash.bin").string());
    o.bootRom.refusePacket = 5;
    Device vdev(o);
    FlashRun run(DeviceKind::ZID310, &vdev.device, payload);
    EXPECT_FALSE(run.Download());
    EXPECT_EQ(run.flash.downloadStatus, dl::kPacketRefused);
    EXPECT_EQ(run.flash.resultWord, 5u * 4096u);  // everything before the refused packet
    EXPECT_EQ(run.flash.resultBlock.retries, 9u); // eight retries after the first refusal
    EXPECT_FALSE(std::filesystem::exists(out / "flash.bin"));
  }
  {
    TempDir out;
    vdev::DeviceOptions o = Model("ZID310", (out / "flash.bin").string());
    o.bootRom.refusePacket = 5;
    o.bootRom.refuseTimes = 2;
    Device vdev(o);
    FlashRun run(DeviceKind::ZID310, &vdev.device, payload);
    EXPECT_TRUE(run.Download()) << BromStatusText(run.flash.downloadStatus, false);
    EXPECT_EQ(run.flash.resultBlock.retries, 2u);
    EXPECT_EQ(ReadFileBytes(out / "flash.bin"), payload);
  }
}

TEST(BromDownload, ADeviceIsFlashedAgainFromEitherMode) {
  TempDir out;
  const std::string dump = (out / "flash.bin").string();
  vdev::DeviceOptions o = Model("T2000C", dump);
  o.bootRom.refusePacket = 2;
  o.bootRom.refuseTimes = 9;
  Device vdev(o);
  {
    // Fails on the refused packet; the boot ROM keeps the line in frame mode.
    FlashRun run(DeviceKind::T2000C, &vdev.device, RandomPayload(20000, 7));
    EXPECT_FALSE(run.Download());
    EXPECT_EQ(run.flash.downloadStatus, dl::kPacketRefused);
  }
  for (unsigned seed : {8u, 9u}) {
    // First from frame mode (a fresh handshake starts over), then from sentence mode after
    // the restart that ends a good download.
    const std::string payload = RandomPayload(30000, seed);
    FlashRun run(DeviceKind::T2000C, &vdev.device, payload);
    EXPECT_TRUE(run.Download()) << BromStatusText(run.flash.downloadStatus, false);
    EXPECT_EQ(ReadFileBytes(dump), payload);
  }
  const auto log = vdev.device.LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "boot ROM: handshake again"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "boot ROM: handshake done, line taken"), 2);
}

TEST(BromDownload, HangUpMidImageFailsPromptly) {
  vdev::DeviceOptions o = Model("ZID310");
  o.bootRom.hangupAtPercent = 50;
  Device vdev(o);
  const std::string payload = RandomPayload(128 * 1024, 5);
  FlashRun run(DeviceKind::ZID310, &vdev.device, payload);
  EXPECT_FALSE(run.Download());
  EXPECT_EQ(run.flash.downloadStatus, dl::kLineLost);
  // The device stops on taking packet 16 (64 KiB); to have sent it, the host had the first 12
  // acknowledged (4 packets in flight). Answers still on the line when it went are lost.
  EXPECT_GE(run.flash.resultWord, 48u * 1024u);
  EXPECT_LE(run.flash.resultWord, 64u * 1024u);
  EXPECT_TRUE(run.Saw(409));
  EXPECT_NE(run.progress.back(), 100);
}

TEST(BromDownload, SilentBootRomAndBadFlashAreFailures) {
  const std::string payload = RandomPayload(32 * 1024, 6);
  {
    vdev::DeviceOptions o = Model("ZID310");
    o.bootRom.noHandshake = true;
    Device vdev(o);
    FlashRun run(DeviceKind::ZID310, &vdev.device, payload);
    const auto start = vdev.clock.Now();
    EXPECT_FALSE(run.Download());
    EXPECT_EQ(run.flash.downloadStatus, dl::kNoBootRom);
    EXPECT_FALSE(run.Saw(406));
    // The handshake's 8 s, then the 1500 ms pause that follows status 1 (10 ms here).
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(vdev.clock.Now() - start);
    EXPECT_GE(waited.count(), 8000 + 10);
    EXPECT_LT(waited.count(), 8200 + 10);
  }
  {
    // A flash cell that cannot take the written value: only the read-back notices.
    TempDir out;
    vdev::DeviceOptions o = Model("ZID310", (out / "flash.bin").string());
    o.bootRom.stuckByte = 1000;
    Device vdev(o);
    std::string data = payload;
    data[1000] = '\x01';
    FlashRun run(DeviceKind::ZID310, &vdev.device, data);
    EXPECT_FALSE(run.Download());
    EXPECT_EQ(run.flash.downloadStatus, dl::kVerifyFailed);
  }
  {
    // No line to the device.
    FlashRun run(DeviceKind::ZID310, nullptr, payload);
    EXPECT_FALSE(run.Download());
    EXPECT_EQ(run.flash.downloadStatus, dl::kPortFailed);
  }
}

} // namespace
} // namespace divuzo
