// The sentence senders against the virtual device in the same process, with the production
// waits on a test clock: the limits themselves are checked, without being waited for.
#include "DeviceFixture.h"

#include "serial/Sentence.h"

#include <gtest/gtest.h>

#include <cstring>

namespace divuzo {
namespace {

using vdev::DeviceOptions;

class Protocol : public test::DeviceFixture {};

DeviceOptions Model(const char* model) {
  DeviceOptions o;
  o.model = model;
  return o;
}

TEST_F(Protocol, FixedQueriesGetTheirReplies) {
  DeviceOptions o = Model("KTRTONIC");
  o.firmware = "205";
  o.hardware = "031";
  Start(o);
  const char* model = protocol.SendPlmQuery(plm_query::kModel);
  ASSERT_NE(model, nullptr);
  EXPECT_STREQ(model, "$PPLM852,KTRTONIC*00\r\n");
  EXPECT_EQ(session.linkBusy.load(), 1);
  const char* firmware = protocol.SendPlmQuery(plm_query::kFirmwareVersion);
  ASSERT_NE(firmware, nullptr);
  EXPECT_EQ(std::strncmp(firmware, "$PPLM861,205*", 13), 0);
  const char* hardware = protocol.SendPlmQuery(plm_query::kHardwareVersion);
  ASSERT_NE(hardware, nullptr);
  EXPECT_EQ(std::strncmp(hardware, "$PPLM865,031*", 13), 0);
  const char* selfCheck = protocol.SendPlmQuery(plm_query::kSelfCheck);
  ASSERT_NE(selfCheck, nullptr);
  EXPECT_EQ(std::strncmp(selfCheck, "$PPLM900*", 9), 0);
  // What went over the wire, as the device received it.
  EXPECT_EQ(device->ReceivedSentences(),
            (std::vector<std::string>{"$PPLM810*38", "$PPLM829*32", "$PPLM832*38", "$PPLM837*3D"}));
}

TEST_F(Protocol, ReplySplitAcrossReadsIsJoined) {
  // The second half comes 60 ms later: the first reads see only the first half.
  DeviceOptions o = Model("T2000C");
  o.faults.splitReplies = true;
  o.faults.splitPauseMs = 60;
  Start(o);
  const auto start = clock.Now();
  const char* model = protocol.SendPlmQuery(plm_query::kModel);
  ASSERT_NE(model, nullptr);
  EXPECT_TRUE(IsCompleteReply(model, 256));
  EXPECT_EQ(std::strncmp(model, "$PPLM852,T2000C*", 16), 0);
  // Taken as soon as the second half was there, not at the end of the wait.
  EXPECT_EQ(Since(start), 60);
}

TEST_F(Protocol, NoiseBeforeRepliesIsSkipped) {
  DeviceOptions o = Model("TR410");
  o.faults.noise = true;
  o.firmware = "321";
  Start(o);
  const char* ack = protocol.SendRadedCommand(maker_command::kFirmwareVersion);
  ASSERT_NE(ack, nullptr);
  EXPECT_EQ(std::strncmp(ack, "$RADED001,3,321*", 16), 0);
}

TEST_F(Protocol, NumberedCommandsWaitForTheirOwnAcknowledgement) {
  Start(Model("TR410"));
  const char* two = protocol.SendRadedCommand(maker_command::kGoodbye);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(std::strncmp(two, "$RADED001,2*", 12), 0);
  const char* seven = protocol.SendRadedCommand(maker_command::kHardwareVersion);
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(std::strncmp(seven, "$RADED001,7,C12*", 16), 0);
  // A plain fixed-query device does not answer the numbered command.
  Start(Model("ZID310"));
  EXPECT_EQ(protocol.SendRadedCommand(maker_command::kPresenceProbe), nullptr);
}

TEST_F(Protocol, SilentDeviceGivesNothingAfterThePolls) {
  DeviceOptions o;
  o.faults.silent = true;
  Start(o);
  // A fixed query or numbered command waits 60 polls of 38 ms; a logger command 10.
  auto start = clock.Now();
  EXPECT_EQ(protocol.SendPlmQuery(plm_query::kModel), nullptr);
  EXPECT_EQ(Since(start), 60 * 38);
  start = clock.Now();
  EXPECT_EQ(protocol.SendRadedCommand(maker_command::kPresenceProbe), nullptr);
  EXPECT_EQ(Since(start), 60 * 38);
  start = clock.Now();
  EXPECT_EQ(protocol.SendLogCommand(logger_command::kSetParameter, 3, 50), nullptr);
  EXPECT_EQ(Since(start), 10 * 38);
  EXPECT_EQ(device->CountReceived("$PMTK182,1,3,50*12"), 1);
}

TEST_F(Protocol, EchoIsNeverTakenForAReply) {
  DeviceOptions o;
  o.faults.echoOnly = true;
  Start(o);
  // The echo of "$PMTK182,2,3..." begins with the awaited "$PMTK182" but is not a reply.
  EXPECT_EQ(protocol.SendLogCommand(logger_command::kQueryParameter, 3, 0), nullptr);
  // The memory read takes one look: an echo alone reads "NONE".
  const char* one = protocol.SendLogCommand(logger_command::kReadMemory, 0x1F000, 0x400);
  ASSERT_NE(one, nullptr);
  EXPECT_STREQ(one, "NONE");
  EXPECT_EQ(device->CountReceived("$PMTK182,7,1F000,400*51"), 1);
}

TEST_F(Protocol, ReplyAfterAnEchoIsStillFound) {
  DeviceOptions o;
  o.faults.echo = true;
  Start(o);
  const char* set = protocol.SendLogCommand(logger_command::kSetParameter, 6, 1234);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(std::strncmp(set, "$PMTK001,182,1,3*", 17), 0);
  const char* value = protocol.SendLogCommand(logger_command::kQueryParameter, 6, 0);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(LogSettingValue(value, false), 1234);
}

TEST_F(Protocol, LoggerReplyAfterOtherTrafficIsFound) {
  DeviceOptions o;
  o.faults.noise = true;
  o.faults.echo = true;
  Start(o);
  const char* set = protocol.SendLogCommand(logger_command::kSetParameter, 6, 42);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(std::strncmp(set, "$PMTK001,182,1,3*", 17), 0);
  EXPECT_EQ(LogSettingValue(protocol.SendLogCommand(logger_command::kQueryParameter, 6, 0), false), 42);
}

TEST_F(Protocol, LoggerExchangeSetsAndReadsParameters) {
  Start(Model("TR410"));
  ASSERT_FALSE(IsNotConnected(protocol.LogExchange(logger_command::kSetParameter, 2, 0x1F)));
  EXPECT_EQ(session.exchangeFinished.load(), 1);
  // The second field is dropped for a query, so a stray value cannot change the sentence.
  const char* hex = protocol.LogExchange(logger_command::kQueryParameter, 2, 99);
  ASSERT_FALSE(IsNotConnected(hex));
  EXPECT_EQ(LogSettingValue(hex, true), 0x1F);
  ASSERT_FALSE(IsNotConnected(protocol.LogExchange(logger_command::kSetParameter, 10, 77)));
  EXPECT_EQ(LogSettingValue(protocol.LogExchange(logger_command::kQueryParameter, 10, 0), false), 77);
  ASSERT_FALSE(IsNotConnected(protocol.LogExchange(logger_command::kConnect, 0, 0)));
  EXPECT_EQ(device->ReceivedSentences(),
            (std::vector<std::string>{"$PMTK182,1,2,1F*61", "$PMTK182,2,2*39", "$PMTK182,1,10,77*25",
                                      "$PMTK182,2,10*0A", "$PMTK400*36"}));
}

TEST_F(Protocol, LoggerExchangeGivesUpOnASilentDevice) {
  DeviceOptions o;
  o.faults.silent = true;
  Start(o);
  EXPECT_TRUE(IsNotConnected(protocol.LogExchange(logger_command::kQueryParameter, 3, 0)));
  EXPECT_EQ(session.exchangeFinished.load(), 1);
  // One send and fifty re-sends, then it stops.
  EXPECT_EQ(device->CountReceived("$PMTK182,2,3*38"), 51);
}

TEST_F(Protocol, PiecewiseSendingAtHighSpeed) {
  Start(Model("TR410"));
  session.highSpeedLink = 1;
  // 22 bytes: two pieces of at most 16 bytes, each followed by 100 ms.
  auto start = clock.Now();
  const char* ack = protocol.SendLogCommand(logger_command::kSetSpeed, 38400, 0);
  ASSERT_NE(ack, nullptr);
  EXPECT_EQ(std::strncmp(ack, "$PMTK001,182,14,3*", 18), 0);
  EXPECT_EQ(Since(start), 2 * 100);
  // A send-only memory read: 26 bytes, two pieces of 50 ms.
  start = clock.Now();
  EXPECT_TRUE(protocol.LogSendOnly(logger_command::kReadMemory, 0x1F000, 0x400));
  EXPECT_EQ(Since(start), 2 * 50);
  EXPECT_EQ(device->CountReceived("$PMTK182,7,1F000,400*51"), 1);
  EXPECT_EQ(device->CountReceived("$PMTK182,14,38400*03"), 1);
  // Without the fast link a line goes in one piece and costs no pause.
  session.highSpeedLink = 0;
  start = clock.Now();
  EXPECT_TRUE(protocol.LogSendOnly(logger_command::kReadMemory, 0x1F000, 0x400));
  EXPECT_EQ(Since(start), 0);
}

// Writes a line over the session's line and collects the reply up to its CR LF (empty when
// none comes within `timeoutMs`).
std::string Exchange(DeviceSession& session, const std::string& line, long timeoutMs = 2000) {
  Link& link = *session.Line();
  link.Write(line.data(), line.size());
  ReceiveBuffer received;
  WaitFor(link, received, DeadlineIn(link, timeoutMs),
          [](ReceiveBuffer& r, bool) { return r.View().find("\r\n") != std::string_view::npos; });
  return std::string(received.View());
}

TEST_F(Protocol, DeviceReportsAndTakesItsBluetoothAddress) {
  DeviceOptions o;
  o.btAddress = {{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}};
  Start(o);
  // Address query answered in the device's own order, with a checksum that frames it.
  EXPECT_EQ(Exchange(session, "$PMTK492*3D\r\n"), FrameSentence("PMTK592,0123456789AB"));
  EXPECT_EQ(Exchange(session, FrameSentence("PMTK392,665544,332211")), FrameSentence("PMTK010,001"));
  EXPECT_EQ(Exchange(session, "$PMTK492*3D\r\n"), FrameSentence("PMTK592,665544332211"));
  // A sentence with a wrong checksum is not acted on.
  EXPECT_EQ(Exchange(session, "$PMTK392,000000,000000*00\r\n", 300), "");
  EXPECT_EQ(Exchange(session, "$PMTK492*3D\r\n"), FrameSentence("PMTK592,665544332211"));
}

TEST_F(Protocol, DeviceWithoutAnAddressIgnoresTheQuery) {
  Start(Model("ZID310"));
  EXPECT_EQ(Exchange(session, "$PMTK492*3D\r\n", 300), "");
  EXPECT_EQ(device->CountReceived("$PMTK492*3D"), 1);
}

TEST_F(Protocol, NotConnectedWhenNoPortIsOpen) {
  NewDevice({});
  EXPECT_TRUE(IsNotConnected(protocol.SendPlmQuery(plm_query::kModel)));
  EXPECT_TRUE(IsNotConnected(protocol.SendRadedCommand(maker_command::kGoodbye)));
  EXPECT_TRUE(IsNotConnected(protocol.SendLogCommand(logger_command::kSetParameter, 3, 50)));
  EXPECT_FALSE(protocol.LogSendOnly(logger_command::kReadMemory, 0, 0x400));

  // portOpen false while a line is held: the line is purged and closed.
  Start({});
  session.portOpen = false;
  EXPECT_TRUE(IsNotConnected(protocol.SendPlmQuery(plm_query::kModel)));
  EXPECT_FALSE(session.IsOpen());
  EXPECT_TRUE(device->ReceivedSentences().empty());
}

TEST_F(Protocol, LineLostDuringAWaitEndsItAtOnce) {
  DeviceOptions o;
  o.hangupAfter = 0;
  Start(o);
  const auto start = clock.Now();
  EXPECT_TRUE(IsNotConnected(protocol.SendPlmQuery(plm_query::kModel)));
  EXPECT_EQ(Since(start), 0);  // the 60 polls are not waited out
  EXPECT_TRUE(device->HungUp());
  EXPECT_FALSE(session.IsOpen());
  EXPECT_EQ(session.Line(), nullptr);
  EXPECT_TRUE(IsNotConnected(protocol.SendPlmQuery(plm_query::kModel)));
}

TEST_F(Protocol, CancelEndsAWaitWithoutAReply) {
  DeviceOptions o;
  o.faults.silent = true;
  Start(o);
  session.cancel.Cancel();
  const auto start = clock.Now();
  EXPECT_EQ(protocol.SendPlmQuery(plm_query::kModel), nullptr);
  EXPECT_LT(Since(start), 60 * 38);
  // The sentence still went out; only the wait was cut short.
  EXPECT_EQ(device->CountReceived("$PPLM810*38"), 1);
}

} // namespace
} // namespace divuzo
