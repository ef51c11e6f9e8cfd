// Made-up logger memory through the block filter and the track splitter.
#include "TempDir.h"
#include "TrackTestSupport.h"
#include "trackdata/LogBlockFilter.h"
#include "trackdata/TrackSplitter.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

using test::PackRecord;

constexpr std::int32_t kApril2 = 1333361700;  // 2012-04-02 10:15:00 UTC
const std::string kSeparator = "PELMOTR410LOGGER";
const std::string kWaypoint = "PELMOTR410WAYPNT";
const std::string kErased(16, '\xFF');
const std::string kFiller = std::string(7, '\xAA') + "12345" + std::string(4, '\xBB');

std::string Rec(std::int32_t secondsAfter) { return PackRecord({kApril2 + secondsAfter, 35.0f, 139.0f, 10.0f}); }

std::string Damaged(std::int32_t secondsAfter) {
  std::string record = Rec(secondsAfter);
  record[2] ^= 0x40;
  return record;
}

// A 64 KiB block: a sector header holding a valid-looking record (which must be ignored), then
// the given slots, then erased memory.
std::vector<std::uint8_t> Block(const std::vector<std::string>& slots) {
  std::vector<std::uint8_t> block(LogBlockFilter::kBlockBytes, 0xFF);
  const std::string header = Rec(5000);
  std::copy(header.begin(), header.end(), block.begin());
  std::size_t offset = LogBlockFilter::kSectorHeaderBytes;
  for (const std::string& slot : slots) {
    std::copy(slot.begin(), slot.end(), block.begin() + static_cast<long>(offset));
    offset += 16;
  }
  return block;
}

class LogMemory : public ::testing::Test {
protected:
  LogMemory() : filter_(LocalTimeBase::FixedHours(9), 2012) {}
  void Feed(const std::vector<std::string>& slots) {
    const auto block = Block(slots);
    filter_.FilterLogBlock(block.data(), block.size());
  }
  // Times (seconds after kApril2) of the ordered list; separators as -1, waypoints +100000.
  std::vector<int> Ordered() const {
    std::vector<int> out;
    for (const auto& entry : filter_.OrderedList()) {
      if (IsSeparatorSlot(entry.slot.bytes.data())) out.push_back(-1);
      else out.push_back(DecodeRecord(entry.slot).time - kApril2 + (entry.waypoint ? 100000 : 0));
    }
    return out;
  }
  SplitResult Split(bool total, std::vector<std::string>* lines = nullptr) {
    SplitOptions options;
    options.folder = dir_.path();
    options.prefix = "DEV";
    options.writeTotal = total;
    options.waypointMarkerMet = filter_.WaypointCount() > 0;
    options.localTime = LocalTimeBase::FixedHours(9);
    return SplitTracks(filter_.OrderedList(), options, [lines](const std::string& line) {
      if (lines) lines->push_back(line);
    });
  }
  std::string Name(const std::filesystem::path& path) { return path.filename().string(); }

  LogBlockFilter filter_;
  test::TempDir dir_;
};

TEST_F(LogMemory, WrappedMemoryIsReadFromTheWrapPoint) {
  Feed({Rec(300), Rec(400), Rec(100), Rec(200)});
  EXPECT_TRUE(filter_.Wrapped());
  EXPECT_EQ(Ordered(), (std::vector<int>{100, 200, 300, 400}));

  // The wrap point can arrive in a later block; separators travel with their neighbours.
  filter_.Reset();
  EXPECT_TRUE(filter_.OrderedList().empty());
  Feed({Rec(500), kSeparator, Rec(600)});
  EXPECT_EQ(Ordered(), (std::vector<int>{500, -1, 600}));
  Feed({Rec(50), kSeparator, Rec(70)});
  EXPECT_EQ(Ordered(), (std::vector<int>{50, -1, 70, 500, -1, 600}));
}

TEST_F(LogMemory, SkipsFillersErasedDamagedAndOutOfWindowYears) {
  const std::int32_t year = 365 * 86400;
  Feed({Rec(-4 * year), kFiller, Rec(-3 * year + 86400 * 2), kErased, Damaged(2), Rec(3), Rec(3 * year),
        Rec(5 * year)});
  // Times are seconds after 2012-04-02; 2008 and 2017 lie outside 2009..2015.
  const std::vector<int> ordered = Ordered();
  EXPECT_EQ(ordered, (std::vector<int>{-3 * year + 86400 * 2, 3, 3 * year}));
  EXPECT_EQ(filter_.ValidCount(), 3);
  EXPECT_FALSE(filter_.Wrapped());
  // The header's record at offset 0 was never looked at.
  EXPECT_EQ(std::count(ordered.begin(), ordered.end(), 5000), 0);
}

