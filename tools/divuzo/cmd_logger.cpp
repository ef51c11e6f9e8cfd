// divuzo logger download|clear|settings: the logger page's Upload, Clear and settings on the
// command line, through the same core as the window.
#include "Command.h"
#include "PortArgument.h"
#include "DeviceStatus.h"
#include "InterruptToCancel.h"
#include "ProgressDisplay.h"
#include "TerminalQuestion.h"

#include "StringTable.h"
#include "platform/Utf8Path.h"
#include "serial/DeviceIdentity.h"
#include "serial/DeviceSession.h"
#include "serial/LogDownload.h"
#include "serial/LoggerConnection.h"
#include "serial/LoggerSettings.h"
#include "serial/PortChoice.h"
#include "trackdata/TimeZoneChoice.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using namespace divuzo;
namespace fs = std::filesystem;

// Holds the line for one command: connects the logger, lets it go at the end (goodbye).
// Ctrl+C meanwhile asks the work to stop where that is safe.
class LoggerLine {
 public:
  LoggerLine() : interrupt_(session_) {}
  ~LoggerLine() { DisconnectDevice(session_); }
  LoggerLine(const LoggerLine&) = delete;
  LoggerLine& operator=(const LoggerLine&) = delete;

  // Connects on `port` (a known bridge when empty); 0 when connected, else the exit status.
  int Connect(std::string port) {
    if (const int status = cli::ChoosePort(port); status != cli::kExitDone) return status;
    const LoggerConnectResult r = ConnectLogger(session_, logger_, port);
    if (r.connected) return cli::kExitDone;
    if (r.status.code == StatusCode::PortUnusable) {
      std::fprintf(stderr, "%s\n", r.portError.message.c_str());
      return cli::UnidentifiedStatus(r.portError);
    }
    std::fprintf(stderr, "%s\n", TextOrOwnWording(r.status.textId).c_str());
    return cli::kExitNoDevice;
  }

  DeviceSession& Session() { return session_; }
  LoggerState& Logger() { return logger_; }

 private:
  DeviceSession session_;
  LoggerState logger_;
  cli::InterruptToCancel interrupt_;
};

// ---- download

struct DownloadOptions {
  std::string port;
  std::string out;
  bool total = false;
  std::string photos;
  std::optional<int> tz;
  std::optional<unsigned> speed;
  bool sinceLast = false;
};

int RunDownload(const DownloadOptions& o) {
  std::error_code error;
  const fs::path out = PathFromUtf8(o.out);
  fs::create_directories(out, error);
  if (!fs::is_directory(out)) {
    std::fprintf(stderr, "divuzo logger download: cannot use %s as the output folder\n",
                 o.out.c_str());
    return cli::kExitFailed;
  }
  if (!o.photos.empty() && !fs::is_directory(PathFromUtf8(o.photos))) {
    std::fprintf(stderr, "divuzo logger download: %s is not a folder\n", o.photos.c_str());
    return cli::kExitFailed;
  }
  LoggerLine line;
  if (const int status = line.Connect(o.port); status != cli::kExitDone) return status;

  LogDownloadRequest request;
  request.folder = out;
  request.writeTotal = o.total;
  request.photoFolder = PathFromUtf8(o.photos);
  request.localTime = o.tz ? LocalTimeBase::FixedHours(*o.tz) : LocalTimeBase::Computer();
  request.photo.timeZoneHours =
      o.tz ? *o.tz : InitialTimeZoneFromBias(ComputerTimeZoneBiasMinutes()).offsetHours;
  request.speed = !o.speed                     ? LoggerSpeed::Auto
                  : *o.speed == kHighSpeedBaud ? LoggerSpeed::Fast
                                               : LoggerSpeed::Normal;
  request.sinceLast = o.sinceLast;

  cli::ProgressDisplay display("download", "bytes");
  std::vector<std::string> files;
  request.announce = [&](const std::string& announcement) {
    display.Finish();
    files.push_back(announcement);
  };
  ProgressFunction progress([&](const Progress& p) {
    if (p.total > 0) display.Update(p.done, p.total);
  });
  line.Session().progress = &progress;
  const LogDownloadResult r = DownloadLogMemory(line.Session(), line.Logger(), request);
  display.Finish();
  if (const std::string why = SinceLastText(r);
      !why.empty() && r.status.code != StatusCode::PortUnusable)
    std::fprintf(stderr, "%s\n", why.c_str());
  for (const std::string& file : files) std::printf("%s\n", file.c_str());
  std::fprintf(r.status.Ok() ? stdout : stderr, "%s\n", r.message.c_str());
  if (!r.status.Ok() && !r.status.detail.empty())
    std::fprintf(stderr, "(%s)\n", r.status.detail.c_str());
  return r.status.Ok() ? cli::kExitDone : cli::kExitFailed;
}

// ---- clear

