// The logger's memory download against the virtual logger in the same process, on the test
// clock: byte-exact images, the files of a download, every chunk fault of the device, a cancel,
// and reading only what is new.
#include "LoggerFixture.h"
#include "ScratchRegistry.h"
#include "TestJpeg.h"

#include "platform/RegistryStore.h"
#include "serial/LoggerSinceLast.h"
#include "serial/Sentence.h"
#include "trackdata/TrackPointRecord.h"
#include "update/BtAddress.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace divuzo {
namespace {

using test::Sent;
using vdev::DeviceOptions;

// Slots of device memory counted by hand: records, and those announced as waypoints.
struct SlotCount {
  long records = 0;
  long waypoints = 0;
};
SlotCount CountSlots(const std::string& memory) {
  SlotCount count;
  bool markerBefore = false;
  for (std::size_t sector = 0; sector < memory.size(); sector += 0x10000) {
    for (std::size_t at = sector + 512; at < sector + 0x10000; at += 16) {
      const std::string slot = memory.substr(at, 16);
      const bool marker = slot == "PELMOTR410WAYPNT";
      if (slot == std::string(16, '\xFF') || slot == "PELMOTR410LOGGER" || marker ||
          (slot.substr(0, 7) == std::string(7, '\xAA') &&
           slot.substr(12) == std::string(4, '\xBB'))) {
        markerBefore = marker;
        continue;
      }
      ++count.records;
      if (markerBefore) ++count.waypoints;
      markerBefore = false;
    }
  }
  return count;
}

class LoggerDownload : public test::LoggerFixture {
 protected:
  // Files of the folder whose names contain `part`.
  std::vector<std::string> Named(const std::string& part) {
    std::vector<std::string> names;
    for (const auto& name : Folder())
      if (name.find(part) != std::string::npos) names.push_back(name);
    return names;
  }
  std::uintmax_t Size(const std::string& name) { return std::filesystem::file_size(out / name); }
};

TEST_F(LoggerDownload, WholeMemoryIsByteExactAndBecomesTrackFiles) {
  Connect(Logger());
  ASSERT_EQ(logger.usedEnd, 0x200000u);  // the generated memory has gone round: it is all used
  const LogDownloadResult r = Download();
  ASSERT_TRUE(r.status.Ok()) << r.message;
  EXPECT_EQ(r.status.textId, kTextLogDownloadDone);
  EXPECT_EQ(r.extent, 0x200000u);
  EXPECT_EQ(r.bytesTaken, 0x200000u);
  EXPECT_TRUE(r.missing.empty());
  EXPECT_TRUE(Image() == DeviceMemory(0x200000));
  EXPECT_EQ(device->Logger()->ReadCommands(), 32);

  // Six tracks (two separators in a row give no file), the waypoints, a KML file beside each.
  const SlotCount expected = CountSlots(DeviceMemory(0x200000));
  const auto tracks = Named("_T-410_Start_");
  ASSERT_EQ(tracks.size(), 12u);
  std::uintmax_t trackBytes = 0;
  for (const auto& name : tracks)
    if (name.ends_with(".trl")) trackBytes += Size(name);
  EXPECT_EQ(trackBytes / 16, static_cast<std::uintmax_t>(expected.records - expected.waypoints));
  EXPECT_EQ(Size("_T-410_Waypoints.trl") / 16, static_cast<std::uintmax_t>(expected.waypoints));
  EXPECT_EQ(Folder().size(), 1 + tracks.size() + 2);  // image, tracks, waypoints: nothing else
  // The memory had wrapped: its oldest track (at 0x30000) is the first file by name, and the
  // newest (at the start of the memory) the last.
  std::vector<std::string> trl;
  for (const auto& name : tracks)
    if (name.ends_with(".trl")) trl.push_back(name);
  const std::string oldest = test::ReadFileBytes(out / trl.front()).substr(0, 16);
  EXPECT_EQ(oldest, DeviceMemory(0x200000).substr(0x30000 + 512, 16));

  // Every file announced once, the image first.
  ASSERT_EQ(announced.size(), Folder().size());
  EXPECT_EQ(announced.front(), FileStatusPrefix() + " " + (out / "Vorur.trl").string());
  EXPECT_EQ(r.files.size(), announced.size());
}

TEST_F(LoggerDownload, UsedEndDecidesTheBlocksAndTheProgress) {
  DeviceOptions o = Logger();
  o.logger.usedEnd = 0x1F000;
  Connect(o);
  ASSERT_EQ(logger.usedEnd, 0x1F000u);
  std::vector<int> percents;
  ProgressFunction sink([&](const Progress& p) {
    if (p.value >= 0) percents.push_back(p.value);
  });
  session.progress = &sink;
  const LogDownloadResult r = Download();
  ASSERT_TRUE(r.status.Ok()) << r.message;
  EXPECT_EQ(device->CountReceived(Sent("PMTK182,7,0,10000")), 1);
  EXPECT_EQ(device->CountReceived(Sent("PMTK182,7,10000,10000")), 1);
  EXPECT_EQ(device->Logger()->ReadCommands(), 2);
  EXPECT_TRUE(Image() == DeviceMemory(0x20000));
  // One report per chunk, then 100. Chunk 0x800 of block 0x10000: 0x10800 * 100 / 0x1FFFF = 51.
  ASSERT_EQ(percents.size(), 65u);
  EXPECT_EQ(percents[33], 51);
  EXPECT_EQ(percents.back(), 100);
  // Every read command follows the numbered command 6.
  EXPECT_EQ(device->CountReceived(Sent("RADED410,6")), 2);
}

TEST_F(LoggerDownload, EveryChunkFaultEndsExactOrNamesWhatIsMissing) {
  for (const test::FaultCase& c : test::FaultCases(session.timing.loggerWatchdogMs)) {
    SCOPED_TRACE(c.name);
    test::ClearFolder(out.path());
    DeviceOptions o = Logger();
    o.logger.usedEnd = test::kFaultMemoryEnd;
    c.fault(o.logger);
    Connect(o);
    const LogDownloadResult r = Download();
    const auto log = device->LogLines();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& l) {
      return l.find(c.struck) != std::string::npos;
    }));
    test::ExpectFaultOutcome(c, r, out.path(), DeviceMemory(test::kFaultMemoryEnd));
  }
}

