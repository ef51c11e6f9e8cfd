// What the flows that talk to a device say and hear, byte for byte, compared with the records
// in tests/transcripts/: identification of every model, the silent and echoing devices, the
// whole update with its Bluetooth address steps, a forced update, the close sequences and the
// logger's connection, download (at its own speed and at 921600), clear and settings.
// Every record is checked against the virtual device in the same process; identification and
// the close sequences once more over a real pseudo-terminal (the update over one is
// UpdateFlowCliTest's).
#include "GoldenTranscript.h"
#include "ImageFixtures.h"
#include "PauseClock.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#ifndef _WIN32
#include "VdevProcess.h"
#endif

#include "engine/InProcessDevice.h"
#include "serial/CloseSequence.h"
#include "serial/DeviceIdentity.h"
#include "serial/DeviceSession.h"
#include "serial/LogDownload.h"
#include "serial/LoggerConnection.h"
#include "serial/LoggerSettings.h"
#include "update/FlashJob.h"
#include "update/ImageValidation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace divuzo {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

std::string Describe(const IdentifyResult& r) {
  return "result: " + std::string(r.ok ? "ok" : "failed") + ", kind " +
         std::to_string(KindNumber(r.deviceKind)) + ", model '" + r.modelName + "', firmware '" +
         r.firmwareText + "', hardware '" + r.hardwareText + "', status " + std::to_string(r.status.textId);
}

std::string Joined(const Args& args) {
  std::string text;
  for (const auto& a : args) text += (text.empty() ? "" : " ") + a;
  return text;
}

// The divuzo-vdev options the records use, as the engine takes them.
vdev::DeviceOptions OptionsOf(const Args& args) {
  vdev::DeviceOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const std::string next = i + 1 < args.size() ? args[i + 1] : "";
    if (a == "--model") o.model = next, ++i;
    else if (a == "--firmware") o.firmware = next, ++i;
    else if (a == "--used-end") o.logger.usedEnd = std::stol(next, nullptr, 16), ++i;
    else if (a == "--memory-time") o.logger.memoryTime = std::stol(next), ++i;
    else if (a == "--silent") o.faults.silent = true;
    else if (a == "--echo-only") o.faults.echoOnly = true;
    else if (a == "--bt-address") {
      std::array<std::uint8_t, 6> address{};
      EXPECT_TRUE(vdev::ParseDeviceAddress(next, address));
      o.btAddress = address;
      ++i;
    } else {
      ADD_FAILURE() << "option not known here: " << a;
    }
  }
  return o;
}

using Flow = std::function<std::vector<std::string>(DeviceSession& session, const std::string& port)>;

// Runs `flow` against the device `args` describes, in the same process on a test clock.
std::vector<std::string> InProcess(const Args& args, const Flow& flow, std::vector<std::string>* header) {
  test::PauseClock clock;
  vdev::InProcessDevice device(OptionsOf(args), clock);
  DeviceSession session;
  device.Attach(session);
  *header = flow(session, device.Path());
  session.Reset();
  return device.WireLines();
}

#ifndef _WIN32
// The same behind a real pseudo-terminal (divuzo-vdev), on the system clock with short waits:
// the bytes do not depend on them as long as an answering device answers in time.
std::vector<std::string> OverPty(const Args& args, const Flow& flow, std::vector<std::string>* header) {
  test::VdevProcess vdev(args);
  EXPECT_TRUE(vdev.Started());
  DeviceSession session;
  session.timing.pollMs = 20;
  session.timing.queryPolls = 25;
  session.timing.disconnectPauseMs = 0;
  session.timing.speedRestorePauseMs = 0;
  *header = flow(session, vdev.PortPath());
  session.Reset();
  vdev.Stop();
  return vdev.WireLines();
}
#endif

Flow Identification(const Args& args) {
  return [args](DeviceSession& session, const std::string& port) {
    const IdentifyResult r = IdentifyDevice(session, port, -1);
    return std::vector<std::string>{"identify, device " + Joined(args), Describe(r)};
  };
}

// A logger on an open line; `close` is one way out of the window.
Flow Closing(const std::string& what, bool highSpeed, std::function<void(DeviceSession&)> close) {
  return [=](DeviceSession& session, const std::string& port) {
    session.SelectFromLists(port, -1);
    EXPECT_TRUE(session.IsOpen());
    if (highSpeed) {
      session.highSpeedLink = 1;
      session.ReconfigureHighSpeed();
    }
    close(session);
    return std::vector<std::string>{what, std::string("line open afterwards: ") +
                                              (session.IsOpen() ? "yes" : "no")};
  };
}

void Check(const std::string& name, const Args& args, const Flow& flow, bool overPtyToo) {
  std::vector<std::string> header;
  const auto lines = InProcess(args, flow, &header);
  test::ExpectGoldenTranscript(name, header, lines);
#ifdef _WIN32
  // No pseudo-terminals on Windows: tests/wine/ compares whole runs over a COM port with Linux.
  (void)overPtyToo;
#else
  if (overPtyToo) {
    const auto ptyLines = OverPty(args, flow, &header);
    test::ExpectGoldenTranscript(name, header, ptyLines);
  }
#endif
}

TEST(Transcript, IdentifyEveryModel) {
  for (const char* model : {"TR550", "TR470", "T2000C", "T2200", "TR410", "ZID310", "KTRTONIC", "XYZ123"}) {
    const Args args{"--model", model};
    const bool pty = std::string(model) == "ZID310" || std::string(model) == "TR410";
    Check(std::string("identify-") + model, args, Identification(args), pty);
  }
}

TEST(Transcript, IdentifySilentAndEchoingDevices) {
  Check("identify-silent", {"--silent"}, Identification({"--silent"}), false);
  Check("identify-echo-only", {"--echo-only"}, Identification({"--echo-only"}), true);
}

