// The logger download, clear and settings with divuzo-vdev behind a real pseudo-terminal, on
// the system clock: through the core, and as `divuzo logger` runs them.
#include "CaptureOutput.h"
#include "LoggerFixture.h"
#include "ScopedEnv.h"
#include "VdevProcess.h"

#include "engine/LoggerDevice.h"
#include "serial/DeviceIdentity.h"
#include "serial/Sentence.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

using test::RunCli;
using test::VdevProcess;
using Args = std::vector<std::string>;
using test::Sent;

bool Logged(const VdevProcess& vdev, const std::string& text) {
  const auto log = vdev.LogLines();
  return std::any_of(log.begin(), log.end(),
                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

class LoggerPty : public ::testing::Test {
 protected:
  LoggerPty() {
    memory_ = vdev::GenerateLoggerMemory(std::time(nullptr) / 60 * 60 - 10 * 24 * 3600);
    test::WriteFileBytes(memoryFile_, std::string(memory_.begin(), memory_.end()));
    session.timing.pollMs = 20;
    session.timing.loggerWatchdogMs = 1500;
  }
  // A logger on a pseudo-terminal with the test's memory and `more` options.
  std::unique_ptr<VdevProcess> Start(const Args& more = {}) {
    Args args{"--model", "TR410", "--memory", memoryFile_.string()};
    args.insert(args.end(), more.begin(), more.end());
    auto vdev = std::make_unique<VdevProcess>(args);
    EXPECT_TRUE(vdev->Started());
    return vdev;
  }
  LogDownloadResult Download(const std::string& port, LoggerSpeed speed = LoggerSpeed::Normal) {
    LoggerState logger;
    const LoggerConnectResult c = ConnectLogger(session, logger, port);
    EXPECT_TRUE(c.connected) << c.status.detail;
    LogDownloadRequest request;
    request.folder = out.path();
    request.localTime = LocalTimeBase::FixedHours(9);
    request.speed = speed;
    const LogDownloadResult r = DownloadLogMemory(session, logger, request);
    DisconnectDevice(session);
    return r;
  }
  std::string Memory(std::size_t size) const {
    return std::string(memory_.begin(), memory_.begin() + static_cast<long>(size));
  }

  test::TempDir dir;
  test::TempDir out;
  std::filesystem::path memoryFile_ = dir / "memory.bin";
  std::vector<std::uint8_t> memory_;
  DeviceSession session;
};

TEST_F(LoggerPty, WholeMemoryIsByteExact) {
  auto vdev = Start();
  const LogDownloadResult r = Download(vdev->PortPath());
  ASSERT_TRUE(r.status.Ok()) << r.message;
  EXPECT_TRUE(test::ReadFileBytes(out / "Vorur.trl") == Memory(0x200000));
  vdev->Stop();
  int reads = 0;
  for (const auto& s : vdev->ReceivedSentences()) reads += s.rfind("$PMTK182,7,", 0) == 0;
  EXPECT_EQ(reads, 32);
}

TEST_F(LoggerPty, EveryChunkFaultEndsExactOrNamesWhatIsMissing) {
  char end[16];
  std::snprintf(end, sizeof end, "%X", test::kFaultMemoryEnd);
  for (const test::FaultCase& c : test::FaultCases(session.timing.loggerWatchdogMs)) {
    SCOPED_TRACE(c.name);
    test::ClearFolder(out.path());
    vdev::LoggerOptions faults;
    c.fault(faults);
    Args args = test::FaultArgs(faults);
    args.insert(args.end(), {"--used-end", end});
    auto vdev = Start(args);
    const LogDownloadResult r = Download(vdev->PortPath());
    test::ExpectFaultOutcome(c, r, out.path(), Memory(test::kFaultMemoryEnd));
    vdev->Stop();
    EXPECT_TRUE(Logged(*vdev, c.struck));
  }
}

TEST_F(LoggerPty, CancelRestoresTheLine) {
  auto vdev = Start({"--used-end", "80000"});
  ProgressFunction cancelAtQuarter([&](const Progress& p) {
    if (p.value >= 25) session.cancel.Cancel();
  });
  session.progress = &cancelAtQuarter;
  const LogDownloadResult r = Download(vdev->PortPath(), LoggerSpeed::Fast);
  EXPECT_EQ(r.status.code, StatusCode::Cancelled);
  EXPECT_TRUE(std::filesystem::is_empty(out.path()));
  vdev->Stop();
  const auto log = vdev->LogLines();
  const auto fast = std::find(log.begin(), log.end(), "logger: speed 921600");
  ASSERT_NE(fast, log.end());
  EXPECT_NE(std::find(fast, log.end(), "logger: speed 38400"), log.end());
  EXPECT_EQ(vdev->ReceivedSentences().back(), Sent("RADED410,2"));
}

TEST_F(LoggerPty, CommandLineDownload) {
  auto vdev = Start({"--used-end", "30000"});
  test::ScopedEnv env("DIVUZO_VPORT_DIR", vdev->VportDir());
  // No --port and no --speed: the virtual device is a known bridge, so the fast line is used.
  auto [status, output] =
      RunCli("logger download --out " + test::ShellQuote(out.path().string()) + " --total --tz 9");
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find(FileStatusPrefix() + " " + (out / "Vorur.trl").string() + "\n"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("_T-410_Total_Start_"), std::string::npos) << output;
  EXPECT_NE(output.find("ログデータのダウンロードが完了しました。 Total mins: 00, secs: "),
            std::string::npos)
      << output;
  EXPECT_TRUE(test::ReadFileBytes(out / "Vorur.trl") == Memory(0x30000));
  EXPECT_TRUE(Logged(*vdev, "logger: speed 921600"));
  EXPECT_TRUE(Logged(*vdev, "logger: speed 38400"));
  // Every line printed names a file that is there.
  for (const auto& line : test::Lines(output)) {
    if (line.rfind(FileStatusPrefix(), 0) == 0) {
      EXPECT_TRUE(std::filesystem::exists(line.substr(FileStatusPrefix().size() + 1))) << line;
    }
  }
}

TEST_F(LoggerPty, CommandLineDownloadFailsOnMissingMemory) {
  auto vdev = Start({"--used-end", "20000", "--drop-chunk", "40", "--fault-times", "0"});
  auto [status, output] = RunCli("logger download --port " + vdev->PortPath() +
                                 " --speed 115200 --out " + test::ShellQuote(out.path().string()));
  EXPECT_EQ(status, 1) << output;
  EXPECT_NE(output.find("1 個のデータ"), std::string::npos) << output;
  EXPECT_NE(output.find("0x00014000-0x00014800"), std::string::npos) << output;
  EXPECT_TRUE(std::filesystem::exists(out / "Vorur_missing.txt"));
  vdev->Stop();
  EXPECT_FALSE(Logged(*vdev, "logger: speed"));  // --speed 115200: no speed change
}

TEST_F(LoggerPty, CommandLineClear) {
  auto vdev = Start();
  // Not on a terminal and no --yes: refused before the device hears anything.
  auto [refused, why] = RunCli("logger clear --port " + vdev->PortPath() + " < /dev/null");
  EXPECT_EQ(refused, 2) << why;
  EXPECT_NE(why.find("--yes"), std::string::npos) << why;
  EXPECT_EQ(vdev->CountReceived(Sent("PMTK182,6,1")), 0);
  auto [status, output] = RunCli("logger clear --yes --port " + vdev->PortPath());
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("ログデータを消去しました。空きレコード数: 131072"), std::string::npos)
      << output;
  EXPECT_EQ(vdev->WaitReceived(Sent("PMTK182,6,1"), 1), 1);
}

TEST_F(LoggerPty, CommandLineSettings) {
  auto vdev = Start();
  auto [status, output] = RunCli("logger settings --port " + vdev->PortPath());
  EXPECT_EQ(status, 0) << output;
  EXPECT_EQ(output, "Record mode: overwrite\nInterval: 5.0 s\nDistance: 0.0 m\n");
  const auto applied = RunCli("logger settings --port " + vdev->PortPath() +
                              " --interval 10 --distance 100 --mode stop");
  EXPECT_EQ(applied.exitCode, 0) << applied.out;
  EXPECT_EQ(applied.out, "Record mode: stop when full\nInterval: 10.0 s\nDistance: 100.0 m\n");
  EXPECT_EQ(vdev->WaitReceived(Sent("PMTK182,1,3,100"), 1), 1);
  EXPECT_EQ(vdev->CountReceived(Sent("PMTK182,1,4,1000")), 1);
  EXPECT_EQ(vdev->CountReceived(Sent("PMTK182,1,6,2")), 1);
  // The device holds them now.
  EXPECT_EQ(RunCli("logger settings --port " + vdev->PortPath()).out,
            "Record mode: stop when full\nInterval: 10.0 s\nDistance: 100.0 m\n");
}

TEST(LoggerCommandLine, NoDeviceAndBadUsage) {
  test::TempDir out;
  auto [status, output] =
      RunCli("logger download --port /dev/ttyDIVUZO-missing --out " + out.path().string());
  EXPECT_EQ(status, 3) << output;
  // Usage errors end before any port is touched: --out is required, the speeds and modes are
  // listed ones.
  for (const char* wrong :
       {"logger download --port /dev/ttyDIVUZO-missing", "logger download --speed 9600 --out /tmp",
        "logger settings --mode sometimes", "logger settings --interval 0", "logger"}) {
    const auto r = RunCli(wrong);
    EXPECT_EQ(r.exitCode, 2) << wrong;
    EXPECT_EQ(r.out.find("No known USB-to-serial bridge"), std::string::npos) << wrong;
    EXPECT_EQ(r.out.find("does not exist"), std::string::npos) << wrong;
  }
}

}  // namespace
}  // namespace divuzo
