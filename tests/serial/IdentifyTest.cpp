// Identification and the window's close sequences against divuzo-vdev, checked on what the
// device received; and the command-line front end on the same device.
#include "CaptureOutput.h"
#include "DeviceFixture.h"

#include "serial/CloseSequence.h"
#include "serial/DeviceIdentity.h"

#include <gtest/gtest.h>

#include <memory>

namespace divuzo {
namespace {

using test::RunCli;
using test::VdevProcess;

LinkTiming ShortTiming() {
  LinkTiming t = test::QuickTiming();
  t.pollMs = 20;
  t.queryPolls = 20;  // 400 ms for an answer: room for a loaded machine, short for silent ones
  return t;
}

// Records what the core asks of the window's heartbeat.
class HeartbeatLog : public HeartbeatControl {
public:
  void SetHeartbeat(bool run) override { calls.push_back(run); }
  std::vector<bool> calls;
};

class Identify : public test::DeviceFixture {
protected:
  Identify() : DeviceFixture(ShortTiming()) {}
  IdentifyResult Run(std::vector<std::string> args) {
    vdev = std::make_unique<VdevProcess>(std::move(args));
    EXPECT_TRUE(vdev->Started());
    statuses.clear();
    IdentifyHooks hooks;
    hooks.status = [this](int id) { statuses.push_back(id); };
    hooks.heartbeat = &heartbeat;
    return IdentifyDevice(protocol, vdev->PortPath(), -1, hooks);
  }

  HeartbeatLog heartbeat;
  std::vector<int> statuses;
};

TEST_F(Identify, EveryModelOfTheFixedQueryFamily) {
  struct Case {
    const char* token;
    int kind;
    const char* name;
  } cases[] = {{"TR550", 4, "ZID300"}, {"TR470", 4, "ZID300"},  {"T2000C", 6, "T-2000C"},
               {"T2200", 5, "T-2000C"}, {"ZID310", 7, "ZID310"}, {"KTRTONIC", 8, "ZID-Tonic1"}};
  for (const auto& c : cases) {
    const IdentifyResult r = Run({"--model", c.token, "--firmware", "205", "--hardware", "020"});
    EXPECT_TRUE(r.ok) << c.token;
    EXPECT_EQ(r.deviceKind, c.kind) << c.token;
    EXPECT_EQ(theUtilityManager.deviceKind.load(), c.kind) << c.token;
    EXPECT_EQ(r.modelName, c.name) << c.token;
    EXPECT_EQ(r.firmwareDigits, "205") << c.token;
    EXPECT_EQ(r.firmwareText, "V2.05") << c.token;
    EXPECT_EQ(r.hardwareText, "V02") << c.token;
    EXPECT_EQ(r.statusTextId, kTextReadDone) << c.token;
    EXPECT_EQ(statuses, (std::vector<int>{kTextTalking, kTextReadDone})) << c.token;
    EXPECT_FALSE(channel.IsOpen()) << c.token;
    // The conversation on the wire: model, firmware, hardware, then the goodbye.
    EXPECT_EQ(vdev->ReceivedSentences(),
              (std::vector<std::string>{"$PPLM810*38", "$PPLM829*32", "$PPLM832*38", "$RADED410,2*7D"}))
        << c.token;
  }
}

TEST_F(Identify, LoggerFamilyThroughTheNumberedCommand) {
  const IdentifyResult r = Run({"--model", "TR410", "--firmware", "007", "--hardware", "C12"});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.deviceKind, 3);
  EXPECT_EQ(r.modelName, "T-410");
  EXPECT_EQ(r.firmwareText, "V0.07");
  EXPECT_EQ(r.hardwareText, "V01");  // "C12": C1 becomes 01, the last character goes
  EXPECT_EQ(heartbeat.calls, (std::vector<bool>{false, true}));
  // Three unanswered model queries, then the probe, the versions and the goodbye.
  EXPECT_EQ(vdev->ReceivedSentences(),
            (std::vector<std::string>{"$PPLM810*38", "$PPLM810*38", "$PPLM810*38", "$RADED410,1*7E",
                                      "$RADED410,3*7C", "$RADED410,7*78", "$RADED410,2*7D"}));
}

TEST_F(Identify, ModelReplyWithALongerLoggerToken) {
  // "$PPLM852,TR4109" begins with the logger family's model reply.
  const IdentifyResult r = Run({"--model", "TR4109", "--family", "both", "--hardware", "C15"});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.deviceKind, 3);
  EXPECT_EQ(r.hardwareText, "V01");
  EXPECT_EQ(vdev->CountReceived("$RADED410,1*7E"), 0);
}

TEST_F(Identify, UnknownModelIsShownBlankAndEndsInTimeout) {
  const IdentifyResult r = Run({"--model", "XYZ123"});
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.modelKnown);
  EXPECT_EQ(r.deviceKind, 0);
  EXPECT_EQ(r.modelName, " ");
  EXPECT_FALSE(r.firmwareKnown);
  EXPECT_EQ(r.statusTextId, kTextTimeout);
  // No version is asked of an unknown model.
  EXPECT_EQ(vdev->CountReceived("$PPLM829*32"), 0);
}