TEST_F(LogMemory, WaypointMarkerFlagsTheNextAcceptedRecord) {
  // Marker, damaged slot, valid record: the valid record is the waypoint.
  Feed({Rec(1), kWaypoint, Damaged(2), Rec(3), Rec(4)});
  EXPECT_EQ(Ordered(), (std::vector<int>{1, 100003, 4}));
  EXPECT_EQ(filter_.WaypointCount(), 1);

  // A marker in the last slot of a block announces the first slot of the next block.
  filter_.Reset();
  std::vector<std::string> full((LogBlockFilter::kBlockBytes - LogBlockFilter::kSectorHeaderBytes) / 16, kErased);
  full[0] = Rec(10);
  full.back() = kWaypoint;
  Feed(full);
  Feed({Rec(20), Rec(30)});
  EXPECT_EQ(Ordered(), (std::vector<int>{10, 100020, 30}));
}

TEST_F(LogMemory, SplitterWritesTracksTotalAndWaypoints) {
  Feed({kSeparator, Rec(0), Rec(60), kSeparator, kSeparator, kWaypoint, Rec(90), Rec(120), kSeparator});
  std::vector<std::string> lines;
  const SplitResult result = Split(true, &lines);
  ASSERT_TRUE(result.ok) << result.error;

  // Local time is UTC + 9 in the names; the second track's name starts at its waypoint.
  ASSERT_EQ(result.trackFiles.size(), 2u);
  EXPECT_EQ(Name(result.trackFiles[0]), "DEV_T-410_Start_20120402-191500_Finish_20120402-191600.trl");
  EXPECT_EQ(Name(result.trackFiles[1]), "DEV_T-410_Start_20120402-191630_Finish_20120402-191700.trl");
  EXPECT_EQ(Name(result.totalFile), "DEV_T-410_Total_Start_20120402-191500_Finish_20120402-191700.trl");
  EXPECT_EQ(Name(result.waypointFile), "DEV_T-410_Waypoints.trl");

  EXPECT_EQ(test::ReadFileBytes(result.trackFiles[0]), Rec(0) + Rec(60));
  EXPECT_EQ(test::ReadFileBytes(result.trackFiles[1]), Rec(120));
  EXPECT_EQ(test::ReadFileBytes(result.totalFile), Rec(0) + Rec(60) + Rec(120));
  EXPECT_EQ(test::ReadFileBytes(result.waypointFile), Rec(90));

  // Every file is announced, in the order tracks, total, waypoints, and nothing else is left.
  const auto files = result.AllFiles();
  ASSERT_EQ(lines.size(), files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(lines[i], FileStatusPrefix() + " " + files[i].string());
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 4);

  // Then a KML file beside each, announced in the same order.
  lines.clear();
  std::string error;
  const auto kmls = WriteDownloadKmlFiles(result, LocalTimeBase::FixedHours(9),
                                          [&](const std::string& line) { lines.push_back(line); }, &error);
  ASSERT_TRUE(error.empty()) << error;
  ASSERT_EQ(kmls.size(), 4u);
  EXPECT_EQ(Name(kmls[3]), "DEV_T-410_Waypoints.kml");
  EXPECT_EQ(lines.back(), FileStatusPrefix() + " " + kmls[3].string());
  const std::string waypointKml = test::ReadFileBytes(kmls[3]);
  EXPECT_NE(waypointKml.find("\r\nMon Apr 02 19:16:30 2012\r\n"), std::string::npos);
  EXPECT_NE(test::ReadFileBytes(kmls[0]).find("139.0000000,35.0000000,10.00 139.0000000,35.0000000,10.00 </coordinates>"),
            std::string::npos);
}

TEST_F(LogMemory, AdjacentSeparatorsGiveNoEmptyTrack) {
  Feed({Rec(0), kSeparator, kSeparator, Rec(10)});
  const SplitResult result = Split(false);
  ASSERT_TRUE(result.ok);
  ASSERT_EQ(result.trackFiles.size(), 2u);
  EXPECT_EQ(test::ReadFileBytes(result.trackFiles[0]), Rec(0));
  EXPECT_EQ(test::ReadFileBytes(result.trackFiles[1]), Rec(10));
  EXPECT_TRUE(result.totalFile.empty());
  EXPECT_TRUE(result.waypointFile.empty());
}

TEST_F(LogMemory, TracksWithTheSameTimesDoNotReplaceEachOther) {
  Feed({Rec(0), kSeparator, Rec(0)});
  const SplitResult result = Split(false);
  ASSERT_TRUE(result.ok);
  ASSERT_EQ(result.trackFiles.size(), 2u);
  EXPECT_NE(result.trackFiles[0], result.trackFiles[1]);
  EXPECT_TRUE(std::filesystem::exists(result.trackFiles[0]));
  EXPECT_TRUE(std::filesystem::exists(result.trackFiles[1]));
}

TEST(TrackRanges, SeparatorsAtBothEnds) {
  auto entry = [](const std::string& slot) {
    LogListEntry e;
    std::copy(slot.begin(), slot.end(), e.slot.bytes.begin());
    return e;
  };
  const std::vector<LogListEntry> list{entry(kSeparator), entry(Rec(1)), entry(Rec(2)), entry(kSeparator)};
  const auto tracks = FindTracks(list);
  ASSERT_EQ(tracks.size(), 1u);
  EXPECT_EQ(tracks[0].first, 1u);
  EXPECT_EQ(tracks[0].last, 2u);
  EXPECT_TRUE(FindTracks({entry(kSeparator)}).empty());
}

} // namespace
} // namespace divuzo