TEST_F(LoggerDownload, AChunkThatNeverComesIsAskedForABoundedNumberOfTimes) {
  DeviceOptions o = Logger();
  o.logger.usedEnd = 0x20000;
  o.logger.dropChunk = 40;
  o.logger.faultTimes = 0;
  Connect(o);
  const LogDownloadResult r = Download();
  EXPECT_EQ(r.status.code, StatusCode::Failed);
  EXPECT_EQ(r.missing, (std::vector<MemoryRange>{{0x14000, 0x14800}}));
  // Block 0 once; block 1 whole, again from chunk 40 (0x14000), then from the chunk after it.
  std::vector<std::string> reads;
  for (const auto& s : device->ReceivedSentences())
    if (s.rfind("$PMTK182,7,", 0) == 0) reads.push_back(s.substr(0, s.find('*')));
  EXPECT_EQ(reads, (std::vector<std::string>{"$PMTK182,7,0,10000", "$PMTK182,7,10000,10000",
                                             "$PMTK182,7,14000,C000", "$PMTK182,7,14800,B800"}));
}

TEST_F(LoggerDownload, NoLineMeansNoDownload) {
  const LogDownloadResult r = Download();
  EXPECT_EQ(r.status.code, StatusCode::PortUnusable);
  EXPECT_EQ(r.message, "Upload Failed! No Device Connected! ");
  EXPECT_TRUE(Folder().empty());
}

TEST_F(LoggerDownload, CancelRestoresTheLineAndLeavesTheFolderAsItWas) {
  DeviceOptions o = Logger();
  o.logger.usedEnd = 0x80000;
  Connect(o);
  test::WriteFileBytes(out / "Vorur.trl", "an earlier image");
  ProgressFunction cancelAtQuarter([&](const Progress& p) {
    if (p.value >= 25) session.cancel.Cancel();
  });
  session.progress = &cancelAtQuarter;
  LogDownloadRequest request = Request();
  request.speed = LoggerSpeed::Fast;
  const LogDownloadResult r = Download(request);
  EXPECT_EQ(r.status.code, StatusCode::Cancelled);
  EXPECT_EQ(r.status.textId, kTextDownloadCancelled);
  EXPECT_TRUE(r.highSpeed);
  // The logger was told 921600 and then 38400; the line is back at its own rate and let go.
  const auto log = device->LogLines();
  const auto fast = std::find(log.begin(), log.end(), "logger: speed 921600");
  ASSERT_NE(fast, log.end());
  EXPECT_NE(std::find(fast, log.end(), "logger: speed 38400"), log.end());
  EXPECT_EQ(device->LineSpeed(), 115200u);
  EXPECT_EQ(session.highSpeedLink.load(), 0);
  EXPECT_FALSE(session.IsOpen());
  EXPECT_TRUE(logger.connectMode);
  EXPECT_EQ(device->ReceivedSentences().back(), "$RADED410,2*7D");
  // Nothing new in the folder, no temporary file left.
  EXPECT_EQ(Folder(), std::vector<std::string>{"Vorur.trl"});
  EXPECT_EQ(Image(), "an earlier image");
  EXPECT_LT(device->Logger()->ReadCommands(), 8);
}

