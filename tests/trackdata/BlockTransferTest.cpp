// The block transfer against the virtual device in the same process: what goes on the wire
// (sizes, blocks, the CR LF rule, resends), every reply character and fault, byte-exact round
// trips, and that a failed receive never leaves a complete-looking file.
#include "TransferFixture.h"

#include "StringTable.h"
#include "trackdata/BlockTransfer.h"
#include "trackdata/TrackLogReceive.h"
#include "trackdata/WaypointSend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace divuzo {
namespace {

namespace fs = std::filesystem;
using test::RandomBytes;
using test::ReadFileBytes;
using test::WriteFileBytes;

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

TEST(BlockRules, SizesBlocksAndChecksums) {
  EXPECT_EQ(TransferSize(1000), 1024u);
  EXPECT_EQ(TransferSize(0), 0u);
  EXPECT_EQ(TransferSize(512), 512u);
  EXPECT_EQ(TransferSize(513), 1024u);

  // Sum modulo 128: 0x80 + 0x05 sums to 0x85, whose low seven bits are 5.
  EXPECT_EQ(BlockChecksum(Bytes("\x80\x05")), 5);
  const std::string block = BlockBytes(Bytes("AB\r"));
  EXPECT_EQ(block, std::string("\x01") + char(('A' + 'B' + '\r') & 0x7F) + "AB\r\r\n");

  // "AB" CR LF: the block ends with the CR, the next one starts with the LF.
  const auto file = Bytes("AB\r\nCD");
  EXPECT_EQ(BlockData(file, 0, 512), Bytes("AB\r"));
  const auto second = BlockData(file, 3, 512);
  ASSERT_EQ(second.size(), 509u);  // the rest of the 512 announced bytes
  EXPECT_EQ(std::string(second.begin(), second.begin() + 3), "\nCD");
  EXPECT_TRUE(std::all_of(second.begin() + 3, second.end(), [](std::uint8_t b) { return b == 0; }));

  // A CR without LF, and a CR as the file's last byte, do not end a block; a block never
  // reaches past the announced size.
  EXPECT_EQ(BlockData(Bytes("A\rB"), 0, 512).size(), 512u);
  EXPECT_EQ(BlockData(Bytes("AB\r"), 0, 512).size(), 512u);
  EXPECT_EQ(BlockData(Bytes(std::string(700, 'x')), 512, 1024).size(), 512u);
  EXPECT_EQ(KindLine(1024), std::string("$WRT\x00\x04\x00\x00\r\n", 10));

  const std::uint8_t header[4] = {0x03, 0x01, 0x00, 0xFF};
  EXPECT_EQ(TrackLogSize(header), (3u + 256u) * 512u);
}

class BlockTransferTest : public test::TransferFixture {
 protected:
  Status Send(const std::string& content) {
    WriteFileBytes(dir / "map.mpt", content);
    return SendWaypointFile(session, dir / "map.mpt", Ports(), timing);
  }
  TrackLogReceiveResult ReceiveLog(const std::string& log) {
    WriteFileBytes(dir / "tracklog.bin", log);
    return ReceiveTrackLog(session, dir / "out.trl", Ports(TransferKind::TrackLog), timing);
  }
};

TEST_F(BlockTransferTest, ThousandByteFileAnnouncesAKibibyteOfWhichTheRestIsZero) {
  NewDevice();
  const std::string content = RandomBytes(1000, 1);
  const Status status = Send(content);
  ASSERT_TRUE(status.Ok()) << status.detail;
  EXPECT_EQ(status.textId, kTextDownloadDone);
  const auto host = HostLines();
  EXPECT_NE(std::find(host.begin(), host.end(), "> $WRT size 1024"), host.end());
  EXPECT_EQ(Received(), content + std::string(24, '\0'));
  EXPECT_EQ(host.front(), "> $PMTK182*21");  // linkBusy is set: the logger form starts
  EXPECT_EQ(host.back(), "> $END");
  EXPECT_EQ(session.linkBusy.load(), 0);
  EXPECT_FALSE(session.IsOpen());
  // Stage texts in order, and the percentage up to 100.
  std::vector<int> stages;
  for (const Progress& p : reports)
    if (p.stageTextId) stages.push_back(p.stageTextId);
  EXPECT_EQ(stages,
            (std::vector<int>{kTextWaitingForStart, kTextDownloading, kTextWaitingForFinish}));
  EXPECT_EQ(Percentages(), (std::vector<int>{0, 50, 100}));
}

TEST_F(BlockTransferTest, CrLfEndsABlockAfterTheCrAndTheLfStartsTheNext) {
  NewDevice();
  const std::string content = "AB\r\nCD";
  ASSERT_TRUE(Send(content).Ok());
  const auto host = HostLines();
  const auto kind = std::find(host.begin(), host.end(), "> $WRT size 512");
  ASSERT_NE(kind, host.end());
  ASSERT_GE(host.end() - kind, 3);
  const std::string abCr =
      "> block cs " + std::string(1, "0123456789ABCDEF"[((0x41 + 0x42 + 0x0D) & 0x7F) >> 4]);
  EXPECT_EQ(kind[1].substr(0, abCr.size()), abCr);
  EXPECT_NE(kind[1].find("len 3 "), std::string::npos) << kind[1];
  EXPECT_NE(kind[1].find(": 41 42 0D"), std::string::npos) << kind[1];
  EXPECT_NE(kind[2].find("len 509 "), std::string::npos) << kind[2];
  EXPECT_EQ(Received(), content + std::string(506, '\0'));
}

TEST_F(BlockTransferTest, AtSignResendsTheSameBytesAndQuestionMarkWaitsWithoutResending) {
  const std::string content = RandomBytes(4 * 512, 2);
  NewDevice([](vdev::BlockTransferOptions& o) { o.atSignBlock = 1; });
  ASSERT_TRUE(Send(content).Ok());
  std::vector<std::string> blocks;
  for (const auto& line : HostLines())
    if (line.rfind("> block", 0) == 0) blocks.push_back(line);
  ASSERT_EQ(blocks.size(), 5u);
  EXPECT_EQ(blocks[1], blocks[2]);
  EXPECT_NE(blocks[0], blocks[1]);
  EXPECT_EQ(Replies(vdev::WireDirection::DeviceToHost), "!!!&@&!&!&!&%");
  EXPECT_EQ(Received(), content);

  // "?" to a block: no resend, the late "!" counts.
  NewDevice([](vdev::BlockTransferOptions& o) { o.queryBlock = 2; });
  ASSERT_TRUE(Send(content).Ok());
  const auto host = HostLines();
  EXPECT_EQ(std::count_if(host.begin(), host.end(),
                          [](const std::string& l) { return l.rfind("> block", 0) == 0; }),
            4);
  EXPECT_EQ(Replies(vdev::WireDirection::DeviceToHost), "!!!&!&?&!&!&%");
  EXPECT_EQ(Received(), content);
}

TEST_F(BlockTransferTest, SendFaultsEndWithTheirMessage) {
  const std::string content = RandomBytes(4 * 512, 3);
  struct Case {
    const char* name;
    std::function<void(vdev::BlockTransferOptions&)> fault;
    int text;
    std::size_t accepted;  // bytes the device kept
  };
  const Case cases[] = {
      {"$ to the start", [](auto& o) { o.refuseStart = true; }, kTextStartRefused, 0},
      {"? to the kind line", [](auto& o) { o.kindReply = '?'; }, kTextSendRefused, 0},
      {"# to the kind line", [](auto& o) { o.kindReply = '#'; }, kTextDeviceError, 0},
      {"^ on block 2", [](auto& o) { o.abortBlock = 2; }, kTextTransferAborted, 2 * 512},
      {"silent from block 3", [](auto& o) { o.silentBlock = 3; }, kTextDeviceSilent, 3 * 512},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NewDevice(c.fault);
    const Status status = Send(content);
    EXPECT_FALSE(status.Ok());
    EXPECT_EQ(status.textId, c.text) << status.detail;
    EXPECT_FALSE(TextOrOwnWording(status.textId).empty());
    EXPECT_EQ(Received(), content.substr(0, c.accepted));
    EXPECT_FALSE(session.IsOpen());
  }
  // After "$" nothing more is said: no kind line.
  NewDevice([](auto& o) { o.refuseStart = true; });
  Send(content);
  EXPECT_EQ(HostLines(), (std::vector<std::string>{"> $PMTK182*21"}));
}

TEST_F(BlockTransferTest, SilentDeviceIsLookedForWithinThePollLimitsOfEachTransfer) {
  NewDevice({}, [] {
    vdev::DeviceOptions o;
    o.faults.silent = true;
    return o;
  }());
  // Waypoint transfer on a chosen bridge: 80 rounds of about a second, then "no device".
  auto start = clock.Now();
  Status status = Send("x");
  EXPECT_EQ(status.textId, kTextNoTransferDevice);
  EXPECT_EQ(session.portName, "COM1");
  const auto host = HostLines();
  EXPECT_EQ(std::count(host.begin(), host.end(), "> $BEG"), 80);  // the first round also says $BEG
  EXPECT_EQ(std::count(host.begin(), host.end(), "> $PMTK182*21"), 1);
  EXPECT_NEAR(static_cast<double>((clock.Now() - start) / std::chrono::milliseconds(1)),
              81 * 1000 + 200 + 20, 100);

  // Track-log transfer: logger command 5, then it only listens, 10 rounds; the message tells
  // the user to restart the device (and nothing closes).
  NewDevice({}, [] {
    vdev::DeviceOptions o;
    o.faults.silent = true;
    return o;
  }());
  WriteFileBytes(dir / "tracklog.bin", std::string(512, 'a'));
  start = clock.Now();
  const TrackLogReceiveResult r =
      ReceiveTrackLog(session, dir / "out.trl", Ports(TransferKind::TrackLog), timing);
  EXPECT_EQ(r.status.textId, kTextNoResponse);
  EXPECT_EQ(HostLines(), (std::vector<std::string>{"> $PMTK182,5*20"}));
  EXPECT_NEAR(static_cast<double>((clock.Now() - start) / std::chrono::milliseconds(1)),
              11 * 1000 + 20, 100);
  EXPECT_FALSE(fs::exists(dir / "out.trl"));
  EXPECT_FALSE(fs::exists(dir / "out.trl.partial"));
}

TEST_F(BlockTransferTest, ReceivedBlockWithAWrongChecksumIsAskedForAgainAndNotStored) {
  const std::string log = RandomBytes(3 * 512, 4, false);
  NewDevice([](auto& o) { o.badChecksumBlock = 1; });
  const TrackLogReceiveResult r = ReceiveLog(log);
  ASSERT_TRUE(r.status.Ok()) << r.status.detail;
  EXPECT_EQ(r.status.textId, kTextUploadDone);
  EXPECT_EQ(ReadFileBytes(dir / "out.trl"), log);
  EXPECT_EQ(r.written, dir / "out.trl");
  EXPECT_EQ(r.bytes, log.size());
  EXPECT_EQ(r.announced, log.size());
  // The host's replies: "!" for block 0, the at sign for the damaged block 1, then "!" twice.
  EXPECT_EQ(Replies(vdev::WireDirection::HostToDevice), "!..@..!..!..");
  const auto device = DeviceLines();
  EXPECT_EQ(std::count_if(device.begin(), device.end(),
                          [](const std::string& l) {
                            return l.find("(checksum wrong)") != std::string::npos;
                          }),
            1);
  EXPECT_EQ(Percentages(), (std::vector<int>{0, 33, 66, 100}));
}

TEST_F(BlockTransferTest, FailedReceiveKeepsOnlyAPartialFileAndLeavesTheChosenNameAlone) {
  const std::string log = RandomBytes(4 * 512, 5, false);
  struct Case {
    const char* name;
    std::function<void(vdev::BlockTransferOptions&)> fault;
    int text;
    std::size_t kept;
  };
  const Case cases[] = {
      {"? to $TLG", [](auto& o) { o.kindReply = '?'; }, kTextReceiveRefused, 0},
      {"# to $TLG", [](auto& o) { o.kindReply = '#'; }, kTextDeviceError, 0},
      {"^ after block 2", [](auto& o) { o.abortBlock = 2; }, kTextTransferAborted, 3 * 512},
      {"silent from block 1", [](auto& o) { o.silentBlock = 1; }, kTextDeviceSilent, 512},
      {"$ to the start", [](auto& o) { o.refuseStart = true; }, kTextStartRefused, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(dir / "out.trl", "an earlier log");
    fs::remove(dir / "out.trl.partial");
    NewDevice(c.fault);
    const TrackLogReceiveResult r = ReceiveLog(log);
    EXPECT_EQ(r.status.textId, c.text) << r.status.detail;
    EXPECT_EQ(ReadFileBytes(dir / "out.trl"), "an earlier log");
    EXPECT_TRUE(r.written.empty());
    EXPECT_EQ(r.bytes, c.kept);
    if (c.kept == 0) {
      EXPECT_TRUE(r.partial.empty());
      EXPECT_FALSE(fs::exists(dir / "out.trl.partial"));
    } else {
      EXPECT_EQ(r.partial, dir / "out.trl.partial");
      EXPECT_EQ(ReadFileBytes(r.partial), log.substr(0, c.kept));
    }
    // No temporary is left behind.
    for (const auto& entry : fs::directory_iterator(dir.path()))
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(BlockTransferTest, CancelStopsTheReceiveAndKeepsWhatArrivedAsPartial) {
  const std::string log = RandomBytes(8 * 512, 9, false);
  NewDevice();
  ProgressFunction cancelAfterTwoBlocks([this](const Progress& p) {
    if (p.done >= 2 * 512) session.cancel.Cancel();
  });
  session.progress = &cancelAfterTwoBlocks;
  const TrackLogReceiveResult r = ReceiveLog(log);
  EXPECT_EQ(r.status.code, StatusCode::Cancelled);
  EXPECT_EQ(r.status.textId, kTextCancelled);
  EXPECT_FALSE(fs::exists(dir / "out.trl"));
  EXPECT_EQ(ReadFileBytes(dir / "out.trl.partial"), log.substr(0, 2 * 512));
  EXPECT_FALSE(session.IsOpen());
}

TEST_F(BlockTransferTest, RoundTripsAreByteExact) {
  // A 300 KiB map file, with CR LF pairs in it, out to the device ...
  std::string map = RandomBytes(300 * 1024, 6, false);
  for (std::size_t i = 100; i + 1 < map.size(); i += 997) map.replace(i, 2, "\r\n");
  NewDevice();
  const Status sent = Send(map);
  ASSERT_TRUE(sent.Ok()) << sent.detail;
  const std::string received = Received();
  ASSERT_EQ(received.size(), TransferSize(map.size()));
  EXPECT_TRUE(received.compare(0, map.size(), map) == 0);
  EXPECT_EQ(received.substr(map.size()), std::string(received.size() - map.size(), '\0'));

  // ... and a 1 MiB track log back.
  const std::string log = RandomBytes(1024 * 1024, 7, false);
  NewDevice();
  const TrackLogReceiveResult r = ReceiveLog(log);
  ASSERT_TRUE(r.status.Ok()) << r.status.detail;
  EXPECT_TRUE(ReadFileBytes(dir / "out.trl") == log);
}

TEST_F(BlockTransferTest, PortSearchGoesThroughThePortListInItsOrder) {
  SerialPortList list;
  auto add = [&](const std::string& path, const std::string& name) {
    SerialPortInfo info;
    info.devicePath = info.portName = path;
    info.friendlyName = name + " (" + path + ")";
    list.push_back(info);
  };
  add("/dev/ttyS0", "Communications Port");
  add("/dev/ttyUSB3", "Prolific USB-to-Serial Comm Port");
  add("/dev/ttyACM0", "u-blox GNSS receiver");
  using Ports = std::vector<PortCandidate>;
  auto same = [](const Ports& a, const Ports& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const PortCandidate& x, const PortCandidate& y) {
                        return x.port == y.port && x.polls == y.polls;
                      });
  };
  // The chosen bridge first; the waypoint transfer then starts over at the top with 30 rounds.
  EXPECT_TRUE(same(
      TransferPorts(TransferKind::Waypoint, list, ""),
      Ports{{"/dev/ttyUSB3", 80}, {"/dev/ttyS0", 30}, {"/dev/ttyUSB3", 30}, {"/dev/ttyACM0", 30}}));
  EXPECT_TRUE(same(TransferPorts(TransferKind::TrackLog, list, "/dev/ttyUSB3"),
                   Ports{{"/dev/ttyUSB3", 10}, {"/dev/ttyS0", 10}, {"/dev/ttyACM0", 10}}));
  // No bridge chosen (a port that is not one): the list in its order.
  EXPECT_TRUE(same(TransferPorts(TransferKind::TrackLog, list, "/dev/ttyACM0"),
                   Ports{{"/dev/ttyS0", 300}, {"/dev/ttyUSB3", 300}, {"/dev/ttyACM0", 300}}));
  EXPECT_TRUE(same(TransferPortsFor(TransferKind::Waypoint, list, "/dev/ttyACM0"),
                   Ports{{"/dev/ttyACM0", 30}}));

  // Ports that cannot be opened are passed over; the device on the third answers.
  NewDevice();
  WriteFileBytes(dir / "map.mpt", "waypoints");
  const Status status = SendWaypointFile(
      session, dir / "map.mpt",
      {{"/dev/nonexistent0", 30}, {"/dev/nonexistent1", 30}, {device->Path(), 30}}, timing);
  EXPECT_TRUE(status.Ok()) << status.detail;
  EXPECT_EQ(Received().substr(0, 9), "waypoints");
}

}  // namespace
}  // namespace divuzo
