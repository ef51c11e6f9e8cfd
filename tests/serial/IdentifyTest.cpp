// Identification and the window's close sequences against the virtual device in the same
// process, checked on what the device received; and the command-line front end on a device
// behind a real pseudo-terminal.
#include "CaptureOutput.h"
#include "DeviceFixture.h"
#include "VdevProcess.h"

#include "serial/CloseSequence.h"
#include "serial/DeviceIdentity.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

using test::RunCli;
using test::VdevProcess;
using vdev::DeviceOptions;

// Records what the core asks of the window's heartbeat.
class HeartbeatLog : public HeartbeatControl {
public:
  void SetHeartbeat(bool run) override { calls.push_back(run); }
  std::vector<bool> calls;
};

// Records the status texts identification reports.
class StatusLog : public ProgressSink {
public:
  void Report(const Progress& p) override {
    if (p.stageTextId) texts.push_back(p.stageTextId);
  }
  std::vector<int> texts;
};

DeviceOptions Model(const char* model, const char* firmware = "123", const char* hardware = "") {
  DeviceOptions o;
  o.model = model;
  o.firmware = firmware;
  o.hardware = hardware;
  return o;
}

class Identify : public test::DeviceFixture {
protected:
  void SetUp() override {
    session.heartbeat = &heartbeat;
    session.progress = &statuses;
  }
  IdentifyResult Run(const DeviceOptions& options) {
    NewDevice(options);
    statuses.texts.clear();
    heartbeat.calls.clear();
    clock.ClearPauses();
    return IdentifyDevice(session, device->Path(), -1);
  }

  HeartbeatLog heartbeat;
  StatusLog statuses;
};

TEST_F(Identify, EveryModelOfTheFixedQueryFamily) {
  struct Case {
    const char* token;
    DeviceKind kind;
    const char* name;
  } cases[] = {{"TR550", DeviceKind::ZID300, "ZID300"},  {"TR470", DeviceKind::ZID300, "ZID300"},
               {"T2000C", DeviceKind::T2000C, "T-2000C"}, {"T2200", DeviceKind::T2200, "T-2000C"},
               {"ZID310", DeviceKind::ZID310, "ZID310"},  {"KTRTONIC", DeviceKind::ZIDTonic1, "ZID-Tonic1"}};
  for (const auto& c : cases) {
    const IdentifyResult r = Run(Model(c.token, "205", "020"));
    EXPECT_TRUE(r.ok) << c.token;
    EXPECT_EQ(r.deviceKind, c.kind) << c.token;
    EXPECT_EQ(session.device.kind, c.kind) << c.token;
    EXPECT_EQ(r.modelName, c.name) << c.token;
    EXPECT_EQ(session.device.modelName, c.name) << c.token;
    EXPECT_EQ(r.firmwareDigits, "205") << c.token;
    EXPECT_EQ(session.device.firmwareDigits, "205") << c.token;
    EXPECT_EQ(r.firmwareText, "V2.05") << c.token;
    EXPECT_EQ(r.hardwareText, "V02") << c.token;
    EXPECT_TRUE(r.status.Ok()) << c.token;
    EXPECT_EQ(r.status.textId, kTextReadDone) << c.token;
    EXPECT_EQ(statuses.texts, (std::vector<int>{kTextTalking, kTextReadDone})) << c.token;
    EXPECT_FALSE(session.IsOpen()) << c.token;
    // The conversation on the wire: model, firmware, hardware, then the goodbye.
    EXPECT_EQ(device->ReceivedSentences(),
              (std::vector<std::string>{"$PPLM810*38", "$PPLM829*32", "$PPLM832*38", "$RADED410,2*7D"}))
        << c.token;
    // The heartbeat stops for the disconnect, which waits 1000 ms before its goodbye.
    EXPECT_EQ(heartbeat.calls, (std::vector<bool>{false, true})) << c.token;
    EXPECT_EQ(clock.Pauses(), (std::vector<long>{1000})) << c.token;
  }
}

