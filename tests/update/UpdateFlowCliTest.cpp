// `divuzo update` as a user runs it against the virtual device on a real pseudo-terminal: exit
// status 0 only when the image is in flash, no payload file left behind either way, and every
// byte on the line as the regression records in tests/transcripts/ have it.
#include "CaptureOutput.h"
#include "GoldenTranscript.h"
#include "ImageFixtures.h"
#include "TempDir.h"
#include "VdevProcess.h"

#include <gtest/gtest.h>

#include "StringTable.h"
#include "app/Status.h"
#include "platform/Link.h"
#include "update/FlashFailure.h"
#include "update/FlashJob.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace divuzo {
namespace {

namespace fs = std::filesystem;

using test::CommandOutput;
using test::RunCli;

// `command` (shell text) with a pseudo-terminal as its standard input, output and error, as a
// user at a terminal runs it: once `prompt` shows in its output, `answer` is typed. The exit
// status and everything it wrote; gives up after 60 s.
CommandOutput RunInTerminal(const std::string& command, const std::string& prompt,
                            const std::string& answer) {
  CommandOutput result;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) return result;
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  bool answered = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd fd{master, POLLIN, 0};
    if (poll(&fd, 1, 100) <= 0) continue;
    char buffer[512];
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // the program ended: the terminal hung up
    result.out.append(buffer, static_cast<std::size_t>(n));
    if (!answered && result.out.find(prompt) != std::string::npos) {
      answered = write(master, answer.data(), answer.size()) == static_cast<ssize_t>(answer.size());
    }
  }
  close(master);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// The image of the recorded updates: 8 KiB, product `product`, version V1.24.
fs::path RecordedImage(const test::TempDir& dir, const std::string& product) {
  const fs::path image = dir / "ZID310_V124_PLM.bin";
  test::WriteImageFile(image, test::Tagged(product, "V1.24", test::MakePayload(8 * 1024, 3)));
  return image;
}

// Runs `divuzo update OPTIONS --port DEVICE IMAGE` against a device started with `device`
// (plus a flash dump) and compares output, exit status and wire with the record `name`.
void ExpectRecordedUpdate(const std::string& name, const std::string& device, const std::string& product,
                          const std::string& options) {
  test::TempDir dir;
  const fs::path image = RecordedImage(dir, product);
  std::vector<std::string> args;
  for (std::size_t at = 0; at < device.size();) {
    const std::size_t space = device.find(' ', at);
    args.push_back(device.substr(at, space == std::string::npos ? std::string::npos : space - at));
    at = space == std::string::npos ? device.size() : space + 1;
  }
  args.push_back("--flash-dump");
  args.push_back((dir / "flash.bin").string());
  test::VdevProcess vdev(args);
  ASSERT_TRUE(vdev.Started());
  // The progress display depends on time; the record keeps to the stage texts.
  const CommandOutput r =
      RunCli("update --progress never " + options + " --port " + vdev.PortPath() + " " +
                 image.string(),
             "XDG_CONFIG_HOME=" + (dir / "config").string());
  vdev.Stop();
  std::vector<std::string> header{"divuzo update " + options + ", image " + product +
                                      " V1.24 (8 KiB), device " + device,
                                  "exit status " + std::to_string(r.exitCode)};
  for (const auto& line : test::Lines(r.out)) header.push_back("out: " + line);
  test::ExpectGoldenTranscript(name, header, vdev.WireLines());
  EXPECT_EQ(test::ReadFileBytes(dir / "flash.bin"), test::AsString(test::MakePayload(8 * 1024, 3)));
  EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
}

TEST(UpdateFlowCliTest, RecordedUpdateKeepsItsBluetoothAddress) {
  ExpectRecordedUpdate("update-zid310", "--model ZID310 --firmware 123 --bt-address 01:23:45:67:89:AB",
                       "ZID310", "");
}

TEST(UpdateFlowCliTest, RecordedForcedUpdate) {
  ExpectRecordedUpdate("update-forced", "--model ZID310 --silent --bt-address 01:23:45:67:89:AB",
                       "RunMate450", "--force");
}

TEST(UpdateFlowCliTest, RecordedForcedUpdateOfANamedModel) {
  // A ZID310 stuck in its boot ROM answers no sentence; nothing is stored of its address.
  ExpectRecordedUpdate("update-forced-model", "--model ZID310 --silent", "ZID310",
                       "--force --model ZID310 --allow-address-loss");
}

