// The boot-ROM library's files, handles, status rules and argument checks, and the frame
// decoder's recovery from damaged bytes.
#include "TempDir.h"

#include "update/Brom.h"
#include "update/BromAgentFile.h"
#include "update/BromScatterFile.h"
#include "update/BromWire.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

using test::TempDir;
using test::WriteFileBytes;

std::string Bytes(const std::vector<std::uint8_t>& v) { return std::string(v.begin(), v.end()); }

BromStatus LoadAgentFile(const std::string& path, std::uint32_t address) {
  BromAgentHandle h = 0;
  BromCreateAgentHandle(&h);
  BromSetAgentLoadAddress(h, address);
  const BromStatus status = BromLoadAgent(h, path.c_str());
  BromDestroyAgentHandle(&h);
  return status;
}

TEST(BromLibrary, AgentLoadStatusesFollowTheLoadRule) {
  TempDir dir;
  const auto good = EncodeAgentFile(MakeAgent(GpsChip::MT3329, 0x0203, 3000));
  WriteFileBytes(dir / "good.bin", Bytes(good));

  // Success carries the version in the high half: not zero, yet a success by the rule.
  const BromStatus ok = LoadAgentFile((dir / "good.bin").string(), 0xC00);
  EXPECT_EQ(ok, 0x02030000u);
  EXPECT_TRUE(BromLoadSucceeded(ok));
  EXPECT_TRUE(BromLoadSucceeded(LoadAgentFile((dir / "good.bin").string(), 0)));

  struct Case {
    const char* what;
    std::string bytes;
    std::uint32_t address;
    BromStatus want;
  };
  std::string body = Bytes(good), header = Bytes(good), magic = Bytes(good);
  body[good.size() - 10] ^= 0x10;
  header[12] ^= 0x01;  // chip id
  magic[0] = 'X';
  const std::vector<Case> cases = {
      {"other chip's address", Bytes(good), 0x100800, brom_load::kWrongChip},
      {"damaged body", body, 0xC00, brom_load::kBadChecksum},
      {"damaged header", header, 0xC00, brom_load::kBadChecksum},
      {"not an agent", magic, 0xC00, brom_load::kBadFormat},
      {"truncated", Bytes(good).substr(0, good.size() - 1), 0xC00, brom_load::kBadFormat},
      {"header only", Bytes(good).substr(0, kAgentHeaderSize), 0xC00, brom_load::kBadFormat},
  };
  for (const Case& c : cases) {
    WriteFileBytes(dir / "bad.bin", c.bytes);
    const BromStatus status = LoadAgentFile((dir / "bad.bin").string(), c.address);
    EXPECT_EQ(status, c.want) << c.what;
    EXPECT_FALSE(BromLoadSucceeded(status)) << c.what;
  }
  EXPECT_EQ(LoadAgentFile((dir / "missing.bin").string(), 0xC00), brom_load::kFileMissing);
  EXPECT_EQ(LoadAgentFile("", 0xC00), brom_load::kFileMissing);
}

TEST(BromLibrary, TheBuildsAgentsFitTheirChipsAndLayoutCoversTheFlash) {
  const std::string bin = DIVUZO_BINARY_DIR "/bin/";
  for (const char* prefix : {"DA_", "MTK_AllInOne_DA_"}) {
    EXPECT_TRUE(BromLoadSucceeded(LoadAgentFile(bin + prefix + "MT3318_V100.bin", 0x100800)));
    EXPECT_TRUE(BromLoadSucceeded(LoadAgentFile(bin + prefix + "MT3329_V100.bin", 0xC00)));
    EXPECT_EQ(LoadAgentFile(bin + prefix + "MT3318_V100.bin", 0xC00), brom_load::kWrongChip);
  }
  std::vector<FlashRegion> regions;
  ASSERT_EQ(ParseScatter(test::ReadFileBytes(bin + "scat.txt"), regions), brom_load::kOk);
  ASSERT_EQ(regions.size(), 1u);
  EXPECT_EQ(regions[0].start, 0u);
  EXPECT_EQ(regions[0].length, 0x100000u);
}

TEST(BromLibrary, LayoutFilesAreParsedStrictly) {
  std::vector<FlashRegion> r;
  ASSERT_EQ(ParseScatter("# layout\n\nBOOT 0 4096   # first\nROM 0x1000 0x20000\n", r), brom_load::kOk);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[1].name, "ROM");
  EXPECT_EQ(r[1].start, 0x1000u);
  EXPECT_EQ(r[1].length, 0x20000u);
  // What FormatScatter writes reads back the same.
  std::vector<FlashRegion> again;
  ASSERT_EQ(ParseScatter(FormatScatter(r), again), brom_load::kOk);
  EXPECT_EQ(again.size(), 2u);
  EXPECT_EQ(again[0].length, 4096u);

  for (const char* bad : {"", "# nothing\n", "ROM 0x0\n", "ROM 0 0\n", "ROM 0 10 extra\n",
                          "ROM zero 10\n", "ROM 0xFFFFFFFF 2\n", "ROM -1 10\n",
                          "A 0 0x2000\nB 0x1000 0x1000\n"})
    EXPECT_EQ(ParseScatter(bad, r), brom_load::kBadFormat) << bad;
}