TEST_F(Identify, LoggerFamilyThroughTheNumberedCommand) {
  const IdentifyResult r = Run(Model("TR410", "007", "C12"));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.deviceKind, DeviceKind::T410);
  EXPECT_EQ(r.modelName, "T-410");
  EXPECT_EQ(r.firmwareText, "V0.07");
  EXPECT_EQ(r.hardwareText, "V01");  // "C12": C1 becomes 01, the last character goes
  EXPECT_EQ(heartbeat.calls, (std::vector<bool>{false, true}));
  // Three unanswered model queries, then the probe, the versions and the goodbye.
  EXPECT_EQ(device->ReceivedSentences(),
            (std::vector<std::string>{"$PPLM810*38", "$PPLM810*38", "$PPLM810*38", "$RADED410,1*7E",
                                      "$RADED410,3*7C", "$RADED410,7*78", "$RADED410,2*7D"}));
}

TEST_F(Identify, ModelReplyWithALongerLoggerToken) {
  // "$PPLM852,TR4109" begins with the logger family's model reply.
  DeviceOptions o = Model("TR4109", "123", "C15");
  o.family = "both";
  const IdentifyResult r = Run(o);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.deviceKind, DeviceKind::T410);
  EXPECT_EQ(r.hardwareText, "V01");
  EXPECT_EQ(device->CountReceived("$RADED410,1*7E"), 0);
}

TEST_F(Identify, UnknownModelIsShownBlankAndEndsInTimeout) {
  const IdentifyResult r = Run(Model("XYZ123"));
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.modelKnown);
  EXPECT_EQ(r.deviceKind, DeviceKind::None);
  EXPECT_EQ(r.modelName, " ");
  EXPECT_FALSE(r.firmwareKnown);
  EXPECT_EQ(r.status.code, StatusCode::NoAnswer);
  EXPECT_EQ(r.status.textId, kTextTimeout);
  // No version is asked of an unknown model.
  EXPECT_EQ(device->CountReceived("$PPLM829*32"), 0);
}

TEST_F(Identify, ModelWithoutVersionsKeepsTheNameAndTimesOut) {
  // A logger-family model reply from a device that does not answer the numbered command.
  DeviceOptions o = Model("TR410");
  o.family = "plm";
  const IdentifyResult r = Run(o);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.modelName, "T-410");
  EXPECT_EQ(session.device.modelName, "T-410");
  EXPECT_EQ(r.status.textId, kTextTimeout);
  EXPECT_EQ(device->CountReceived("$RADED410,3*7C"), 5);
  EXPECT_EQ(device->CountReceived("$RADED410,7*78"), 5);
}

TEST_F(Identify, SilentDeviceTimesOutAndKeepsWhatWasKnown) {
  // A device identified before stays what it was: only an answered probe changes it.
  Run(Model("T2000C", "205", "020"));
  ASSERT_EQ(session.device.kind, DeviceKind::T2000C);
  DeviceOptions o;
  o.faults.silent = true;
  const auto start = clock.Now();
  const IdentifyResult r = Run(o);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.modelKnown);
  EXPECT_EQ(r.deviceKind, DeviceKind::T2000C);
  EXPECT_EQ(session.device.kind, DeviceKind::T2000C);
  EXPECT_EQ(session.device.firmwareDigits, "205");
  EXPECT_EQ(r.status.textId, kTextTimeout);
  EXPECT_EQ(statuses.texts, (std::vector<int>{kTextTalking, kTextTimeout}));
  EXPECT_FALSE(session.IsOpen());
  // Three model queries, three probes; then, for the known kind, five queries for each
  // version: every one waits its 60 polls of 38 ms (about 37 s), and so does the goodbye.
  EXPECT_EQ(device->CountReceived("$PPLM810*38"), 3);
  EXPECT_EQ(device->CountReceived("$RADED410,1*7E"), 3);
  EXPECT_EQ(device->CountReceived("$PPLM829*32"), 5);
  EXPECT_EQ(device->CountReceived("$PPLM832*38"), 5);
  EXPECT_EQ(Since(start), 17 * 60 * 38 + 1000);
}

TEST_F(Identify, EchoingDeviceIsNotIdentified) {
  DeviceOptions o;
  o.faults.echoOnly = true;
  const IdentifyResult r = Run(o);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.modelKnown);
}

TEST_F(Identify, DisturbedLinesStillIdentify) {
  for (int fault = 0; fault < 4; ++fault) {
    DeviceOptions o = Model("ZID310");
    o.faults.splitReplies = fault == 0;
    o.faults.noise = fault == 1;
    o.faults.badChecksum = fault == 2;
    o.faults.echo = fault == 3;
    const IdentifyResult r = Run(o);
    EXPECT_TRUE(r.ok) << fault;
    EXPECT_EQ(r.modelName, "ZID310") << fault;
    EXPECT_EQ(r.firmwareText, "V1.23") << fault;
  }
}