// `divuzo update ARGS` started in the background with its standard output in `out` and its
// standard error in `err`; once `waitFor` shows in the output, the shell sends the signals of
// `signals` (names, 0.2 s apart), waits for the program and prints its exit status.
test::CommandOutput RunAndSignal(const test::TempDir& dir, const std::string& args,
                                 const std::string& waitFor,
                                 const std::vector<std::string>& signals) {
  const std::string out = test::ShellQuote((dir / "out.txt").string());
  const std::string err = test::ShellQuote((dir / "err.txt").string());
  std::string send;
  for (const auto& name : signals) send += "kill -" + name + " $pid; sleep 0.2; ";
  return test::RunShell("XDG_CONFIG_HOME=" + test::ShellQuote((dir / "config").string()) + " " +
                        test::ShellQuote(DIVUZO_CLI_PATH) + " update " + args + " >" + out +
                        " 2>" + err + " </dev/null & pid=$!; for i in $(seq 400); do grep -q " +
                        test::ShellQuote(waitFor) + " " + out + " && break; sleep 0.05; done; " +
                        send + "wait $pid; echo $?");
}

int Count(const std::string& all, const std::string& text) {
  int n = 0;
  for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + text.size()))
    ++n;
  return n;
}

TEST(UpdateFlowCliTest, StopSignalsBeforeTheImageStopTheUpdateAndRemoveThePayload) {
  for (const char* sig : {"INT", "TERM", "HUP"}) {
    SCOPED_TRACE(sig);
    test::TempDir dir;
    const fs::path image = RecordedImage(dir, "ZID310");
    test::VdevProcess vdev({"--model", "ZID310", "--bt-address", "01:23:45:67:89:AB",
                            "--flash-dump", (dir / "flash.bin").string()});
    ASSERT_TRUE(vdev.Started());
    // Once the image check is printed, the update is in its first pause, before the boot ROM
    // is touched.
    const auto r = RunAndSignal(dir, "--port " + test::ShellQuote(vdev.PortPath()) + " " +
                                         test::ShellQuote(image.string()),
                                "^Image:", {sig});
    const std::string printed =
        test::ReadFileBytes(dir / "out.txt") + test::ReadFileBytes(dir / "err.txt");
    EXPECT_EQ(r.out, "1\n") << printed;
    EXPECT_NE(printed.find(LoadText(kTextCancelled)), std::string::npos) << printed;
    EXPECT_FALSE(fs::exists(dir / "flash.bin"));
    EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
    const auto log = vdev.LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "boot ROM: handshake done, line taken"), 0);
  }
}

TEST(UpdateFlowCliTest, SignalsDuringTheImageAreHeldAndTheReasonIsSaidEachTime) {
  test::TempDir dir;
  // 384 KiB on a line paced as a real one: about four seconds of image.
  const auto payload = test::MakePayload(384 * 1024, 11);
  const fs::path image = dir / "ZID310_V124_PLM.bin";
  test::WriteImageFile(image, test::Tagged("ZID310", "V1.24", payload));
  test::VdevProcess vdev({"--model", "ZID310", "--bt-address", "01:23:45:67:89:AB", "--line-rate",
                          "--flash-dump", (dir / "flash.bin").string()});
  ASSERT_TRUE(vdev.Started());
  const auto r = RunAndSignal(dir, "--port " + test::ShellQuote(vdev.PortPath()) + " " +
                                       test::ShellQuote(image.string()),
                              LoadText(kTextImageStart), {"INT", "INT", "TERM", "HUP"});
  const std::string err = test::ReadFileBytes(dir / "err.txt");
  EXPECT_EQ(r.out, "0\n") << err;
  EXPECT_EQ(Count(err, LoadText(kTextCancelRefusedWhileFlashing)), 4) << err;
  EXPECT_EQ(test::ReadFileBytes(dir / "flash.bin"), test::AsString(payload));
  EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
  EXPECT_GE(vdev.CountReceived("$PMTK392,012345,6789AB*38"), 1);
}

