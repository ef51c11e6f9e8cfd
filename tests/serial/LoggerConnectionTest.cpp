// The logger's connection, clear and settings against the virtual logger in the same process,
// checked on what the device received and holds afterwards.
#include "LoggerFixture.h"

#include "StringTable.h"
#include "serial/LoggerSettings.h"
#include "serial/Sentence.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace divuzo {
namespace {

using test::Sent;
using vdev::DeviceOptions;

class LoggerConnection : public test::LoggerFixture {
 protected:
  std::vector<int> stages;
  ProgressFunction stageLog{[this](const Progress& p) {
    if (p.stageTextId) stages.push_back(p.stageTextId);
  }};
};

TEST_F(LoggerConnection, ConnectReadsTheUsedEnd) {
  DeviceOptions o = Logger();
  o.logger.usedEnd = 0x1F000;
  NewDevice(o);
  const LoggerConnectResult r = ToggleLoggerConnection(session, logger, device->Path());
  EXPECT_TRUE(r.connected);
  EXPECT_EQ(logger.usedEnd, 0x1F000u);
  EXPECT_FALSE(logger.connectMode);
  EXPECT_EQ(session.device.kind, DeviceKind::T410);
  EXPECT_EQ(device->ReceivedSentences(),
            (std::vector<std::string>{Sent("PMTK400"), Sent("PMTK182,2,8")}));
  // With the line open a second connect says nothing.
  EXPECT_TRUE(ConnectLogger(session, logger, device->Path()).connected);
  EXPECT_EQ(device->ReceivedSentences().size(), 2u);
  // The toggle disconnects: goodbye, line closed, connect mode again.
  const LoggerConnectResult off = ToggleLoggerConnection(session, logger, device->Path());
  EXPECT_FALSE(off.connected);
  EXPECT_FALSE(session.IsOpen());
  EXPECT_TRUE(logger.connectMode);
  EXPECT_EQ(device->ReceivedSentences().back(), Sent("RADED410,2"));
}

TEST_F(LoggerConnection, ReconnectStartsAfresh) {
  DeviceOptions o = Logger();
  o.logger.usedEnd = 0x1F000;
  Connect(o);
  device->Logger()->SetParameter(8, 0x2F000);  // the logger recorded on meanwhile
  clock.ClearPauses();
  const LoggerConnectResult r = ReconnectLogger(session, logger, device->Path());
  EXPECT_TRUE(r.connected);
  EXPECT_FALSE(logger.connectMode);
  EXPECT_EQ(logger.usedEnd, 0x2F000u);
  EXPECT_EQ(clock.Pauses(), std::vector<long>{1500});
  // The line was closed and opened again: the connection's two sentences once more.
  EXPECT_EQ(device->CountReceived(Sent("PMTK400")), 2);
}

TEST_F(LoggerConnection, NoUsedEndMeansNotConnected) {
  DeviceOptions o = Logger();
  o.faults.silent = true;
  NewDevice(o);
  logger.usedEnd = 0x1000;  // from an earlier connection: not to be trusted any more
  const LoggerConnectResult r = ToggleLoggerConnection(session, logger, device->Path());
  EXPECT_FALSE(r.connected);
  EXPECT_EQ(r.status.textId, kTextReadAddressTimeout);
  EXPECT_EQ(LoadText(r.status.textId), "read Address: Timeout!");
  EXPECT_FALSE(logger.usedEnd.has_value());
  EXPECT_FALSE(session.IsOpen());
  EXPECT_TRUE(logger.connectMode);
  // Two exchanges, each a send and fifty re-sends.
  EXPECT_EQ(device->CountReceived(Sent("PMTK182,2,8")), 102);
}

TEST_F(LoggerConnection, PortThatCannotBeOpened) {
  NewDevice(Logger());
  const LoggerConnectResult r = ConnectLogger(session, logger, "/dev/no-such-logger");
  EXPECT_FALSE(r.connected);
  EXPECT_EQ(r.status.code, StatusCode::PortUnusable);
  EXPECT_NE(r.portError.kind, PortError::Kind::None);
}

TEST_F(LoggerConnection, ClearErasesTheMemory) {
  Connect(Logger());
  session.progress = &stageLog;
  const ClearResult r = ClearLogMemory(session, logger);
  ASSERT_TRUE(r.status.Ok());
  EXPECT_EQ(r.status.textId, kTextCleared);
  const auto& memory = device->Logger()->Memory();
  EXPECT_TRUE(std::all_of(memory.begin(), memory.end(), [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(r.freeRecords, 131072);
  EXPECT_EQ(ClearResultText(r), "ログデータを消去しました。空きレコード数: 131072");
  EXPECT_EQ(logger.usedEnd, 0u);
  EXPECT_EQ(stages, (std::vector<int>{kTextErasing, kTextReadingFreeMemory}));
  EXPECT_EQ(device->CountReceived(Sent("PMTK182,6,1")), 1);
}

TEST_F(LoggerConnection, ClearIsBoundedAndSaysWhy) {
  EXPECT_EQ(LoadText(ClearLogMemory(session, logger).status.textId),
            "Clear Failed! No Device Connected! ");
  DeviceOptions o = Logger();
  o.faults.silent = true;
  NewDevice(o);
  session.SelectFromLists(device->Path(), -1);
  const auto start = clock.Now();
  const ClearResult r = ClearLogMemory(session, logger);
  EXPECT_EQ(r.status.textId, kTextClearNoAnswer);
  EXPECT_EQ(device->CountReceived(Sent("PMTK182,6,1")), 2);
  // Each erase waits its 1000 polls of 38 ms, no more.
  EXPECT_EQ(Since(start), 2 * 1000 * 38);
}

TEST_F(LoggerConnection, SettingsReadShowsWhatTheDeviceHolds) {
  Connect(Logger());
  auto& d = *device->Logger();
  struct Case {
    long time, distance, mode;
    int timeRow, interval, distanceRow;
    long distanceValue;
    int recordMode;
  };
  // 50 tenths: 5 s, row 1. Below 5 tenths: row 0, and 1 s kept with it. 1000 tenths of a
  // metre: "100" (row 1). Below 50: row 0 ("50", kept as 500). A mode other than 2: overwrite.
  const Case cases[] = {
      {50, 1000, 2, 1, 5, 1, 1000, kRecordStopWhenFull},
      {4, 30, 3, 0, 1, 0, 500, kRecordOverwrite},
      {1200, 5000, 1, 6, 120, 4, 5000, kRecordOverwrite},
  };
  for (const Case& c : cases) {
    LoggerSettings settings;
    settings.Defaults();
    d.SetParameter(3, c.time);
    d.SetParameter(4, c.distance);
    d.SetParameter(6, c.mode);
    const Status s = settings.Read(session);
    EXPECT_EQ(s.textId, kTextSettingsRead);
    EXPECT_EQ(LoadText(s.textId), "Update Setting Successfully.");
    EXPECT_EQ(settings.values.timeRow, c.timeRow);
    EXPECT_EQ(settings.values.timeInterval, c.interval);
    EXPECT_EQ(settings.values.distanceRow, c.distanceRow);
    EXPECT_EQ(settings.values.distance, c.distanceValue);
    EXPECT_EQ(settings.values.recordMode, c.recordMode);
    EXPECT_EQ(settings.known.time, c.time);
    EXPECT_EQ(settings.known.distance, c.distance);
  }
  const auto sent = device->ReceivedSentences();
  EXPECT_EQ(
      std::vector<std::string>(sent.end() - 3, sent.end()),
      (std::vector<std::string>{Sent("PMTK182,2,6"), Sent("PMTK182,2,3"), Sent("PMTK182,2,4")}));
}

TEST_F(LoggerConnection, ApplySendsOnlyWhatDiffers) {
  Connect(Logger());
  LoggerSettings settings;
  settings.Defaults();
  ASSERT_TRUE(settings.Read(session).Ok());
  const std::size_t before = device->ReceivedSentences().size();
  settings.ChooseTimeRow(2);      // 10 s
  settings.ChooseDistanceRow(3);  // 300 m
  settings.ChooseRecordMode(kRecordStopWhenFull);
  session.progress = &stageLog;
  const Status s = settings.Apply(session);
  EXPECT_EQ(s.textId, kTextSettingsApplied);
  auto sent = device->ReceivedSentences();
  EXPECT_EQ(std::vector<std::string>(sent.begin() + static_cast<long>(before), sent.end()),
            (std::vector<std::string>{Sent("PMTK182,1,3,100"), Sent("PMTK182,1,4,3000"),
                                      Sent("PMTK182,1,6,2")}));
  EXPECT_EQ(device->Logger()->Parameter(3), 100);
  EXPECT_EQ(device->Logger()->Parameter(4), 3000);
  EXPECT_EQ(device->Logger()->Parameter(6), 2);
  EXPECT_EQ(stages, (std::vector<int>{kTextSettingTime, kTextSettingDistance, kTextSettingMode}));
  // Once acknowledged, applying again sends nothing.
  EXPECT_TRUE(settings.Apply(session).Ok());
  EXPECT_EQ(device->ReceivedSentences().size(), sent.size());
}

TEST_F(LoggerConnection, SettingsWithoutAnAnswer) {
  LoggerSettings settings;
  settings.Defaults();
  EXPECT_EQ(settings.Read(session).textId, kTextSettingsFailed);
  EXPECT_EQ(settings.Apply(session).code, StatusCode::PortUnusable);
  DeviceOptions o = Logger();
  o.faults.silent = true;
  NewDevice(o);
  session.SelectFromLists(device->Path(), -1);
  EXPECT_EQ(LoadText(settings.Read(session).textId), "Connection to Device Failed");
  // Unanswered sets leave the device's known values as they were: the next Apply tries again.
  EXPECT_EQ(settings.Apply(session).textId, kTextSettingsFailed);
  EXPECT_EQ(settings.known.time, 0);
}

TEST(LoggerSettingsPage, ListsRadiosAndDefaults) {
  LoggerSettings settings;
  settings.Defaults();
  EXPECT_EQ(settings.values, (LoggerSettingValues{true, 5, 1, 1000, 1, kRecordStopWhenFull, 0}));
  settings.feetMode = true;
  settings.Defaults();
  EXPECT_EQ(settings.values.distance, 304);
  settings.ChooseDistanceRow(5);
  EXPECT_EQ(settings.values.distance, 3048);  // 1000 ft
  settings.feetMode = false;
  settings.ChooseDistanceRow(0);
  EXPECT_EQ(settings.values.distance, 500);
  settings.ChooseTimeRow(6);
  EXPECT_EQ(settings.values.timeInterval, 120);
  settings.ChooseTimeRow(7);  // no such row: unchanged
  EXPECT_EQ(settings.values.timeRow, 6);
  settings.ChooseRecordMode(3);
  EXPECT_EQ(settings.values.recordMode, kRecordStopWhenFull);
  settings.ChooseLogBy(1);
  EXPECT_EQ(settings.values.logBy, 1);
  settings.SetRecording(false);
  EXPECT_EQ(settings.values.timeInterval, 0);
  EXPECT_EQ(settings.values.distance, 0);
  settings.SetRecording(true);
  EXPECT_EQ(settings.values.timeInterval, 1);
  EXPECT_EQ(settings.values.timeRow, 0);
  EXPECT_EQ(settings.values.distance, 500);
}

}  // namespace
}  // namespace divuzo