TEST_F(Identify, MissingPortFailsQuicklyWithTheReason) {
  NewDevice({});
  const auto start = clock.Now();
  const IdentifyResult r = IdentifyDevice(session, "/dev/ttyDIVUZO-missing", -1);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.status.code, StatusCode::PortUnusable);
  EXPECT_EQ(r.status.textId, kTextTimeout);
  EXPECT_EQ(r.portError.kind, PortError::Kind::NotFound);
  EXPECT_NE(r.portError.message.find("/dev/ttyDIVUZO-missing"), std::string::npos);
  EXPECT_EQ(Since(start), 0);
  // Nothing was open, so no disconnect stopped the heartbeat; it is started at the end.
  EXPECT_EQ(heartbeat.calls, (std::vector<bool>{true}));
}

// A clock that sets a cancel request the first time somebody waits on it: the test clock
// moves only when the host waits, so this cancels in the middle of the first wait.
class CancelOnFirstWait : public LinkClock {
public:
  CancelOnFirstWait(LinkClock& inner, CancelToken& token) : inner_(inner), token_(token) {}
  TimePoint Now() override { return inner_.Now(); }
  void SleepUntil(TimePoint when) override {
    token_.Cancel();
    inner_.SleepUntil(when);
  }

private:
  LinkClock& inner_;
  CancelToken& token_;
};

TEST_F(Identify, CancelStopsBetweenAttemptsAndStillSaysGoodbye) {
  DeviceOptions o;
  o.faults.silent = true;
  // Cancelled before the first query: nothing is asked, the line is still released politely.
  NewDevice(o);
  ProgressFunction cancelAtStart([this](const Progress& p) {
    if (p.stageTextId == kTextTalking) session.cancel.Cancel();
  });
  session.progress = &cancelAtStart;
  IdentifyResult r = IdentifyDevice(session, device->Path(), -1);
  EXPECT_EQ(r.status.code, StatusCode::Cancelled);
  EXPECT_EQ(r.status.textId, kTextTimeout);
  EXPECT_EQ(device->ReceivedSentences(), (std::vector<std::string>{"$RADED410,2*7D"}));
  EXPECT_FALSE(session.IsOpen());

  // Cancelled while the first query waits: that wait ends at once and no other query follows.
  session.cancel.Reset();
  session.progress = &statuses;
  CancelOnFirstWait cancelling(clock, session.cancel);
  vdev::InProcessDevice waiting(o, cancelling, "/dev/vdev-cancel");
  waiting.Attach(session);
  session.heartbeat = nullptr;  // no pause before the goodbye
  const auto start = clock.Now();
  r = IdentifyDevice(session, waiting.Path(), -1);
  EXPECT_EQ(r.status.code, StatusCode::Cancelled);
  EXPECT_EQ(waiting.ReceivedSentences(), (std::vector<std::string>{"$PPLM810*38", "$RADED410,2*7D"}));
  EXPECT_LE(Since(start), 100);
  session.Reset();
}

class CloseSequence : public Identify {
protected:
  void OpenOn(const DeviceOptions& options) { Start(options); }
  static constexpr const char* kGoodbye = "$RADED410,2*7D";
};

TEST(ForcedIdentity, ANamedModelIsItsKindWithTheVersionOfAForcedUpdate) {
  // By a token of its model reply or by its shown name, in any case.
  for (const char* name :
       {"ZID310", "zid310", "KTRTONIC", "ZID-Tonic1", "T2200", "T-2000C", "TR410"}) {
    SCOPED_TRACE(name);
    const auto forced = ForcedIdentityFor(name);
    ASSERT_TRUE(forced.has_value());
    EXPECT_TRUE(forced->forced);
    EXPECT_EQ(forced->firmwareDigits, "V0.00");
    EXPECT_EQ(forced->modelName, DeviceKindName(forced->kind));
  }
  EXPECT_EQ(ForcedIdentityFor("ZID310")->kind, DeviceKind::ZID310);
  EXPECT_EQ(ForcedIdentityFor("KTRTONIC")->kind, DeviceKind::ZIDTonic1);
  EXPECT_EQ(ForcedIdentityFor("TR410")->kind, DeviceKind::T410);
  EXPECT_EQ(ForcedIdentityFor("TR550")->modelName, "ZID300");
  // KRB-1 is what a forced update has always assumed.
  EXPECT_EQ(ForcedIdentityFor("krb-1")->modelName, ForcedIdentity().modelName);
  EXPECT_EQ(ForcedIdentityFor("KRB-1")->kind, DeviceKind::ZID300);
  // Models without a chip to flash, and names nobody uses.
  for (const char* name : {"TR-390", "TR-400", " ", "", "ZID31", "ZID3100"})
    EXPECT_FALSE(ForcedIdentityFor(name).has_value()) << name;
}