TEST_F(LoggerDownload, FastLineSendsReadCommandsInPieces) {
  DeviceOptions o = Logger();
  o.logger.usedEnd = 0x10000;
  Connect(o);
  clock.ClearPauses();
  LogDownloadRequest request = Request();
  request.speed = LoggerSpeed::Fast;
  const LogDownloadResult r = Download(request);
  ASSERT_TRUE(r.status.Ok()) << r.message;
  EXPECT_TRUE(Image() == DeviceMemory(0x10000));
  // Speed command in two 16-byte pieces of 100 ms, the 500 ms switch, the read command in two
  // pieces of 50 ms at 921600, the restore likewise. No other pause.
  const std::vector<long> pauses = clock.Pauses();
  EXPECT_EQ(pauses, (std::vector<long>{100, 100, 500, 100, 100, 500}))
      << ::testing::PrintToString(pauses);
  EXPECT_EQ(device->LineSpeed(), 115200u);
}

// Memory with `records` records from sector 0 on, one every five seconds from ten days ago;
// its used end just past them.
std::vector<std::uint8_t> GrowingMemory(long records, std::time_t first) {
  std::vector<std::uint8_t> memory(0x200000, 0xFF);
  std::size_t at = 512;
  for (long i = 0; i < records; ++i) {
    if (at % 0x10000 == 0) at += 512;
    const TrackPointRecord r =
        EncodeRecord(static_cast<std::int32_t>(first + 5 * i), 35.0f, 139.0f + i * 1e-5f, 10);
    std::memcpy(&memory[at], r.bytes.data(), 16);
    at += 16;
  }
  return memory;
}

TEST_F(LoggerDownload, SinceLastReadsOnlyWhatIsNew) {
  test::TempDir config;
  test::ScratchCurrentUser registry;  // Windows: the registry, in a key of the test's own
  RegistryStore store(config / "registry.txt");
  const std::time_t first = std::time(nullptr) / 60 * 60 - 10 * 24 * 3600;
  DeviceOptions o = Logger();
  o.btAddress = std::array<std::uint8_t, 6>{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB};
  o.logger.memory = GrowingMemory(5000, first);
  o.logger.usedEnd = 0x200000 - 1;  // replaced below
  Connect(o);
  auto setUsedEnd = [&](std::uint32_t end) {
    device->Logger()->SetParameter(8, end);
    logger.usedEnd = end;
  };
  const std::uint32_t end1 = 512 + 4064 * 16 + 512 + (5000 - 4064) * 16;
  setUsedEnd(end1);
  LogDownloadRequest request = Request();
  request.sinceLast = true;
  request.store = &store;

  // No record of this unit yet: everything is read, and the end recorded.
  LogDownloadResult r = Download(request);
  ASSERT_TRUE(r.status.Ok()) << r.message;
  EXPECT_EQ(r.sinceLastTextId, kTextSinceLastNoRecord);
  EXPECT_EQ(r.from, 0u);
  EXPECT_EQ(
      StoredLastEnd("BT " + FormatBtAddressText({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}), &store),
      end1);
  const auto firstTracks = Named("_T-410_Start_");
  ASSERT_EQ(firstTracks.size(), 2u);  // one track and its KML

  // The logger records on (a new track after a separator); only block 1 on is read.
  std::vector<std::uint8_t>& memory = device->Logger()->Memory();
  std::memcpy(&memory[end1], "PELMOTR410LOGGER", 16);
  std::size_t at = end1 + 16;
  for (long i = 0; i < 1000; ++i, at += 16) {
    const TrackPointRecord rec =
        EncodeRecord(static_cast<std::int32_t>(first + 86400 + 5 * i), 36.0f, 140.0f, 5);
    std::memcpy(&memory[at], rec.bytes.data(), 16);
  }
  setUsedEnd(static_cast<std::uint32_t>(at));
  const int readsBefore = device->Logger()->ReadCommands();
  r = Download(request);
  ASSERT_TRUE(r.status.Ok()) << r.message;
  EXPECT_EQ(r.sinceLastTextId, kTextSinceLastPartial);
  EXPECT_EQ(r.from, 0x10000u);
  EXPECT_NE(SinceLastText(r).find("0x00010000"), std::string::npos);
  EXPECT_EQ(device->Logger()->ReadCommands() - readsBefore, 1);
  // The image is whole (the first block from the last image), the new track has only the new
  // records, and the old track file is still there.
  EXPECT_TRUE(Image() == DeviceMemory(0x20000));
  const auto tracks = Named("_T-410_Start_");
  ASSERT_EQ(tracks.size(), 4u);
  std::vector<std::string> fresh;
  for (const auto& name : tracks)
    if (name.ends_with(".trl") &&
        std::find(firstTracks.begin(), firstTracks.end(), name) == firstTracks.end())
      fresh.push_back(name);
  ASSERT_EQ(fresh.size(), 1u);
  EXPECT_EQ(Size(fresh[0]), 1000u * 16);

  // Nothing more: nothing read.
  r = Download(request);
  EXPECT_TRUE(r.status.Ok());
  EXPECT_EQ(r.status.textId, kTextSinceLastNothingNew);
  EXPECT_EQ(device->Logger()->ReadCommands() - readsBefore, 1);

  // Cleared since (the end went back): everything again, and why.
  setUsedEnd(0x8000);
  r = Download(request);
  EXPECT_EQ(r.sinceLastTextId, kTextSinceLastShrank);
  EXPECT_EQ(r.from, 0u);
}