TEST(UpdateFlowCliTest, NothingIsWrittenWithoutAMatchingDevice) {
  test::TempDir dir;
  const fs::path image = RecordedImage(dir, "ZID310");
  const std::string env = "XDG_CONFIG_HOME=" + (dir / "config").string();
  {
    // An image for another product is not written.
    test::VdevProcess vdev({"--model", "KTRTONIC", "--flash-dump", (dir / "flash.bin").string()});
    ASSERT_TRUE(vdev.Started());
    const CommandOutput r = RunCli("update --port " + vdev.PortPath() + " " + image.string(), env);
    EXPECT_NE(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("適合しておりません"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
    EXPECT_FALSE(fs::exists(dir / "flash.bin"));
  }
  // No device on the port: said in the program's language, and nothing timed out.
  const CommandOutput r = RunCli("update --port " + (dir / "nothing").string() + " " + image.string(), env);
  EXPECT_EQ(r.exitCode, 3) << r.out;
  EXPECT_NE(r.out.find(LoadText(kTextPortNotFound)), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(LoadText(315)), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
}

TEST(UpdateFlowCliTest, UnitStuckInItsBootRomIsFlashedOnlyAsTheModelItIs) {
  test::TempDir dir;
  const fs::path image = RecordedImage(dir, "ZID310");
  test::VdevProcess vdev(
      {"--model", "ZID310", "--silent", "--flash-dump", (dir / "flash.bin").string()});
  ASSERT_TRUE(vdev.Started());
  const std::string env = "XDG_CONFIG_HOME=" + (dir / "config").string();
  const std::string port = " --port " + vdev.PortPath() + " " + image.string();
  // Forced without a model, it is taken for a KRB-1: the ZID310 image does not fit.
  CommandOutput r = RunCli("update --force" + port, env);
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find(LoadText(435)), std::string::npos) << r.out;
  // A model nobody makes, or --model without --force: bad usage.
  EXPECT_EQ(RunCli("update --force --model NOPE" + port, env).exitCode, 2);
  EXPECT_EQ(RunCli("update --model ZID310" + port, env).exitCode, 2);
  // As a ZID310: its address cannot be read, nothing is stored, and nobody can be asked.
  r = RunCli("update --force --model zid310" + port, env);
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find(LoadText(kTextAddressUnknown)), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir / "flash.bin"));
  EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
  // Allowed to lose it: flashed, and the loss is said.
  r = RunCli("update --force --model zid310 --allow-address-loss" + port, env);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find(LoadText(kTextAddressLost)), std::string::npos) << r.out;
  EXPECT_EQ(test::ReadFileBytes(dir / "flash.bin"), test::AsString(test::MakePayload(8 * 1024, 3)));
  // No made-up address was written into it.
  const auto received = vdev.ReceivedSentences();
  EXPECT_EQ(std::count_if(received.begin(), received.end(),
                          [](const std::string& s) { return s.rfind("$PMTK392", 0) == 0; }),
            0);
}

TEST(UpdateFlowCliTest, SameOrOlderImageOnlyWhenTheUserSaysSo) {
  test::TempDir dir;
  const fs::path image = RecordedImage(dir, "ZID310");  // V1.24
  test::VdevProcess vdev({"--model", "ZID310", "--firmware", "124", "--bt-address",
                          "01:23:45:67:89:AB", "--flash-dump", (dir / "flash.bin").string()});
  ASSERT_TRUE(vdev.Started());
  const std::string env = "XDG_CONFIG_HOME=" + (dir / "config").string();
  const std::string port = " --port " + vdev.PortPath() + " " + image.string();
  // No terminal to ask on: refused, with the option that allows it.
  CommandOutput r = RunCli("update" + port, env);
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find(LoadText(438)), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("--allow-downgrade"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir / "flash.bin"));
  EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
  // On a terminal: asked; "n" keeps it, "y" writes it.
  const std::string command = env + " " + DIVUZO_CLI_PATH + " update --progress never" + port;
  r = RunInTerminal(command, "[y/N]", "n\n");
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_FALSE(fs::exists(dir / "flash.bin"));
  r = RunInTerminal(command, "[y/N]", "y\n");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(fs::exists(dir / "flash.bin"));
  fs::remove(dir / "flash.bin");
  // Allowed beforehand.
  r = RunCli("update --allow-downgrade" + port, env);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(fs::exists(dir / "flash.bin"));
}

// Runs `divuzo update ARGS` with its standard output and error in files of `dir`.
test::CommandOutput RunSplit(const test::TempDir& dir, const std::string& args,
                             const std::string& env) {
  return test::RunShell(env + " " + test::ShellQuote(DIVUZO_CLI_PATH) +
                        " update --progress never " + args + " >" +
                        test::ShellQuote((dir / "out.txt").string()) + " 2>" +
                        test::ShellQuote((dir / "err.txt").string()) + " </dev/null; echo $?");
}