TEST_F(CloseSequence, WindowCloseWithAnOpenPortSaysGoodbyeTwice) {
  OpenOn(Model("TR410"));
  bool loopsStopped = false;
  CloseOnRequest(session, [&] { loopsStopped = true; });
  EXPECT_TRUE(loopsStopped);
  EXPECT_FALSE(session.IsOpen());
  EXPECT_EQ(heartbeat.calls, (std::vector<bool>{false}));
  EXPECT_EQ(device->ReceivedSentences(), (std::vector<std::string>{kGoodbye, kGoodbye}));
}

TEST_F(CloseSequence, WindowCloseBringsAFastLoggerBackFirst) {
  OpenOn(Model("TR410"));
  session.highSpeedLink = 1;
  session.ReconfigureHighSpeed();
  EXPECT_EQ(device->LineSpeed(), 921600u);
  CloseOnRequest(session);
  EXPECT_EQ(session.highSpeedLink.load(), 0);
  EXPECT_EQ(device->LineSpeed(), 115200u);  // settings applied again before the goodbye
  // Sent in two pieces of 100 ms each, then the 500 ms before the line is set up again.
  EXPECT_EQ(clock.Pauses(), (std::vector<long>{100, 100, 500}));
  EXPECT_EQ(device->ReceivedSentences(),
            (std::vector<std::string>{"$PMTK182,14,38400*03", kGoodbye, kGoodbye}));
}

TEST_F(CloseSequence, CancelSaysGoodbyeOnceAndOkSaysNothing) {
  OpenOn(Model("TR410"));
  CloseOnCancel(session);
  EXPECT_FALSE(session.IsOpen());
  EXPECT_EQ(device->ReceivedSentences(), (std::vector<std::string>{kGoodbye}));

  OpenOn(Model("TR410"));
  heartbeat.calls.clear();
  CloseOnOk(session);
  EXPECT_FALSE(session.IsOpen());
  EXPECT_EQ(heartbeat.calls, (std::vector<bool>{false, false}));
  EXPECT_TRUE(device->ReceivedSentences().empty());

  // With no port open none of them talks.
  OpenOn(Model("TR410"));
  session.Reset();
  CloseOnRequest(session);
  EXPECT_TRUE(device->ReceivedSentences().empty());
}

TEST(CommandLine, PortsAndIdentify) {
  VdevProcess vdev({"--model", "ZID310", "--firmware", "123", "--hardware", "010"});
  ASSERT_TRUE(vdev.Started());
  test::ScopedEnv env("DIVUZO_VPORT_DIR", vdev.VportDir());

  auto [portsStatus, ports] = RunCli("ports");
  EXPECT_EQ(portsStatus, 0);
  EXPECT_NE(ports.find("Silicon Labs CP210x USB to UART Bridge (" + vdev.PortPath() + ")\t" + vdev.PortPath()),
            std::string::npos)
      << ports;

  // No --port: the known bridge is chosen automatically.
  auto [status, out] = RunCli("identify");
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Model: ZID310\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Firmware: V1.23\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Hardware: V01\n"), std::string::npos) << out;
  EXPECT_NE(out.find("読み込みが完了しました。"), std::string::npos) << out;

  auto [missingStatus, missing] = RunCli("identify --port /dev/ttyDIVUZO-missing");
  EXPECT_NE(missingStatus, 0);
  EXPECT_NE(missing.find("does not exist"), std::string::npos) << missing;
  EXPECT_NE(missing.find("タイムアウトです。"), std::string::npos) << missing;
}

} // namespace
} // namespace divuzo