// The logger page's flows on a connected logger, which is let go (goodbye) at the end.
using LoggerWork = std::function<std::string(DeviceSession&, LoggerState&)>;
Flow LoggerFlow(const std::string& what, LoggerWork work) {
  return [=](DeviceSession& session, const std::string& port) {
    LoggerState logger;
    const LoggerConnectResult c = ConnectLogger(session, logger, port);
    char end[16];
    std::snprintf(end, sizeof end, "0x%08X", logger.usedEnd.value_or(0));
    std::vector<std::string> header{
        what, std::string("connected: ") + (c.connected ? "yes" : "no") + ", used end " + end};
    if (c.connected && work) header.push_back(work(session, logger));
    DisconnectDevice(session);
    return header;
  };
}

LoggerWork Download(LoggerSpeed speed) {
  return [speed](DeviceSession& session, LoggerState& logger) {
    test::TempDir out;
    LogDownloadRequest request;
    request.folder = out.path();
    request.speed = speed;
    request.localTime = LocalTimeBase::FixedHours(0);
    const LogDownloadResult r = DownloadLogMemory(session, logger, request);
    char text[120];
    std::snprintf(text, sizeof text,
                  "result: status %d, read 0x%08X-0x%08X, %zu ranges missing, speed %s",
                  static_cast<int>(r.status.code), r.from, r.extent, r.missing.size(),
                  r.highSpeed ? "921600" : "normal");
    return std::string(text);
  };
}

std::string ClearAndSay(DeviceSession& session, LoggerState& logger) {
  return "result: " + ClearResultText(ClearLogMemory(session, logger));
}

std::string ReadAndApplyTwice(DeviceSession& session, LoggerState&) {
  LoggerSettings settings;
  settings.Defaults();
  const int read = settings.Read(session).textId;
  settings.ChooseTimeRow(2);
  settings.ChooseDistanceRow(3);
  settings.ChooseRecordMode(kRecordStopWhenFull);
  const int first = settings.Apply(session).textId;
  const int second = settings.Apply(session).textId;
  return "result: texts " + std::to_string(read) + ", " + std::to_string(first) + ", " +
         std::to_string(second);
}

TEST(Transcript, LoggerFlows) {
  const Args logger{"--model", "TR410", "--used-end", "10000", "--memory-time", "1700000000"};
  Check("logger-connect", logger, LoggerFlow("logger connect and disconnect", {}), true);
  Check("logger-download", logger,
        LoggerFlow("logger download of one block at the line's own speed",
                   Download(LoggerSpeed::Normal)),
        true);
  Check("logger-download-fast", logger,
        LoggerFlow("logger download of one block at 921600", Download(LoggerSpeed::Fast)), true);
  Check("logger-clear", logger, LoggerFlow("logger clear", ClearAndSay), true);
  Check("logger-settings", logger,
        LoggerFlow("logger settings: read, apply a change, apply again", ReadAndApplyTwice), true);
}

TEST(Transcript, CloseSequences) {
  const Args logger{"--model", "TR410"};
  Check("close-window", logger,
        Closing("window close with the line open", false, [](DeviceSession& s) { CloseOnRequest(s); }), true);
  Check("close-window-high-speed", logger,
        Closing("window close with the line open and the logger at 921600", true,
                [](DeviceSession& s) { CloseOnRequest(s); }),
        true);
  Check("close-escape", logger,
        Closing("Escape with the line open", false, [](DeviceSession& s) { CloseOnCancel(s); }), true);
  Check("close-button", logger,
        Closing("閉じる with the line open", false, [](DeviceSession& s) { CloseOnOk(s); }), true);
}

// `divuzo update` as the flash job runs it for the command line: identification (or the
// forced identity), the image check and the job. Its printed output is the pseudo-terminal
// test's to compare (UpdateFlowCliTest); here the bytes and the outcome.
Flow Updating(const std::string& product, bool force, const fs::path& folder) {
  return [=](DeviceSession& session, const std::string& port) {
    session.SetLinkSettings(port, 115200, 0);
    if (force)
      session.Force();
    else
      EXPECT_TRUE(IdentifyDevice(session, port, -1).ok);
    const fs::path image = folder / "ZID310_V124_PLM.bin";
    test::WriteImageFile(image, test::Tagged(product, "V1.24", test::MakePayload(8 * 1024, 3)));
    const ImageCheckResult check = SelectImageFile(
        {image.string(), session.device.modelName, session.device.firmwareDigits, force});
    EXPECT_EQ(check.execute, ExecuteChange::Enable);
    FlashJob job(session, FlashJob::Flavor::UpdatePage);
    job.Prepare(check.tempImagePath);
    const Status status = job.Run();
    EXPECT_TRUE(status.Ok()) << status.detail;
    EXPECT_EQ(status.textId, force ? kTextDoneKind4 : kTextDone);
    return std::vector<std::string>{};
  };
}

TEST(Transcript, UpdateAndForcedUpdate) {
  test::TempDir dir;
  test::ScopedEnv configHome("XDG_CONFIG_HOME", (dir / "config").string());
  for (bool force : {false, true}) {
    const Args args = force ? Args{"--model", "ZID310", "--silent", "--bt-address", "01:23:45:67:89:AB"}
                            : Args{"--model", "ZID310", "--firmware", "123", "--bt-address", "01:23:45:67:89:AB"};
    std::vector<std::string> header;
    const auto lines = InProcess(args, Updating(force ? "RunMate450" : "ZID310", force, dir.path()), &header);
    test::ExpectGoldenTranscript(force ? "update-forced" : "update-zid310", header, lines, false);
  }
}

} // namespace
} // namespace divuzo
