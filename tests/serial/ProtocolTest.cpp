// The sentence senders against divuzo-vdev over a real pseudo-terminal.
#include "DeviceFixture.h"

#include "serial/Sentence.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace divuzo {
namespace {

using test::VdevProcess;

// Short polls; the limits still leave an answering device half a second or more, so a
// loaded machine does not turn a late answer into a failure.
LinkTiming ShortTiming() {
  LinkTiming t = test::QuickTiming();
  t.pollMs = 10;
  t.logPolls = 50;
  t.sendOnlyPieceSleepMs = 5;
  t.logExchangeAttempts = 3;
  t.logExchangeResends = 2;
  return t;
}

class Protocol : public test::DeviceFixture {
protected:
  Protocol() : DeviceFixture(ShortTiming()) {}
  // Starts a device and selects its port.
  void Start(std::vector<std::string> args) {
    vdev = std::make_unique<VdevProcess>(std::move(args));
    ASSERT_TRUE(vdev->Started());
    channel.SelectFromLists(vdev->PortPath(), -1);
    ASSERT_TRUE(portOpen.load()) << channel.LastError().message;
  }
};

TEST_F(Protocol, FixedQueriesGetTheirReplies) {
  Start({"--model", "KTRTONIC", "--firmware", "205", "--hardware", "031"});
  const char* model = protocol.SendPlmQuery(810);
  ASSERT_NE(model, nullptr);
  EXPECT_STREQ(model, "$PPLM852,KTRTONIC*00\r\n");
  EXPECT_EQ(theUtilityManager.linkBusy.load(), 1);
  const char* firmware = protocol.SendPlmQuery(829);
  ASSERT_NE(firmware, nullptr);
  EXPECT_EQ(std::strncmp(firmware, "$PPLM861,205*", 13), 0);
  const char* hardware = protocol.SendPlmQuery(832);
  ASSERT_NE(hardware, nullptr);
  EXPECT_EQ(std::strncmp(hardware, "$PPLM865,031*", 13), 0);
  const char* selfCheck = protocol.SendPlmQuery(837);
  ASSERT_NE(selfCheck, nullptr);
  EXPECT_EQ(std::strncmp(selfCheck, "$PPLM900*", 9), 0);
  // What went over the wire, as the device received it.
  EXPECT_EQ(vdev->ReceivedSentences(),
            (std::vector<std::string>{"$PPLM810*38", "$PPLM829*32", "$PPLM832*38", "$PPLM837*3D"}));
}

TEST_F(Protocol, ReplySplitAcrossReadsIsJoined) {
  // The second half comes 60 ms later: several polls see only the first half.
  Start({"--split-replies", "--split-pause-ms", "60", "--model", "T2000C"});
  const char* model = protocol.SendPlmQuery(810);
  ASSERT_NE(model, nullptr);
  EXPECT_TRUE(IsCompleteReply(model, 256));
  EXPECT_EQ(std::strncmp(model, "$PPLM852,T2000C*", 16), 0);
}

TEST_F(Protocol, NoiseBeforeRepliesIsSkipped) {
  Start({"--noise", "--model", "TR410", "--family", "logger", "--firmware", "321"});
  const char* ack = protocol.SendRadedCommand(3);
  ASSERT_NE(ack, nullptr);
  EXPECT_EQ(std::strncmp(ack, "$RADED001,3,321*", 16), 0);
}

TEST_F(Protocol, NumberedCommandsWaitForTheirOwnAcknowledgement) {
  Start({"--model", "TR410"});
  const char* two = protocol.SendRadedCommand(2);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(std::strncmp(two, "$RADED001,2*", 12), 0);
  const char* seven = protocol.SendRadedCommand(7);
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(std::strncmp(seven, "$RADED001,7,C12*", 16), 0);
  // A plain fixed-query device does not answer the numbered command.
  Start({"--model", "ZID310"});
  EXPECT_EQ(protocol.SendRadedCommand(1), nullptr);
}

TEST_F(Protocol, SilentDeviceGivesNothingAfterThePolls) {
  Start({"--silent"});
  EXPECT_EQ(protocol.SendPlmQuery(810), nullptr);
  EXPECT_EQ(protocol.SendRadedCommand(1), nullptr);
  EXPECT_EQ(protocol.SendLogCommand(1, 3, 50), nullptr);
  EXPECT_EQ(vdev->WaitReceived("$PMTK182,1,3,50*12", 1), 1);
}

TEST_F(Protocol, EchoIsNeverTakenForAReply) {
  Start({"--echo-only"});
  // The echo of "$PMTK182,2,3..." begins with the awaited "$PMTK182" but is not a reply.
  EXPECT_EQ(protocol.SendLogCommand(2, 3, 0), nullptr);
  // The memory read takes one look: an echo alone reads "NONE".
  const char* one = protocol.SendLogCommand(7, 0x1F000, 0x400);
  ASSERT_NE(one, nullptr);
  EXPECT_STREQ(one, "NONE");
  EXPECT_EQ(vdev->WaitReceived("$PMTK182,7,1F000,400*51", 1), 1);
}

TEST_F(Protocol, ReplyAfterAnEchoIsStillFound) {
  Start({"--echo"});
  const char* set = protocol.SendLogCommand(1, 6, 1234);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(std::strncmp(set, "$PMTK001,182,1,3*", 17), 0);
  const char* value = protocol.SendLogCommand(2, 6, 0);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(LogSettingValue(value, false), 1234);
}

TEST_F(Protocol, LoggerReplyAfterOtherTrafficIsFound) {
  Start({"--noise", "--echo"});
  const char* set = protocol.SendLogCommand(1, 6, 42);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(std::strncmp(set, "$PMTK001,182,1,3*", 17), 0);
  EXPECT_EQ(LogSettingValue(protocol.SendLogCommand(2, 6, 0), false), 42);
}

TEST_F(Protocol, LoggerExchangeSetsAndReadsParameters) {
  Start({"--model", "TR410"});
  ASSERT_FALSE(IsNotConnected(protocol.LogExchange(1, 2, 0x1F)));
  EXPECT_EQ(theUtilityManager.loggerRetryFlag.load(), 1);
  // The second field is dropped for a query, so a stray value cannot change the sentence.
  const char* hex = protocol.LogExchange(2, 2, 99);
  ASSERT_FALSE(IsNotConnected(hex));
  EXPECT_EQ(LogSettingValue(hex, true), 0x1F);
  ASSERT_FALSE(IsNotConnected(protocol.LogExchange(1, 10, 77)));
  EXPECT_EQ(LogSettingValue(protocol.LogExchange(2, 10, 0), false), 77);
  ASSERT_FALSE(IsNotConnected(protocol.LogExchange(400, 0, 0)));
  const auto sent = vdev->ReceivedSentences();
  EXPECT_EQ(sent, (std::vector<std::string>{"$PMTK182,1,2,1F*61", "$PMTK182,2,2*39", "$PMTK182,1,10,77*25",
                                            "$PMTK182,2,10*0A", "$PMTK400*36"}));
}

TEST_F(Protocol, LoggerExchangeGivesUpOnASilentDevice) {
  Start({"--silent"});
  protocol.Timing().logPolls = 2;
  EXPECT_TRUE(IsNotConnected(protocol.LogExchange(2, 3, 0)));
  EXPECT_EQ(theUtilityManager.loggerRetryFlag.load(), 1);
  // One send and two re-sends, then it stops.
  EXPECT_EQ(vdev->WaitReceived("$PMTK182,2,3*38", 3), 3);
  EXPECT_EQ(vdev->CountReceived("$PMTK182,2,3*38"), 3);
}

TEST_F(Protocol, PiecewiseSendingAtHighSpeed) {
  Start({"--model", "TR410"});
  theUtilityManager.highSpeedLink = 1;
  const char* ack = protocol.SendLogCommand(14, 38400, 0);
  ASSERT_NE(ack, nullptr);
  EXPECT_EQ(std::strncmp(ack, "$PMTK001,182,14,3*", 18), 0);
  EXPECT_TRUE(protocol.LogSendOnly(7, 0x1F000, 0x400));
  EXPECT_EQ(vdev->WaitReceived("$PMTK182,7,1F000,400*51", 1), 1);
  EXPECT_EQ(vdev->CountReceived("$PMTK182,14,38400*03"), 1);
}

// Writes a line and collects the reply up to its CR LF (empty when none comes in time).
std::string Exchange(SerialPort& channel, const std::string& line, int timeoutMs = 2000) {
  channel.Write(line.data(), line.size());
  std::string got;
  while (got.find("\r\n") == std::string::npos && channel.WaitReadable(timeoutMs)) {
    char buffer[80];
    const long n = channel.Read(buffer, sizeof buffer);
    if (n < 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

TEST_F(Protocol, DeviceReportsAndTakesItsBluetoothAddress) {
  Start({"--bt-address", "01:23:45:67:89:AB"});
  // Address query answered in the device's own order, with a checksum that frames it.
  EXPECT_EQ(Exchange(channel, "$PMTK492*3D\r\n"), FrameSentence("PMTK592,0123456789AB"));
  EXPECT_EQ(Exchange(channel, FrameSentence("PMTK392,665544,332211")), FrameSentence("PMTK010,001"));
  EXPECT_EQ(Exchange(channel, "$PMTK492*3D\r\n"), FrameSentence("PMTK592,665544332211"));
  // A sentence with a wrong checksum is not acted on.
  EXPECT_EQ(Exchange(channel, "$PMTK392,000000,000000*00\r\n", 300), "");
  EXPECT_EQ(Exchange(channel, "$PMTK492*3D\r\n"), FrameSentence("PMTK592,665544332211"));
}

TEST_F(Protocol, DeviceWithoutAnAddressIgnoresTheQuery) {
  Start({"--model", "ZID310"});
  EXPECT_EQ(Exchange(channel, "$PMTK492*3D\r\n", 300), "");
  EXPECT_EQ(vdev->WaitReceived("$PMTK492*3D", 1), 1);
}

TEST_F(Protocol, NotConnectedWhenNoPortIsOpen) {
  EXPECT_TRUE(IsNotConnected(protocol.SendPlmQuery(810)));
  EXPECT_TRUE(IsNotConnected(protocol.SendRadedCommand(2)));
  EXPECT_TRUE(IsNotConnected(protocol.SendLogCommand(1, 3, 50)));
  EXPECT_FALSE(protocol.LogSendOnly(7, 0, 0x400));

  // portOpen false while a line is held: the line is purged and closed.
  Start({});
  portOpen = false;
  EXPECT_TRUE(IsNotConnected(protocol.SendPlmQuery(810)));
  EXPECT_FALSE(channel.IsOpen());
}

TEST_F(Protocol, LineLostDuringAWaitEndsItAtOnce) {
  Start({"--hangup-after", "0"});
  protocol.Timing().pollMs = 1000;  // a lost line must not wait these out
  EXPECT_TRUE(IsNotConnected(protocol.SendPlmQuery(810)));
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_TRUE(IsNotConnected(protocol.SendPlmQuery(810)));
}

} // namespace
} // namespace divuzo
