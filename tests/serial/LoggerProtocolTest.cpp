// The logger memory protocol's pieces that do no I/O: data sentences, their checksum and
// decoding, the extent and percentage of a download, free records and memory ranges.
#include "serial/LoggerProtocol.h"
#include "serial/Sentence.h"

#include <cstring>

#include <gtest/gtest.h>

namespace divuzo {
namespace {

std::string Line(const std::string& body) {
  return FrameSentence(body);
}

TEST(LoggerProtocol, DataSentenceRoundTrip) {
  const std::uint8_t bytes[4] = {0x00, 0x7F, 0xA5, 0xFF};
  const std::string line = Line(DataSentenceBody(0x1F800, bytes, 4));
  EXPECT_EQ(line.substr(0, 28), "$PMTK182,8,0001F800,007FA5FF");
  EXPECT_TRUE(ChunkChecksumOk(line));
  const auto data = ParseDataSentence(line);
  ASSERT_TRUE(data.has_value());
  EXPECT_EQ(data->address, 0x1F800u);
  std::uint8_t back[4] = {};
  ASSERT_TRUE(HexPairsToBytes(data->hex, back, 4));
  EXPECT_EQ(std::memcmp(back, bytes, 4), 0);
  // Lower-case digits are hexadecimal too; further commas before the data are stepped over.
  const auto commas = ParseDataSentence("$PMTK182,8,800,,,0a0B*00");
  ASSERT_TRUE(commas.has_value());
  EXPECT_EQ(commas->address, 0x800u);
  EXPECT_EQ(commas->hex, "0a0B");
  ASSERT_TRUE(HexPairsToBytes(commas->hex, back, 2));
  EXPECT_EQ(back[0], 0x0A);
  EXPECT_EQ(back[1], 0x0B);
}

TEST(LoggerProtocol, DamagedSentencesAreRefused) {
  std::string line = Line("PMTK182,8,00000000,0102");
  // Either checksum digit wrong, the star gone, or the digits cut off: the checksum fails.
  std::string wrong = line;
  wrong[wrong.find('*') + 2] ^= 1;
  EXPECT_FALSE(ChunkChecksumOk(wrong));
  std::string flipped = line;
  flipped[20] = '3';  // a data digit changed, the checksum not
  EXPECT_FALSE(ChunkChecksumOk(flipped));
  EXPECT_FALSE(ChunkChecksumOk("$PMTK182,8,0,0102"));
  EXPECT_FALSE(ChunkChecksumOk("$PMTK182,8,0,0102*3"));
  EXPECT_FALSE(ChunkChecksumOk(""));
  // Not a data sentence, no address, an address that is not hexadecimal, no star.
  EXPECT_FALSE(ParseDataSentence("$PMTK182,3,8,00001000*22").has_value());
  EXPECT_FALSE(ParseDataSentence("$PMTK182,8,,0102*22").has_value());
  EXPECT_FALSE(ParseDataSentence("$PMTK182,8,12G4,0102*22").has_value());
  EXPECT_FALSE(ParseDataSentence("$PMTK182,8,1000,0102").has_value());
  // Hex pairs: a character that is not a digit, or too few of them, fail.
  std::uint8_t out[2];
  EXPECT_FALSE(HexPairsToBytes("0G01", out, 2));
  EXPECT_FALSE(HexPairsToBytes("010", out, 2));
}

TEST(LoggerProtocol, ExtentAndPercent) {
  // 0 or unknown reads all 32 blocks; 0x1F000 reads blocks 0 and 0x10000.
  EXPECT_EQ(DownloadExtent(std::nullopt), 0x200000u);
  EXPECT_EQ(DownloadExtent(0), 0x200000u);
  EXPECT_EQ(DownloadExtent(0x1F000), 0x20000u);
  EXPECT_EQ(DownloadExtent(0x10000), 0x10000u);
  EXPECT_EQ(DownloadExtent(0x200000), 0x200000u);
  EXPECT_EQ(DownloadExtent(0x7FFFFFFF), 0x200000u);
  // (0x10000 + 0x800) * 100 / (0x1F000 | 0xFFFF) = 51.
  EXPECT_EQ(DownloadPercent(0x10000, 0x800, 0x1F000), 51);
  // The "or" with 0xFFFF makes a full memory's last chunk show 96; the end shows 100.
  EXPECT_EQ(DownloadPercent(0x1F0000, 0xF800, 0x200000), 96);
}

TEST(LoggerProtocol, FreeRecordsAfterAClear) {
  EXPECT_EQ(FreeRecords(0x1FFFF0), 0);  // one record free, below 2: shown as 0
  EXPECT_EQ(FreeRecords(0x1FFFE0), 2);
  EXPECT_EQ(FreeRecords(0x100000), 65536);
  EXPECT_EQ(FreeRecords(0), 131072);
  EXPECT_EQ(FreeRecords(0x200000), 0);
  EXPECT_EQ(FreeRecords(0xFFFFFFFF), 0);
}

TEST(LoggerProtocol, RangesJoinAndRead) {
  std::vector<MemoryRange> ranges;
  AddRange(ranges, 0x1000, 0x1800);
  AddRange(ranges, 0x0, 0x800);
  AddRange(ranges, 0x1800, 0x2000);  // touches the first: joined
  AddRange(ranges, 0x5000, 0x5000);  // empty: nothing
  EXPECT_EQ(ranges, (std::vector<MemoryRange>{{0x0, 0x800}, {0x1000, 0x2000}}));
  EXPECT_EQ(RangesText(ranges), "0x00000000-0x00000800, 0x00001000-0x00002000");
}

}  // namespace
}  // namespace divuzo