TEST_F(Identify, ModelWithoutVersionsKeepsTheNameAndTimesOut) {
  // A logger-family model reply from a device that does not answer the numbered command.
  const IdentifyResult r = Run({"--model", "TR410", "--family", "plm"});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.modelName, "T-410");
  EXPECT_EQ(r.statusTextId, kTextTimeout);
  EXPECT_EQ(vdev->CountReceived("$RADED410,3*7C"), 5);
  EXPECT_EQ(vdev->CountReceived("$RADED410,7*78"), 5);
}

TEST_F(Identify, SilentDeviceTimesOutAndKeepsThePreviousKind) {
  theUtilityManager.deviceKind = 6;
  const IdentifyResult r = Run({"--silent"});
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.modelKnown);
  EXPECT_EQ(r.deviceKind, 6);
  EXPECT_EQ(theUtilityManager.deviceKind.load(), 6);
  EXPECT_EQ(r.statusTextId, kTextTimeout);
  EXPECT_EQ(statuses, (std::vector<int>{kTextTalking, kTextTimeout}));
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(vdev->CountReceived("$PPLM810*38"), 3);
  EXPECT_EQ(vdev->CountReceived("$RADED410,1*7E"), 3);
}

TEST_F(Identify, EchoingDeviceIsNotIdentified) {
  const IdentifyResult r = Run({"--echo-only"});
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.modelKnown);
}

TEST_F(Identify, DisturbedLinesStillIdentify) {
  for (const char* fault : {"--split-replies", "--noise", "--bad-checksum", "--echo"}) {
    const IdentifyResult r = Run({fault, "--model", "ZID310"});
    EXPECT_TRUE(r.ok) << fault;
    EXPECT_EQ(r.modelName, "ZID310") << fault;
    EXPECT_EQ(r.firmwareText, "V1.23") << fault;
  }
}

TEST_F(Identify, MissingPortFailsQuicklyWithTheReason) {
  IdentifyHooks hooks;
  hooks.heartbeat = &heartbeat;
  const IdentifyResult r = IdentifyDevice(protocol, "/dev/ttyDIVUZO-missing", -1, hooks);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.statusTextId, kTextTimeout);
  EXPECT_EQ(r.portError.kind, PortError::Kind::NotFound);
  EXPECT_NE(r.portError.message.find("/dev/ttyDIVUZO-missing"), std::string::npos);
  // Nothing was open, so no disconnect stopped the heartbeat; it is started at the end.
  EXPECT_EQ(heartbeat.calls, (std::vector<bool>{true}));
}

class CloseSequence : public Identify {
protected:
  void OpenOn(std::vector<std::string> args) {
    vdev = std::make_unique<VdevProcess>(std::move(args));
    ASSERT_TRUE(vdev->Started());
    channel.SelectFromLists(vdev->PortPath(), -1);
    ASSERT_TRUE(channel.IsOpen());
  }
  static constexpr const char* kGoodbye = "$RADED410,2*7D";
};

TEST_F(CloseSequence, WindowCloseWithAnOpenPortSaysGoodbyeTwice) {
  OpenOn({"--model", "TR410"});
  bool loopsStopped = false;
  CloseOnRequest(protocol, &heartbeat, [&] { loopsStopped = true; });
  EXPECT_TRUE(loopsStopped);
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(heartbeat.calls, (std::vector<bool>{false}));
  EXPECT_EQ(vdev->ReceivedSentences(), (std::vector<std::string>{kGoodbye, kGoodbye}));
}

TEST_F(CloseSequence, WindowCloseBringsAFastLoggerBackFirst) {
  OpenOn({"--model", "TR410"});
  theUtilityManager.highSpeedLink = 1;
  channel.ReconfigureHighSpeed();
  CloseOnRequest(protocol, &heartbeat);
  EXPECT_EQ(theUtilityManager.highSpeedLink.load(), 0);
  EXPECT_EQ(vdev->ReceivedSentences(),
            (std::vector<std::string>{"$PMTK182,14,38400*03", kGoodbye, kGoodbye}));
}

TEST_F(CloseSequence, CancelSaysGoodbyeOnceAndOkSaysNothing) {
  OpenOn({"--model", "TR410"});
  CloseOnCancel(protocol, &heartbeat);
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(vdev->ReceivedSentences(), (std::vector<std::string>{kGoodbye}));

  OpenOn({"--model", "TR410"});
  heartbeat.calls.clear();
  CloseOnOk(protocol, &heartbeat);
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(heartbeat.calls, (std::vector<bool>{false, false}));
  // Give a stray sentence time to show up in the log before concluding there was none.
  EXPECT_EQ(vdev->WaitReceived(kGoodbye, 1, 200), 0);
  EXPECT_TRUE(vdev->ReceivedSentences().empty());

  // With no port open none of them talks.
  OpenOn({"--model", "TR410"});
  channel.Reset();
  CloseOnRequest(protocol, &heartbeat);
  EXPECT_EQ(vdev->WaitReceived(kGoodbye, 1, 200), 0);
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
