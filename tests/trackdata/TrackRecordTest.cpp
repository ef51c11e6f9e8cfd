// The 16-byte record and the streaming reader of ".trl" files.
#include "FifoProbe.h"
#include "TempDir.h"
#include "TrackTestSupport.h"
#include "trackdata/TrackFileReader.h"
#include "trackdata/TrackPointRecord.h"

#include <gtest/gtest.h>

#include <cmath>

namespace divuzo {
namespace {

using test::PackRecord;

std::string Hex(const std::uint8_t* bytes, std::size_t n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < n; ++i) {
    if (i) text += ' ';
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

TEST(TrackRecord, WorkedRecordEncodesAndDecodes) {
  const TrackPointRecord record = EncodeRecord(1333361700, 25.0f, 121.5f, 100.0f);
  EXPECT_EQ(Hex(record.bytes.data(), 16), "24 7C 79 4F 00 00 C8 41 00 00 F3 42 00 C8 42 DC");
  EXPECT_TRUE(IsValidRecord(record));
  EXPECT_EQ(RecordChecksum(record), 0xDC);

  const TrackPoint point = DecodeRecord(record);
  EXPECT_EQ(point.time, 1333361700);
  EXPECT_EQ(point.latitude, 25.0);
  EXPECT_EQ(point.longitude, 121.5);
  EXPECT_EQ(point.height, 100.0);
}

TEST(TrackRecord, ChecksumAndSpecialSlots) {
  TrackPointRecord record = EncodeRecord(1333361700, 25.0f, 121.5f, 100.0f);
  for (int bit = 0; bit < 8; ++bit) {
    TrackPointRecord damaged = record;
    damaged.bytes[15] ^= static_cast<std::uint8_t>(1 << bit);
    EXPECT_FALSE(IsValidRecord(damaged)) << "bit " << bit;
  }
  // A separator slot never passes the checksum; an erased slot does, with time -1, but its
  // numbers are not finite, so it is no valid record.
  const auto* separator = reinterpret_cast<const std::uint8_t*>("PELMOTR410LOGGER");
  EXPECT_TRUE(IsSeparatorSlot(separator));
  EXPECT_FALSE(IsValidRecord(RecordFromBytes(separator)));
  EXPECT_NE(RecordChecksum(RecordFromBytes(separator)), separator[15]);

  std::uint8_t erased[16];
  std::fill(std::begin(erased), std::end(erased), 0xFF);
  EXPECT_TRUE(IsErasedSlot(erased));
  EXPECT_EQ(RecordChecksum(RecordFromBytes(erased)), 0xFF);
  EXPECT_FALSE(IsValidRecord(RecordFromBytes(erased)));
  EXPECT_EQ(DecodeRecord(RecordFromBytes(erased)).time, -1);

  std::uint8_t filler[16] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 1, 2, 3, 4, 5, 0xBB, 0xBB, 0xBB, 0xBB};
  EXPECT_TRUE(IsFillerSlot(filler));
  filler[6] = 0xAB;
  EXPECT_FALSE(IsFillerSlot(filler));
  EXPECT_TRUE(IsWaypointMarkerSlot(reinterpret_cast<const std::uint8_t*>("PELMOTR410WAYPNT")));
}

TEST(TrackRecord, HeightLosesOnlyItsLowestMantissaByte) {
  const float height = 123.456f;
  const double back = DecodeRecord(EncodeRecord(0, 0, 0, height)).height;
  EXPECT_LT(back, height);
  EXPECT_LT((height - back) / height, 1.0 / 65536);
  EXPECT_EQ(back, test::StoredHeight(height));
  // Negative heights keep their sign (it lives in the stored upper byte).
  EXPECT_EQ(DecodeRecord(EncodeRecord(0, 0, 0, -20.5f)).height, -20.5);
}

std::vector<std::int32_t> ReadTimes(TrackFileReader& reader) {
  std::vector<std::int32_t> times;
  TrackPoint point;
  while (reader.Next(point)) times.push_back(point.time);
  return times;
}

TEST(TrackFileReader, WholeRecordsOnlyDamagedSkippedPassesRepeat) {
  test::TempDir dir;
  TrackFileReader reader;

  test::WriteFileBytes(dir / "empty.trl", "");
  ASSERT_TRUE(reader.Open(dir / "empty.trl"));
  EXPECT_TRUE(ReadTimes(reader).empty());

  test::WriteFileBytes(dir / "short.trl", PackRecord({1000, 1, 2, 3}).substr(0, 15));
  ASSERT_TRUE(reader.Open(dir / "short.trl"));
  EXPECT_TRUE(ReadTimes(reader).empty());

  // 33 bytes: two records, the 33rd byte ignored.
  test::WriteFileBytes(dir / "odd.trl", PackRecord({1000, 1, 2, 3}) + PackRecord({2000, 1, 2, 3}) + "x");
  ASSERT_TRUE(reader.Open(dir / "odd.trl"));
  EXPECT_EQ(ReadTimes(reader), (std::vector<std::int32_t>{1000, 2000}));

  // Damaged records and a separator slot are skipped; a second pass sees the same records,
  // also across the reader's chunk boundary.
  std::string bytes;
  std::vector<std::int32_t> expected;
  for (int i = 0; i < 10000; ++i) {
    std::string record = PackRecord({i, 1.5f, 2.5f, 3.0f});
    if (i % 7 == 3) record[15] ^= 0x10;
    else expected.push_back(i);
    bytes += record;
    if (i == 4095) bytes += "PELMOTR410LOGGER";
  }
  test::WriteFileBytes(dir / "many.trl", bytes);
  ASSERT_TRUE(reader.Open(dir / "many.trl"));
  EXPECT_EQ(ReadTimes(reader), expected);
  reader.Rewind();
  EXPECT_EQ(ReadTimes(reader), expected);
  EXPECT_TRUE(reader.Error().empty());
}

TEST(TrackFileReader, MissingFileFolderAndFifoAreErrors) {
  test::TempDir dir;
  TrackFileReader reader;
  EXPECT_FALSE(reader.Open(dir / "absent.trl"));
  EXPECT_NE(reader.Error().find("absent.trl"), std::string::npos);
  EXPECT_TRUE(ReadTimes(reader).empty());
  EXPECT_FALSE(reader.Open(dir.path()));
  EXPECT_FALSE(reader.Error().empty());
  // A FIFO is refused without waiting for a writer.
  if (!test::kFileSystemHasFifos) return;
  ASSERT_TRUE(test::MakeFifo(dir / "fifo.trl"));
  EXPECT_TRUE(test::ReturnsWithoutWriter(dir / "fifo.trl",
                                         [&] { EXPECT_FALSE(reader.Open(dir / "fifo.trl")); }));
  EXPECT_EQ(reader.Error(), (dir / "fifo.trl").string() + " is a FIFO, not a regular file");
  EXPECT_TRUE(ReadTimes(reader).empty());
}

} // namespace
} // namespace divuzo
