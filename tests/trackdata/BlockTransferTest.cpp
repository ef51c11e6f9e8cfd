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

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

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
  EXPECT_EQ(stages, (std::vector<int>{kTextWaitingForStart, kTextDownloading, kTextWaitingForFinish, kTextDownloadDone}));
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
  const std::string abCr = "> block cs " + std::string(1, "0123456789ABCDEF"[((0x41 + 0x42 + 0x0D) & 0x7F) >> 4]);
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
  EXPECT_EQ(std::count_if(host.begin(), host.end(), [](const std::string& l) { return l.rfind("> block", 0) == 0; }), 4);
  EXPECT_EQ(Replies(vdev::WireDirection::DeviceToHost), "!!!&!&?&!&!&%");
  EXPECT_EQ(Received(), content);
}

} // namespace
} // namespace divuzo
