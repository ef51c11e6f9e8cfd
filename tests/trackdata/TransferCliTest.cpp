// The block transfer as a user runs it: `divuzo waypoints send` and `divuzo tracklog receive`
// against divuzo-vdev on a real pseudo-terminal, byte for byte as the records in
// tests/transcripts/ have them (and the same bytes from the core against the device in the
// same process), the failures with their exit status and partial file, and `divuzo tracklog
// settings`.
#include "CaptureOutput.h"
#include "GoldenTranscript.h"
#include "TransferFixture.h"
#include "VdevProcess.h"

#include "StringTable.h"
#include "trackdata/TrackLogReceive.h"
#include "trackdata/TrackLogSettings.h"
#include "trackdata/WaypointSend.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace divuzo {
namespace {

namespace fs = std::filesystem;
using test::CommandOutput;
using test::ReadFileBytes;
using test::RunCli;
using test::WriteFileBytes;

// 1,000 bytes of waypoint text with CR LF line ends: short blocks, and 24 zero bytes at the end.
std::string RecordedMapFile() {
  std::string text;
  for (int i = 0; text.size() < 1000; ++i)
    text += "WPT" + std::to_string(i) + ",25.0" + std::to_string(i % 10) + ",121.5\r\n";
  return text.substr(0, 1000);
}

// Two blocks of track records.
std::string RecordedTrackLog() {
  return test::RandomBytes(2 * 512, 11, false);
}

std::vector<std::string> Header(const std::string& what, const CommandOutput& r) {
  std::vector<std::string> header{what, "exit status " + std::to_string(r.exitCode)};
  for (const auto& line : test::Lines(r.out)) header.push_back("out: " + line);
  return header;
}

class TransferCliTest : public test::TransferFixture {};

TEST_F(TransferCliTest, RecordedSendAndReceive) {
  WriteFileBytes(dir / "map.mpt", RecordedMapFile());
  WriteFileBytes(dir / "tracklog.bin", RecordedTrackLog());
  {
    test::VdevProcess vdev({"--block-transfer", "--received", (dir / "received.bin").string()});
    ASSERT_TRUE(vdev.Started());
    const CommandOutput r =
        RunCli("waypoints send " + (dir / "map.mpt").string() + " --port " + vdev.PortPath());
    vdev.Stop();
    EXPECT_EQ(r.exitCode, 0) << r.out;
    test::ExpectGoldenTranscript("transfer-send",
                                 Header("divuzo waypoints send, 1000 bytes of text lines", r),
                                 vdev.WireLines());
    EXPECT_EQ(Received(), RecordedMapFile() + std::string(24, '\0'));
  }
  {
    test::VdevProcess vdev({"--block-transfer", "--tracklog", (dir / "tracklog.bin").string()});
    ASSERT_TRUE(vdev.Started());
    const CommandOutput r =
        RunCli("tracklog receive " + (dir / "out.trl").string() + " --port " + vdev.PortPath());
    vdev.Stop();
    EXPECT_EQ(r.exitCode, 0) << r.out;
    test::ExpectGoldenTranscript(
        "transfer-receive", Header("divuzo tracklog receive, two blocks", r), vdev.WireLines());
    EXPECT_EQ(ReadFileBytes(dir / "out.trl"), RecordedTrackLog());
  }
  // The core in the same process says and hears the same bytes.
  NewDevice();
  ASSERT_TRUE(SendWaypointFile(session, dir / "map.mpt", Ports(), timing).Ok());
  test::ExpectGoldenTranscript("transfer-send", {}, device->WireLines(), false);
  NewDevice();
  ASSERT_TRUE(
      ReceiveTrackLog(session, dir / "in-process.trl", Ports(TransferKind::TrackLog), timing)
          .status.Ok());
  test::ExpectGoldenTranscript("transfer-receive", {}, device->WireLines(), false);
}

TEST_F(TransferCliTest, FailuresSayWhatHappenedAndExitWithTheirStatus) {
  WriteFileBytes(dir / "map.mpt", RecordedMapFile());
  WriteFileBytes(dir / "tracklog.bin", test::RandomBytes(4 * 512, 12, false));
  {
    // The device aborts after block 1: two blocks are kept, under the partial name only.
    test::VdevProcess vdev(
        {"--block-transfer", "--tracklog", (dir / "tracklog.bin").string(), "--abort-block", "1"});
    ASSERT_TRUE(vdev.Started());
    const CommandOutput r =
        RunCli("tracklog receive " + (dir / "out.trl").string() + " --port " + vdev.PortPath());
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find(LoadText(kOwnWording + kTextTransferAborted)), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(LoadText(kTextPartialKept) + (dir / "out.trl.partial").string()),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(dir / "out.trl"));
    EXPECT_EQ(ReadFileBytes(dir / "out.trl.partial"),
              ReadFileBytes(dir / "tracklog.bin").substr(0, 1024));
  }
  {
    test::VdevProcess vdev({"--block-transfer", "--refuse-start"});
    ASSERT_TRUE(vdev.Started());
    const CommandOutput r =
        RunCli("waypoints send " + (dir / "map.mpt").string() + " --port " + vdev.PortPath());
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find(LoadText(kOwnWording + kTextStartRefused)), std::string::npos) << r.out;
  }
  // A file that is not there: nothing is sent, the reason names it.
  const CommandOutput missing =
      RunCli("waypoints send " + (dir / "none.mpt").string() + " --port /dev/null");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.out.find((dir / "none.mpt").string()), std::string::npos) << missing.out;
  // No device on the port: exit status 3.
  const CommandOutput absent =
      RunCli("tracklog receive " + (dir / "x.trl").string() + " --port /dev/nonexistent-port");
  EXPECT_EQ(absent.exitCode, 3) << absent.out;
}

