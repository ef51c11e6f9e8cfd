// The command line's manners, run as a user or a script runs it: exit statuses, --json output
// against the virtual device, the language choice and the progress lines of long jobs.
#include "CaptureOutput.h"
#include "Json.h"
#include "TempDir.h"
#include "TestJpeg.h"
#include "VdevProcess.h"

#include "trackdata/TrackPointRecord.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace divuzo {
namespace {

using test::RunCli;
using test::ShellQuote;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(JsonText, EscapesWhatJsonForbidsAndKeepsValidUtf8) {
  EXPECT_EQ(cli::JsonString("Silicon Labs \"CP210x\" (/dev/ttyUSB0)"),
            R"j("Silicon Labs \"CP210x\" (/dev/ttyUSB0)")j");
  EXPECT_EQ(cli::JsonString("a\\b\nc\td\x01"), R"("a\\b\nc\td\u0001")");
  EXPECT_EQ(cli::JsonString("読み込みが完了しました。"), "\"読み込みが完了しました。\"");
  // Bytes that are no UTF-8 (a stray byte, an overlong form, a cut sequence) become U+FFFD.
  EXPECT_EQ(cli::JsonString("a\xFF"
                            "b"),
            "\"a\uFFFDb\"");
  EXPECT_EQ(cli::JsonString("\xC0\xAF"), "\"\uFFFD\uFFFD\"");
  EXPECT_EQ(cli::JsonString("\xE3\x81"), "\"\uFFFD\uFFFD\"");
  EXPECT_EQ(cli::JsonObject().Add("a", 1).Add("b", true).AddNull("c").Add("d", "x").Text(),
            R"({"a":1,"b":true,"c":null,"d":"x"})");
}

TEST(CommandLine, ExitStatusForUsageErrorsAndHelp) {
  const auto help = RunCli("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(Contains(help.out, "3  device not found or not answering")) << help.out;
  for (const char* usage : {"", "no-such-command", "identify --no-such-option", "update",
                            "--lang de ports", "convert", "convert x.trl --tz 99"}) {
    const auto r = RunCli(usage);
    EXPECT_EQ(r.exitCode, 2) << usage << "\n" << r.out;
  }
}

TEST(CommandLine, DeviceNotFoundOrNotAnswering) {
  test::TempDir dir;
  const std::string missing = (dir / "ttyUSB9").string();
  const auto identify = RunCli("identify --port " + ShellQuote(missing));
  EXPECT_EQ(identify.exitCode, 3) << identify.out;

  // A line that goes away at the first byte: nothing answers.
  test::VdevProcess vdev({"--hangup-after", "1"});
  ASSERT_TRUE(vdev.Started());
  const auto silent = RunCli("identify --port " + vdev.PortPath());
  EXPECT_EQ(silent.exitCode, 3) << silent.out;

  const auto update = RunCli("update --port " + ShellQuote(missing) + " " +
                             ShellQuote((dir / "x_PLM.bin").string()));
  EXPECT_EQ(update.exitCode, 3) << update.out;

  // No port named and no known bridge announced.
  const auto none = RunCli("identify", "DIVUZO_VPORT_DIR=" + ShellQuote((dir / "none").string()));
  if (!Contains(none.out, "Port:")) {  // else a real adapter is attached
    EXPECT_EQ(none.exitCode, 3) << none.out;
  }
}

TEST(CommandLine, IdentifyAsJsonInEitherLanguage) {
  test::VdevProcess vdev({"--model", "ZID310", "--firmware", "123"});
  ASSERT_TRUE(vdev.Started());
  const std::string port = vdev.PortPath();
  // --lang overrides the locale, also after the sub-command's name.
  const auto ja = RunCli("identify --json --port " + port + " --lang ja", "LANG=en_GB.UTF-8");
  EXPECT_EQ(ja.exitCode, 0);
  EXPECT_EQ(ja.out, R"({"port":")" + port +
                        R"(","ok":true,"model":"ZID310","firmware":"V1.23","firmwareDigits":"123",)"
                        R"("hardware":"V01","deviceKind":7,"status":"読み込みが完了しました。",)"
                        R"("statusId":311,"error":null})"
                        "\n");
  // An English locale without --lang.
  const auto en = RunCli("identify --port " + port, "LANG=en_GB.UTF-8");
  EXPECT_EQ(en.exitCode, 0);
  EXPECT_TRUE(Contains(en.out, "Model: ZID310\n")) << en.out;
  EXPECT_TRUE(Contains(en.out, "The device has been read.\n")) << en.out;
}

