// What the flows that talk to a device say and hear, byte for byte, compared with the records
// in tests/transcripts/: identification of every model, the silent and echoing devices, the
// whole update with its Bluetooth address steps, a forced update and the close sequences.
#include "CaptureOutput.h"
#include "GoldenTranscript.h"
#include "ImageFixtures.h"
#include "TempDir.h"
#include "VdevProcess.h"

#include "app/UtilityManager.h"
#include "serial/CloseSequence.h"
#include "serial/DeviceIdentity.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace divuzo {
namespace {

namespace fs = std::filesystem;
using test::VdevProcess;

// Short waits: the bytes do not depend on them as long as an answering device answers in time.
LinkTiming ShortTiming() {
  LinkTiming t;
  t.pollMs = 20;
  t.queryPolls = 25;
  t.disconnectPauseMs = 0;
  t.speedRestorePauseMs = 0;
  return t;
}

std::string Describe(const IdentifyResult& r) {
  return "result: " + std::string(r.ok ? "ok" : "failed") + ", kind " +
         std::to_string(r.deviceKind) + ", model '" + r.modelName + "', firmware '" +
         r.firmwareText + "', hardware '" + r.hardwareText + "', status " +
         std::to_string(r.statusTextId);
}

std::string Joined(const std::vector<std::string>& args) {
  std::string text;
  for (const auto& a : args) text += (text.empty() ? "" : " ") + a;
  return text;
}

class Transcript : public ::testing::Test {
 protected:
  void SetUp() override { theUtilityManager.Reset(); }
  void TearDown() override {
    channel.Reset();
    portOpen = false;
    theUtilityManager.Reset();
  }

  void Identify(const std::string& name, const std::vector<std::string>& args) {
    VdevProcess vdev(args);
    ASSERT_TRUE(vdev.Started());
    const IdentifyResult r = IdentifyDevice(protocol, vdev.PortPath(), -1);
    vdev.Stop();
    test::ExpectGoldenTranscript(name, {"identify, device " + Joined(args), Describe(r)},
                                 vdev.WireLines());
  }

  SerialPort channel;
  DeviceProtocol protocol{channel, ShortTiming()};
};

TEST_F(Transcript, IdentifyEveryModel) {
  for (const char* model :
       {"TR550", "TR470", "T2000C", "T2200", "TR410", "ZID310", "KTRTONIC", "XYZ123"})
    Identify(std::string("identify-") + model, {"--model", model});
}

TEST_F(Transcript, IdentifySilentAndEchoingDevices) {
  Identify("identify-silent", {"--silent"});
  Identify("identify-echo-only", {"--echo-only"});
}

// `divuzo update` as a user runs it; the output lines and the exit status go into the header.
void Update(const std::string& name, const std::vector<std::string>& vdevArgs,
            const std::string& product, const std::string& options) {
  test::TempDir dir;
  const fs::path image = dir / "ZID310_V124_PLM.bin";
  test::WriteImageFile(image, test::Tagged(product, "V1.24", test::MakePayload(8 * 1024, 3)));
  VdevProcess vdev(vdevArgs);
  ASSERT_TRUE(vdev.Started());
  const test::CommandOutput r =
      test::RunCli("update " + options + " --port " + vdev.PortPath() + " " + image.string(),
                   "XDG_CONFIG_HOME=" + (dir / "config").string());
  vdev.Stop();
  std::vector<std::string> header{"divuzo update " + options + ", image " + product +
                                      " V1.24 (8 KiB), device " + Joined(vdevArgs),
                                  "exit status " + std::to_string(r.exitCode)};
  for (const auto& line : test::Lines(r.out)) header.push_back("out: " + line);
  test::ExpectGoldenTranscript(name, header, vdev.WireLines());
}

TEST(TranscriptUpdate, Zid310KeepsItsBluetoothAddress) {
  Update("update-zid310",
         {"--model", "ZID310", "--firmware", "123", "--bt-address", "01:23:45:67:89:AB"}, "ZID310",
         "");
}

TEST(TranscriptUpdate, ForcedUpdateAsKind4) {
  Update("update-forced", {"--model", "ZID310", "--silent", "--bt-address", "01:23:45:67:89:AB"},
         "RunMate450", "--force");
}

class CloseTranscript : public Transcript {
 protected:
  // A logger on an open line; `close` is one way out of the window.
  template <typename Close>
  void Run(const std::string& name, const std::string& what, bool highSpeed, Close close) {
    VdevProcess vdev({"--model", "TR410"});
    ASSERT_TRUE(vdev.Started());
    channel.SelectFromLists(vdev.PortPath(), -1);
    ASSERT_TRUE(channel.IsOpen());
    if (highSpeed) {
      theUtilityManager.highSpeedLink = 1;
      channel.ReconfigureHighSpeed();
    }
    close();
    const bool open = channel.IsOpen();
    vdev.Stop();
    test::ExpectGoldenTranscript(
        name, {what, std::string("line open afterwards: ") + (open ? "yes" : "no")},
        vdev.WireLines());
  }
};

TEST_F(CloseTranscript, WindowClose) {
  Run("close-window", "window close with the line open", false,
      [&] { CloseOnRequest(protocol, nullptr); });
}

TEST_F(CloseTranscript, WindowCloseWithALoggerAtHighSpeed) {
  Run("close-window-high-speed", "window close with the line open and the logger at 921600", true,
      [&] { CloseOnRequest(protocol, nullptr); });
}

TEST_F(CloseTranscript, Escape) {
  Run("close-escape", "Escape with the line open", false,
      [&] { CloseOnCancel(protocol, nullptr); });
}

TEST_F(CloseTranscript, CloseButton) {
  Run("close-button", "閉じる with the line open", false, [&] { CloseOnOk(protocol, nullptr); });
}

}  // namespace
}  // namespace divuzo