TEST(UpdateFlowCliTest, FlashingFailuresSayWhyOnStandardError) {
  struct Case {
    std::vector<std::string> device;
    std::string options;
    int reason;
  } cases[] = {
      {{"--model", "ZID310", "--refuse-packet", "0"}, "", kTextPacketRefused},
      {{"--model", "ZID310", "--no-handshake"}, "", kTextNoBootRom},
      {{"--model", "ZID310", "--hangup-at", "50"}, "", kTextPortGone},
      // A forced update assumes the older chip; this unit has the newer one.
      {{"--model", "T2200", "--silent"}, "--force", kTextAgentRefused},
  };
  // Each case is a device and a command of its own: they run side by side.
  std::vector<std::future<void>> runs;
  for (const Case& c : cases) {
    runs.push_back(std::async(std::launch::async, [&c] {
      SCOPED_TRACE(c.device[2]);
      test::TempDir dir;
      const fs::path image = RecordedImage(dir, c.options.empty() ? "ZID310" : "KRB-1");
      std::vector<std::string> device = c.device;
      device.insert(device.end(), {"--bt-address", "01:23:45:67:89:AB"});
      test::VdevProcess vdev(device);
      ASSERT_TRUE(vdev.Started());
      const auto r = RunSplit(dir, c.options + " --port " + vdev.PortPath() + " " + image.string(),
                              "XDG_CONFIG_HOME=" + (dir / "config").string());
      const std::string out = test::ReadFileBytes(dir / "out.txt");
      const std::string err = test::ReadFileBytes(dir / "err.txt");
      EXPECT_EQ(r.out, "1\n") << out << err;
      EXPECT_NE(out.find(LoadText(kTextFailed)), std::string::npos) << out;
      EXPECT_EQ(out.find(LoadText(kTextUpdating)), std::string::npos) << out;
      EXPECT_NE(err.find(LoadText(c.reason)), std::string::npos) << err;
      EXPECT_FALSE(fs::exists(dir / "Raded_FW_Temp.bin"));
    }));
  }
  for (auto& run : runs) run.get();
}

TEST(UpdateFlowCliTest, AddressThatIsNotWrittenBackIsNoSuccess) {
  test::TempDir dir;
  const fs::path image = RecordedImage(dir, "ZID310");
  // Another program takes the port after the flash and keeps it.
  test::VdevProcess vdev({"--model", "ZID310", "--bt-address", "01:23:45:67:89:AB",
                          "--busy-after-restart", "-1", "--flash-dump",
                          (dir / "flash.bin").string()});
  ASSERT_TRUE(vdev.Started());
  const auto r = RunSplit(dir, "--port " + vdev.PortPath() + " " + image.string(),
                          "XDG_CONFIG_HOME=" + (dir / "config").string());
  const std::string err = test::ReadFileBytes(dir / "err.txt");
  EXPECT_EQ(r.out, "1\n") << err;
  EXPECT_TRUE(fs::exists(dir / "flash.bin"));
  EXPECT_NE(err.find(LoadText(kTextAddressNotRestored)), std::string::npos) << err;
  EXPECT_NE(err.find(LoadText(kTextPortBusy)), std::string::npos) << err;

  // A settings folder that cannot hold the address: refused before anything is written.
  vdev.Stop();
  fs::remove(dir / "flash.bin");
  test::VdevProcess other({"--model", "ZID310", "--bt-address", "01:23:45:67:89:AB", "--flash-dump",
                           (dir / "flash.bin").string()});
  ASSERT_TRUE(other.Started());
  test::WriteFileBytes(dir / "settings", "a file where the folder should be");
  const auto refused = RunSplit(dir, "--port " + other.PortPath() + " " + image.string(),
                                "XDG_CONFIG_HOME=" + (dir / "settings").string());
  EXPECT_EQ(refused.out, "1\n");
  const std::string why = test::ReadFileBytes(dir / "err.txt");
  EXPECT_NE(why.find(LoadText(kTextAddressNotStored)), std::string::npos) << why;
  EXPECT_NE(why.find("--allow-address-loss"), std::string::npos) << why;
  EXPECT_FALSE(fs::exists(dir / "flash.bin"));
}

} // namespace
} // namespace divuzo