TEST(CommandLine, PortsAsJson) {
  test::VdevProcess vdev;
  ASSERT_TRUE(vdev.Started());
  const std::string path = vdev.PortPath();
  const auto r = RunCli("ports --json", "DIVUZO_VPORT_DIR=" + ShellQuote(vdev.VportDir()));
  EXPECT_EQ(r.exitCode, 0);
  ASSERT_FALSE(r.out.empty());
  EXPECT_EQ(r.out.front(), '[');
  EXPECT_EQ(r.out.substr(r.out.size() - 2), "]\n");
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);  // one line
  EXPECT_TRUE(Contains(
      r.out,
      R"({"port":")" + path + R"(","path":")" + path +
          R"(","name":"Silicon Labs CP210x USB to UART Bridge ()" + path +
          R"j()","description":"Silicon Labs CP210x USB to UART Bridge","usb":false,"autoDetect":)j"))
      << r.out;
}

// With --progress always (a job this small is over before the usual second of quiet), into a
// log: plain lines, not a redrawn one.
TEST(CommandLine, LongJobsWritePlainProgressLinesToALog) {
  test::TempDir dir;
  {
    std::ofstream track(dir / "t.trl", std::ios::binary);
    for (int i = 0; i < 2000; ++i) {
      const TrackPointRecord r = EncodeRecord(1333361700 + i, 35.5f, 139.5f + i * 1e-4f, 12.0f);
      track.write(reinterpret_cast<const char*>(r.bytes.data()),
                  static_cast<std::streamsize>(r.bytes.size()));
    }
  }
  std::filesystem::create_directory(dir / "photos");
  test::TestPhoto photo;
  photo.dateTimeOriginal = "2012:04:02 10:15:10";
  test::WriteFileBytes(dir / "photos" / "IMG_1.JPG", test::MakeTestJpeg(photo));

  const std::string log = (dir / "log").string();
  const std::string cli = std::string(DIVUZO_CLI_PATH) + " --progress always ";
  const auto convert =
      test::RunShell(cli + "convert --kml --gpx " + ShellQuote((dir / "t.trl").string()) + " 2>" +
                     ShellQuote(log));
  EXPECT_EQ(convert.exitCode, 0);
  const std::string converted = test::ReadFileBytes(log);
  EXPECT_EQ(converted.find('\r'), std::string::npos);
  const auto lines = test::Lines(converted);
  EXPECT_GE(lines.size(), 2u);
  EXPECT_LE(lines.size(), 20u);
  for (const std::string& line : lines) EXPECT_EQ(line.rfind("convert: ", 0), 0u) << line;
  EXPECT_TRUE(Contains(converted, "convert: 100% (")) << converted;
  EXPECT_TRUE(Contains(converted, " records/s, took ")) << converted;

  const auto geotag =
      test::RunShell(cli + "geotag --tz 0 --track " + ShellQuote((dir / "t.trl").string()) +
                     " --photos " + ShellQuote((dir / "photos").string()) + " --kml " +
                     ShellQuote((dir / "out.kml").string()) + " 2>" + ShellQuote(log));
  EXPECT_EQ(geotag.exitCode, 0);
  EXPECT_TRUE(Contains(test::ReadFileBytes(log), "geotag: 100% (")) << test::ReadFileBytes(log);
}

}  // namespace
}  // namespace divuzo