// A download that must be refused before the line is touched: there is no line, so a check
// made too late shows up as kPortFailed.
struct DownloadSetup {
  DownloadSetup() {
    BromCreateAgentHandle(&agent);
    BromCreateImageHandle(&image);
    WriteFileBytes(dir / "agent.bin", Bytes(EncodeAgentFile(MakeAgent(GpsChip::MT3318, 0x100, 1000))));
    WriteFileBytes(dir / "scat.txt", "ROM 0 0x2000\n");
    WriteFileBytes(dir / "image.bin", std::string(0x1800, 'x'));
    agentArgs.agent = agent;
    agentArgs.startAgent = 1;
    agentArgs.self = &agentArgs;
    imageArgs.image = image;
    imageArgs.flashLimit = 0x100000;
  }
  ~DownloadSetup() {
    BromDestroyAgentHandle(&agent);
    BromDestroyImageHandle(&image);
  }
  void LoadAll() {
    EXPECT_TRUE(BromLoadSucceeded(BromLoadAgent(agent, (dir / "agent.bin").string().c_str())));
    EXPECT_EQ(BromLoadScatter(image, (dir / "scat.txt").string().c_str()), brom_load::kOk);
    EXPECT_EQ(BromLoadImage(image, 0, (dir / "image.bin").string().c_str()), brom_load::kOk);
    EXPECT_EQ(BromEnableImage(image, 0, 1), brom_load::kOk);
  }
  BromStatus Download() { return BromDownload(&com, &agentArgs, &imageArgs, nullptr, nullptr); }

  TempDir dir;
  BromAgentHandle agent = 0;
  BromImageHandle image = 0;
  ComArgs com{};
  AgentArgs agentArgs{};
  ImageArgs imageArgs{};
};

TEST(BromLibrary, DownloadRefusesIncompleteSetupsBeforeOpeningThePort) {
  namespace dl = brom_download;
  {
    DownloadSetup s;
    s.LoadAll();
    EXPECT_EQ(s.Download(), dl::kPortFailed);  // complete: only the port is missing
    EXPECT_EQ(BromDownload(nullptr, &s.agentArgs, &s.imageArgs, nullptr, nullptr), dl::kBadArguments);
    s.agentArgs.self = nullptr;
    EXPECT_EQ(s.Download(), dl::kBadArguments);
    s.agentArgs.self = &s.agentArgs;
    s.imageArgs.flashLimit = 0x1000;
    EXPECT_EQ(s.Download(), dl::kImageTooLarge);
    s.imageArgs.flashLimit = 0;
    BromEnableImage(s.image, 0, 0);
    EXPECT_EQ(s.Download(), dl::kBadArguments);
    BromEnableImage(s.image, 0, 1);
    BromUnloadAgent(s.agent);
    EXPECT_EQ(s.Download(), dl::kBadArguments);
  }
  {
    DownloadSetup s;
    s.LoadAll();
    WriteFileBytes(s.dir / "small.txt", "ROM 0 0x1000\n");
    ASSERT_EQ(BromLoadScatter(s.image, (s.dir / "small.txt").string().c_str()), brom_load::kOk);
    EXPECT_EQ(s.Download(), dl::kImageTooLarge);  // the region is smaller than the image
  }
  {
    DownloadSetup s;
    EXPECT_TRUE(BromLoadSucceeded(BromLoadAgent(s.agent, (s.dir / "agent.bin").string().c_str())));
    EXPECT_EQ(BromLoadImage(s.image, 0, (s.dir / "image.bin").string().c_str()), brom_load::kOk);
    BromEnableImage(s.image, 0, 1);
    EXPECT_EQ(s.Download(), dl::kNoScatter);
  }
  {
    DownloadSetup s;
    WriteFileBytes(s.dir / "empty.bin", "");
    EXPECT_EQ(BromLoadImage(s.image, 0, (s.dir / "empty.bin").string().c_str()), brom_load::kEmpty);
    EXPECT_EQ(BromLoadImage(s.image, 1, (s.dir / "image.bin").string().c_str()), brom_load::kBadIndex);
    BromImageHandle gone = s.image;
    BromDestroyImageHandle(&gone);
    EXPECT_EQ(gone, 0u);
    EXPECT_EQ(BromLoadImage(s.image, 0, (s.dir / "image.bin").string().c_str()), brom_load::kBadHandle);
    EXPECT_FALSE(BromLoadSucceeded(BromLoadScatter(s.image, (s.dir / "scat.txt").string().c_str())));
  }
}

TEST(BromWire, DecoderRecoversFromGarbageAndDamagedFrames) {
  using namespace bromwire;
  const std::vector<std::uint8_t> payload(300, 0xA5);  // full of start bytes
  std::vector<std::uint8_t> stream = {'$', 'G', 0xA5, 0x00};
  AppendFrame(stream, kData, 7, payload.data(), payload.size());
  const std::size_t second = stream.size();
  AppendFrame(stream, kData, 8, payload.data(), payload.size());
  const std::size_t third = stream.size();
  AppendFrame(stream, kDataAck, 9, nullptr, 0);
  const std::size_t fourth = stream.size();
  AppendFrame(stream, kAck, 10, "\x01\x02", 2);
  stream[second + 20] ^= 0x04;  // payload of the second frame
  stream[third + 5] ^= 0x80;    // length field of the third frame

  // Fed one byte at a time, as a slow line delivers it.
  Decoder decoder;
  std::vector<std::pair<Decoder::Event, std::uint16_t>> seen;
  for (std::uint8_t byte : stream) {
    decoder.Feed(&byte, 1);
    for (Decoder::Event e; (e = decoder.Next()) != Decoder::Event::None;)
      if (e != Decoder::Event::Skipped) seen.emplace_back(e, decoder.frame.seq);
  }
  const std::vector<std::pair<Decoder::Event, std::uint16_t>> want = {
      {Decoder::Event::Frame, 7}, {Decoder::Event::BadFrame, 8}, {Decoder::Event::Frame, 10}};
  EXPECT_EQ(seen, want);
  EXPECT_EQ(decoder.frame.payload, (std::vector<std::uint8_t>{1, 2}));
  (void)fourth;
}

} // namespace
} // namespace divuzo
