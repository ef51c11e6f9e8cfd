// The track-log settings: the unit conversion, which commands Apply sends, and Read, Apply and
// Clear against the virtual device's logger settings.
#include "TransferFixture.h"

#include "serial/DeviceProtocol.h"
#include "trackdata/TrackLogSettings.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

TEST(TrackLogUnits, FeetAndMetresAreTruncated) {
  EXPECT_EQ(FeetFromMeters(33), 108);   // 108.24
  EXPECT_EQ(MetersFromFeet(108), 32);   // 32.93
  EXPECT_EQ(FeetFromMeters(100), 328);  // exact: no foot lost to rounding
  EXPECT_EQ(FeetFromMeters(25), 82);
  EXPECT_EQ(MetersFromFeet(328), 100);
  EXPECT_EQ(FeetFromMeters(0), 0);
}

TEST(TrackLogUnits, ApplySendsOnlyWhatChanged) {
  const TrackLogSettings known;
  EXPECT_TRUE(ApplyCommands(known, known, false).empty());
  EXPECT_TRUE(ApplyCommands(known, known, true).empty());

  TrackLogSettings wanted = known;
  wanted.recording = kRecordingOff;
  wanted.logBy = kLogByDistance;
  wanted.intervalSeconds = 25;
  wanted.distanceMeters = 32;
  wanted.distanceFeet = 108;
  wanted.recordMode = 2;
  EXPECT_EQ(ApplyCommands(known, wanted, false),
            (std::vector<LoggerCommand>{{11, 0, 0}, {1, 1, 3}, {1, 3, 25}, {1, 4, 32}, {1, 6, 2}}));

  // With feet shown the feet value decides, and the device still gets metres (parameter 4).
  TrackLogSettings feet = known;
  feet.distanceFeet = 329;
  feet.distanceMeters = MetersFromFeet(329);
  EXPECT_EQ(ApplyCommands(known, feet, true), (std::vector<LoggerCommand>{{1, 4, 100}}));
  EXPECT_TRUE(ApplyCommands(known, feet, false).empty());
  TrackLogSettings on = known;
  on.recording = kRecordingOff;
  EXPECT_EQ(ApplyCommands(on, known, false), (std::vector<LoggerCommand>{{10, 0, 0}}));
}

class TrackLogSettingsTest : public test::TransferFixture {
 protected:
  void Open(vdev::DeviceOptions options = {}) {
    NewDevice({}, options);
    session.SelectFromLists(device->Path(), -1);
    ASSERT_TRUE(session.portOpen.load());
  }
  DeviceProtocol& protocol = session.Protocol();
};

TEST_F(TrackLogSettingsTest, ReadApplyAndClearTalkToTheLogger) {
  Open();
  device->State().loggerParameters[3] = 25;  // two digits: read whole, not cut to "2"
  device->State().loggerParameters[4] = 150;
  device->State().loggerParameters[6] = 2;
  const SettingsRead read = ReadTrackLogSettings(protocol, TrackLogSettings{});
  ASSERT_TRUE(read.answered);
  EXPECT_EQ(read.values.intervalSeconds, 25);
  EXPECT_EQ(read.values.distanceMeters, 150);
  EXPECT_EQ(read.values.distanceFeet, 492);
  EXPECT_EQ(read.values.recordMode, 2);
  EXPECT_EQ(read.values.logBy, kLogByTime);
  EXPECT_EQ(read.values.recording, kRecordingOn);
  EXPECT_TRUE(read.recordingSwitchedOn);
  EXPECT_EQ(device->CountReceived("$PMTK182,10*14"), 1);

  // An interval of 0 means the device logs by distance.
  device->State().loggerParameters[3] = 0;
  EXPECT_EQ(ReadTrackLogSettings(protocol, TrackLogSettings{}).values.logBy, kLogByDistance);

  TrackLogSettings known = read.values;
  TrackLogSettings wanted = known;
  wanted.intervalSeconds = 5;
  wanted.recordMode = 1;
  const Status applied = ApplyTrackLogSettings(protocol, known, wanted, false);
  EXPECT_TRUE(applied.Ok()) << applied.detail;
  EXPECT_EQ(known, wanted);
  EXPECT_EQ(device->State().loggerParameters[3], 5);
  EXPECT_EQ(device->State().loggerParameters[6], 1);

  const Status cleared = ClearTrackLog(protocol);
  EXPECT_TRUE(cleared.Ok());
  EXPECT_EQ(cleared.textId, kTextClearDone);
  EXPECT_EQ(device->CountReceived("$PMTK182,6,1*3E"), 1);
}

TEST_F(TrackLogSettingsTest, SilentLoggerKeepsTheKnownValuesAndSaysSo) {
  vdev::DeviceOptions silent;
  silent.faults.silent = true;
  Open(silent);
  const TrackLogSettings before;
  const SettingsRead read = ReadTrackLogSettings(protocol, before);
  EXPECT_FALSE(read.answered);
  EXPECT_EQ(read.values, before);

  TrackLogSettings known = before;
  TrackLogSettings wanted = before;
  wanted.intervalSeconds = 30;
  wanted.recordMode = 2;
  const Status applied = ApplyTrackLogSettings(protocol, known, wanted, false);
  EXPECT_EQ(applied.code, StatusCode::NoAnswer);
  EXPECT_EQ(applied.textId, kTextSettingRefused);
  // Nothing was taken, so the next Apply sends it again.
  EXPECT_EQ(known, before);
  EXPECT_EQ(ApplyCommands(known, wanted, false).size(), 2u);
  EXPECT_EQ(ClearTrackLog(protocol).textId, kTextClearFailed);
}

}  // namespace
}  // namespace divuzo
