// divuzo tracklog: the track-log setting page on the command line: receive the device's track
// log, show and change its recording settings, erase it.
#include "Command.h"
#include "PortArgument.h"
#include "TerminalQuestion.h"
#include "TransferCommand.h"

#include "StringTable.h"
#include "platform/Utf8Path.h"
#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"
#include "serial/PortChoice.h"
#include "trackdata/TrackLogReceive.h"
#include "trackdata/TrackLogSettings.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

struct ReceiveOptions {
  std::string port;
  std::string out;
};

int RunReceive(const ReceiveOptions& o) {
  using namespace divuzo;
  const TrackLogReceiveResult r =
      cli::RunTransfer(TransferKind::TrackLog, o.port, "tracklog",
                       [&](DeviceSession& session, const std::vector<PortCandidate>& ports) {
                         return ReceiveTrackLog(session, PathFromUtf8(o.out), ports);
                       });
  cli::PrintTransferStatus(r.status);
  if (!r.partial.empty())
    std::fprintf(stderr, "%s%s\n", TextOrOwnWording(kTextPartialKept).c_str(),
                 Utf8FromPath(r.partial).c_str());
  return cli::TransferExitStatus(r.status);
}

struct SettingsOptions {
  std::string port;
  std::string recording;  // on, off
  std::string logBy;      // time, distance
  std::optional<int> interval;
  std::optional<int> distance;
  std::string recordMode;  // cycle, once
};

void PrintSettings(const divuzo::TrackLogSettings& s) {
  using namespace divuzo;
  if (s.recording == kRecordingOn || s.recording == kRecordingOff)
    std::printf("Recording: %s\n", s.recording == kRecordingOn ? "on" : "off");
  std::printf("Log by: %s\n", s.logBy == kLogByTime ? "time" : "distance");
  std::printf("Interval: %d s\n", s.intervalSeconds);
  std::printf("Distance: %d m (%d ft)\n", s.distanceMeters, s.distanceFeet);
  std::printf("Record mode: %s\n", s.recordMode == 2 ? "once" : "cycle");
}

// Opens `session`'s line on `port` (the first known bridge when empty) and names the port on
// standard output; the exit status when it cannot.
int OpenLine(divuzo::DeviceSession& session, std::string port) {
  using namespace divuzo;
  if (const int status = cli::ChoosePort(port); status != cli::kExitDone) return status;
  session.SelectFromLists(port, -1);
  if (!session.portOpen.load()) {
    std::fprintf(stderr, "%s\n", session.LastError().message.c_str());
    return cli::kExitNoDevice;
  }
  std::printf("Port: %s\n", port.c_str());
  return cli::kExitDone;
}

int RunSettings(const SettingsOptions& o) {
  using namespace divuzo;
  DeviceSession session;
  if (const int status = OpenLine(session, o.port); status != cli::kExitDone) return status;
  DeviceProtocol& protocol = session.Protocol();
  // Reading alone changes nothing in the device: recording is switched only when asked. Its
  // state cannot be read (0: unknown), so an explicit choice is always sent.
  TrackLogSettings unknown;
  unknown.recording = 0;
  const SettingsRead read = ReadTrackLogSettings(protocol, unknown, false);
  if (!read.answered) {
    std::fprintf(stderr, "%s\n", TextOrOwnWording(kTextSettingRefused).c_str());
    session.Close();
    return cli::kExitNoDevice;
  }
  TrackLogSettings known = read.values;
  TrackLogSettings wanted = known;
  if (!o.recording.empty()) wanted.recording = o.recording == "on" ? kRecordingOn : kRecordingOff;
  if (!o.logBy.empty()) wanted.logBy = o.logBy == "time" ? kLogByTime : kLogByDistance;
  if (o.interval) wanted.intervalSeconds = *o.interval;
  if (o.distance) {
    wanted.distanceMeters = *o.distance;
    wanted.distanceFeet = FeetFromMeters(*o.distance);
  }
  if (!o.recordMode.empty()) wanted.recordMode = o.recordMode == "once" ? 2 : 1;
  int exit = cli::kExitDone;
  if (!ApplyCommands(known, wanted, false).empty()) {
    const Status applied = ApplyTrackLogSettings(protocol, known, wanted, false);
    cli::PrintTransferStatus(applied);
    exit = cli::TransferExitStatus(applied);
  }
  PrintSettings(known);
  session.Close();
  return exit;
}

struct ClearOptions {
  std::string port;
  bool yes = false;
};

// The track-log page's Clear: the device erases its track log when it confirms (text 979).
int RunClear(const ClearOptions& o) {
  using namespace divuzo;
  if (const int status = cli::ConfirmErase("tracklog clear", o.yes); status != cli::kExitDone)
    return status;
  DeviceSession session;
  if (const int status = OpenLine(session, o.port); status != cli::kExitDone) return status;
  const Status cleared = ClearTrackLog(session.Protocol());
  session.Close();
  cli::PrintTransferStatus(cleared);
  return cli::TransferExitStatus(cleared);
}

divuzo::cli::RegisterCommand reg([](CLI::App& app) {
  auto* group = app.add_subcommand(
      "tracklog", "A device's track log: receive it, show and change its settings, erase it");
  group->require_subcommand(1);

  auto receive = std::make_shared<ReceiveOptions>();
  auto* r = group->add_subcommand("receive",
                                  "Receive the device's track log into a file (.trl), unchanged");
  r->add_option("OUT", receive->out,
                "the file to write; a receive that fails part-way keeps OUT.partial")
      ->required();
  r->add_option(
      "--port", receive->port,
      "serial port path (default: every port of the list in its order, a known bridge first)");
  r->callback([receive] { divuzo::cli::SetExitCode(RunReceive(*receive)); });

  auto settings = std::make_shared<SettingsOptions>();
  auto* s =
      group->add_subcommand("settings", "Show the track logger's settings; change those given");
  s->add_option("--port", settings->port,
                "serial port path (default: the first known USB-to-serial bridge)");
  s->add_option("--recording", settings->recording, "switch recording on or off")
      ->check(CLI::IsMember({"on", "off"}));
  s->add_option("--log-by", settings->logBy, "log by time or by distance")
      ->check(CLI::IsMember({"time", "distance"}));
  s->add_option("--interval", settings->interval, "time interval in seconds")
      ->check(CLI::NonNegativeNumber);
  s->add_option("--distance", settings->distance, "distance in metres")
      ->check(CLI::NonNegativeNumber);
  s->add_option("--record-mode", settings->recordMode, "record in flash with cycle, or once")
      ->check(CLI::IsMember({"cycle", "once"}));
  s->callback([settings] { divuzo::cli::SetExitCode(RunSettings(*settings)); });

  auto clear = std::make_shared<ClearOptions>();
  auto* c = group->add_subcommand("clear", "Erase the device's track log (asks first on a terminal)");
  c->add_option("--port", clear->port,
                "serial port path (default: the first known USB-to-serial bridge)");
  c->add_flag("--yes", clear->yes, "erase without asking");
  c->callback([clear] { divuzo::cli::SetExitCode(RunClear(*clear)); });
});

}  // namespace