TEST_F(TransferCliTest, SettingsAreShownAndChanged) {
  test::VdevProcess vdev({"--block-transfer"});
  ASSERT_TRUE(vdev.Started());
  const CommandOutput shown = RunCli("tracklog settings --port " + vdev.PortPath());
  EXPECT_EQ(shown.exitCode, 0) << shown.out;
  EXPECT_NE(shown.out.find("Interval: 10 s\nDistance: 100 m (328 ft)"), std::string::npos)
      << shown.out;
  EXPECT_EQ(shown.out.find("Recording:"), std::string::npos)
      << shown.out;  // not read, not switched

  const CommandOutput changed = RunCli("tracklog settings --port " + vdev.PortPath() +
                                       " --log-by distance --distance 250 --recording off");
  EXPECT_EQ(changed.exitCode, 0) << changed.out;
  EXPECT_NE(changed.out.find("Recording: off\nLog by: distance"), std::string::npos) << changed.out;
  EXPECT_NE(changed.out.find("Distance: 250 m (820 ft)"), std::string::npos) << changed.out;
  EXPECT_EQ(vdev.CountReceived("$PMTK182,11*15"), 1);
  EXPECT_EQ(vdev.CountReceived("$PMTK182,1,4,250*27"), 1);
  EXPECT_EQ(vdev.CountReceived("$PMTK182,10*14"), 0);
}

TEST_F(TransferCliTest, ClearAsksOrWantsYes) {
  test::VdevProcess vdev({"--block-transfer"});
  ASSERT_TRUE(vdev.Started());
  // No terminal to ask on and no --yes: refused before the device hears anything.
  const CommandOutput refused = RunCli("tracklog clear --port " + vdev.PortPath());
  EXPECT_EQ(refused.exitCode, 2) << refused.out;
  EXPECT_NE(refused.out.find("--yes"), std::string::npos) << refused.out;
  const CommandOutput cleared = RunCli("tracklog clear --yes --port " + vdev.PortPath());
  EXPECT_EQ(cleared.exitCode, 0) << cleared.out;
  EXPECT_NE(cleared.out.find(TextOrOwnWording(kTextClearDone)), std::string::npos) << cleared.out;
  EXPECT_EQ(vdev.WaitReceived("$PMTK182,6,1*3E", 1), 1);
  vdev.Stop();
  EXPECT_EQ(vdev.CountReceived("$PMTK182,6,1*3E"), 1);
}

}  // namespace
}  // namespace divuzo