struct ClearOptions {
  std::string port;
  bool yes = false;
};

int RunClear(const ClearOptions& o) {
  if (const int status = cli::ConfirmErase("logger clear", o.yes); status != cli::kExitDone)
    return status;
  LoggerLine line;
  if (const int status = line.Connect(o.port); status != cli::kExitDone) return status;
  const ClearResult r = ClearLogMemory(line.Session(), line.Logger());
  std::fprintf(r.status.Ok() ? stdout : stderr, "%s\n", ClearResultText(r).c_str());
  return r.status.Ok() ? cli::kExitDone : cli::kExitFailed;
}

// ---- settings

struct SettingsOptions {
  std::string port;
  std::optional<int> interval;
  std::optional<int> distance;
  std::string mode;
};

void PrintSettings(const LoggerSettingsKnown& known) {
  std::printf("Record mode: %s\n",
              known.recordMode == kRecordStopWhenFull ? "stop when full" : "overwrite");
  std::printf("Interval: %ld.%ld s\n", known.time / 10, known.time % 10);
  std::printf("Distance: %ld.%ld m\n", known.distance / 10, known.distance % 10);
}

int RunSettings(const SettingsOptions& o) {
  LoggerLine line;
  if (const int status = line.Connect(o.port); status != cli::kExitDone) return status;
  LoggerSettings settings;
  settings.Defaults();
  const Status read = settings.Read(line.Session());
  if (!read.Ok()) {
    std::fprintf(stderr, "%s\n", LoadText(read.textId).c_str());
    return cli::kExitNoDevice;
  }
  if (o.interval || o.distance || !o.mode.empty()) {
    if (o.interval) {
      settings.values.timeInterval = *o.interval;
      settings.values.timeRow = TimeRowForSeconds(*o.interval);
    }
    if (o.distance) {
      settings.values.distance = static_cast<long>(*o.distance) * 10;
      settings.values.distanceRow = DistanceRowForMetres(*o.distance);
    }
    if (!o.mode.empty())
      settings.ChooseRecordMode(o.mode == "stop" ? kRecordStopWhenFull : kRecordOverwrite);
    const Status applied = settings.Apply(line.Session());
    if (!applied.Ok()) {
      std::fprintf(stderr, "%s\n", LoadText(applied.textId).c_str());
      PrintSettings(settings.known);
      return cli::kExitFailed;
    }
  }
  PrintSettings(settings.known);
  return cli::kExitDone;
}

cli::RegisterCommand reg([](CLI::App& app) {
  auto* logger = app.add_subcommand(
      "logger", "Track logger: download its memory, erase it, its recording settings");
  logger->require_subcommand(1);
  const char* portHelp = "serial port path (default: the first known USB-to-serial bridge)";

  auto d = std::make_shared<DownloadOptions>();
  auto* download = logger->add_subcommand(
      "download",
      "Read the logger's memory and write Vorur.trl, the track files and their KML files into DIR");
  download->add_option("--port", d->port, portHelp);
  download->add_option("--out", d->out, "folder that receives the files (made when missing)")
      ->required();
  download->add_flag("--total", d->total, "also write the track file with every track");
  download->add_option("--photos", d->photos,
                       "combine the photos of this folder into the KML files");
  download
      ->add_option("--tz", d->tz,
                   "local time = UTC + HOURS in file names and KML (default: this computer's)")
      ->check(CLI::Range(-12, 13));
  download
      ->add_option("--speed", d->speed,
                   "line speed of the download (default: 921600 on a known bridge)")
      ->check(CLI::IsMember({921600u, 115200u}));
  download->add_flag(
      "--since-last", d->sinceLast,
      "read only what the logger recorded since the last download into DIR, when that is sound");
  download->callback([d] { cli::SetExitCode(RunDownload(*d)); });

  auto c = std::make_shared<ClearOptions>();
  auto* clear =
      logger->add_subcommand("clear", "Erase the logger's memory (asks first on a terminal)");
  clear->add_option("--port", c->port, portHelp);
  clear->add_flag("--yes", c->yes, "erase without asking");
  clear->callback([c] { cli::SetExitCode(RunClear(*c)); });

  auto s = std::make_shared<SettingsOptions>();
  auto* settings = logger->add_subcommand(
      "settings", "Show the logger's recording settings; with options, change them");
  settings->add_option("--port", s->port, portHelp);
  settings->add_option("--interval", s->interval, "seconds between records")
      ->check(CLI::Range(1, 3600));
  settings->add_option("--distance", s->distance, "metres between records")
      ->check(CLI::Range(1, 10000));
  settings
      ->add_option("--mode", s->mode,
                   "when the memory is full: overwrite the oldest records, or stop")
      ->check(CLI::IsMember({"overwrite", "stop"}));
  settings->callback([s] { cli::SetExitCode(RunSettings(*s)); });
});

}  // namespace