TEST_F(LoggerDownload, PhotosAreCombinedIntoTheKmlFiles) {
  const std::time_t first = std::time(nullptr) / 60 * 60 - 10 * 24 * 3600;
  DeviceOptions o = Logger();
  o.logger.memory = GrowingMemory(200, first);
  o.logger.usedEnd = 512 + 200 * 16;
  Connect(o);
  // A photo taken at the 101st point, in local time (UTC + 9).
  test::TempDir photos;
  std::tm local{};
  const std::time_t taken = first + 500 + 9 * 3600;
  gmtime_r(&taken, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y:%m:%d %H:%M:%S", &local);
  test::TestPhoto photo;
  photo.dateTime = photo.dateTimeOriginal = stamp;
  test::WriteFileBytes(photos / "IMG_0101.JPG", test::MakeTestJpeg(photo));
  LogDownloadRequest request = Request();
  request.photoFolder = photos.path();
  request.photo.timeZoneHours = 9;
  const LogDownloadResult r = Download(request);
  ASSERT_TRUE(r.status.Ok()) << r.message;
  const auto kml = Named(".kml");
  ASSERT_EQ(kml.size(), 1u);
  std::string text = test::ReadFileBytes(out / kml[0]);
  text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());  // written as UTF-16
  EXPECT_NE(text.find("IMG_0101.JPG"), std::string::npos);
  EXPECT_EQ(announced.back(), FileStatusPrefix() + " " + (out / kml[0]).string());
}

TEST(SinceLastPlan, ReadsFromTheLastEndOnlyWhenThatIsSound) {
  // The end grew and the last image is there: from the block of the last end.
  SinceLastPlan p = PlanSinceLast(0x14010, 0x30000, 0x20000);
  EXPECT_TRUE(p.partial);
  EXPECT_EQ(p.from, 0x10000u);
  EXPECT_EQ(p.newFrom, 0x14010u);
  EXPECT_EQ(PlanSinceLast(std::nullopt, 0x30000, 0x20000).textId, kTextSinceLastNoRecord);
  EXPECT_EQ(PlanSinceLast(0x14010, std::nullopt, 0x20000).textId, kTextSinceLastNoUsedEnd);
  EXPECT_EQ(PlanSinceLast(0x14010, 0, 0x20000).textId, kTextSinceLastNoUsedEnd);
  EXPECT_EQ(PlanSinceLast(0x14010, 0x14000, 0x20000).textId, kTextSinceLastShrank);
  // A full memory may have gone round: never trusted.
  EXPECT_EQ(PlanSinceLast(0x14010, 0x200000, 0x200000).textId, kTextSinceLastShrank);
  EXPECT_TRUE(PlanSinceLast(0x14010, 0x14010, 0x20000).nothingNew);
  EXPECT_EQ(PlanSinceLast(0x14010, 0x30000, 0xFFFF).textId, kTextSinceLastNoImage);
}

TEST_F(LoggerDownload, UnitWithoutAnAddressIsKnownByModelAndFirmware) {
  Connect(Logger());
  EXPECT_EQ(LoggerUnitIdentity(session), "T-410 V1.23");
}

}  // namespace
}  // namespace divuzo
