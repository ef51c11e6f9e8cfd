// The logger memory download against divuzo-vdev on a pseudo-terminal with its line paced like
// a real line (--line-rate), at 921600 and at 115200. Three figures for each: the time of the
// download, the line-rate time of the bytes that crossed the line (both ways, each at the
// speed the line had then), and the pauses the device needs (the 16-byte pieces of commands at
// high speed, the pauses after the speed changes). The target: time <= 1.05 x line time +
// pauses. Then the peak resident memory of `divuzo logger download` for the whole memory.
//
//   bench_logger [--used-end HEX]   (default: the whole 2 MiB)
#include "BenchVdev.h"

#include "serial/DeviceIdentity.h"
#include "serial/DeviceSession.h"
#include "serial/LogDownload.h"
#include "serial/LoggerConnection.h"
#include "update/FlashDownload.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace divuzo;
using Clock = std::chrono::steady_clock;

// The system clock, adding up the pauses asked for (the waits on the line are not pauses).
class PauseCountingClock : public LinkClock {
 public:
  TimePoint Now() override { return LinkClock::System().Now(); }
  void SleepUntil(TimePoint when) override {
    const auto now = Now();
    if (when > now) paused += std::chrono::duration<double>(when - now).count();
    LinkClock::System().SleepUntil(when);
  }
  double paused = 0;
};

// A serial line that adds up the line-rate time of every byte it carries, at the speed the
// line has when the byte goes.
class MeasuredLine : public Link {
 public:
  MeasuredLine(std::unique_ptr<Link> line, LinkClock& clock, double& lineSeconds)
      : line_(std::move(line)), clock_(clock), lineSeconds_(lineSeconds) {}
  long Write(const void* data, std::size_t size) override {
    return Count(line_->Write(data, size));
  }
  long Read(void* buffer, std::size_t count) override { return Count(line_->Read(buffer, count)); }
  bool WaitReadable(int timeoutMs) override { return line_->WaitReadable(timeoutMs); }
  bool Configure(unsigned baud) override { return line_->Configure(baud); }
  unsigned Baud() const override { return line_->Baud(); }
  void Drain() override { line_->Drain(); }
  void Purge() override { line_->Purge(); }
  void Close() override { line_->Close(); }
  bool IsOpen() const override { return line_->IsOpen(); }
  const std::string& Path() const override { return line_->Path(); }
  const PortError& LastError() const override { return line_->LastError(); }
  LinkClock& Clock() override { return clock_; }

 private:
  long Count(long bytes) {
    if (bytes > 0) lineSeconds_ += bytes * 10.0 / line_->Baud();
    return bytes;
  }
  std::unique_ptr<Link> line_;
  LinkClock& clock_;
  double& lineSeconds_;
};

bool Measure(const std::string& folder, unsigned speed, const std::string& usedEnd) {
  bench::BenchVdev vdev = bench::StartVdev(
      folder + "/divuzo-vdev", {"--model", "TR410", "--line-rate", "--used-end", usedEnd});
  if (vdev.port.empty()) {
    std::fprintf(stderr, "bench_logger: the virtual device did not start\n");
    return false;
  }
  PauseCountingClock clock;
  double lineSeconds = 0;
  DeviceSession session;
  session.clock = &clock;
  session.opener = [&](const std::string& path, unsigned baud,
                       PortError& error) -> std::unique_ptr<Link> {
    auto line = OpenSerialLink(path, baud, error);
    if (!line) return nullptr;
    return std::make_unique<MeasuredLine>(std::move(line), clock, lineSeconds);
  };
  LoggerState logger;
  const LoggerConnectResult connected = ConnectLogger(session, logger, vdev.port);
  if (!connected.connected) {
    std::fprintf(stderr, "bench_logger: the logger did not connect\n");
    bench::StopVdev(vdev);
    return false;
  }
  const std::filesystem::path out =
      std::filesystem::temp_directory_path() / ("bench_logger_" + std::to_string(getpid()));
  std::filesystem::create_directories(out);
  LogDownloadRequest request;
  request.folder = out;
  request.speed = speed == kHighSpeedBaud ? LoggerSpeed::Fast : LoggerSpeed::Normal;
  // Only the download is measured: what the connection said is not counted.
  lineSeconds = 0;
  clock.paused = 0;
  const auto start = Clock::now();
  const LogDownloadResult r = DownloadLogMemory(session, logger, request);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  DisconnectDevice(session);
  bench::StopVdev(vdev);
  std::filesystem::remove_all(out);
  if (!r.status.Ok()) {
    std::fprintf(stderr, "bench_logger: the download failed: %s\n", r.status.detail.c_str());
    return false;
  }
  // The files are written after the last byte; their time is the download's as well, but not
  // the line's, so it is shown apart.
  const double target = 1.05 * lineSeconds + clock.paused;
  std::printf(
      "%7u baud  %8.0f KiB  time %8.2f s  line time %8.2f s  pauses %6.2f s  "
      "(time - pauses) / line time %.3f  target %8.2f s  %s\n",
      speed, (r.extent - r.from) / 1024.0, seconds, lineSeconds, clock.paused,
      (seconds - clock.paused) / lineSeconds, target, seconds <= target ? "met" : "NOT met");
  return true;
}

// Peak resident memory of `divuzo logger download` of the whole memory, in KiB.
long CommandLinePeak(const std::string& folder) {
  bench::BenchVdev vdev = bench::StartVdev(folder + "/divuzo-vdev", {"--model", "TR410"});
  if (vdev.port.empty()) return -1;
  const std::string out =
      std::filesystem::temp_directory_path() / ("bench_logger_cli_" + std::to_string(getpid()));
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    execl((folder + "/divuzo").c_str(), "divuzo", "logger", "download", "--port", vdev.port.c_str(),
          "--out", out.c_str(), "--total", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  bench::StopVdev(vdev);
  std::filesystem::remove_all(out);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string usedEnd = "200000";
  if (argc == 3 && std::strcmp(argv[1], "--used-end") == 0) usedEnd = argv[2];
  const std::string folder = ProgramFolder();
  bool ok = Measure(folder, kHighSpeedBaud, usedEnd);
  ok = Measure(folder, 115200, usedEnd) && ok;
  const long peak = CommandLinePeak(folder);
  if (peak < 0) {
    std::fprintf(stderr, "bench_logger: divuzo logger download failed\n");
    return 1;
  }
  std::printf("divuzo logger download of 2 MiB: peak resident %ld KiB (%.1f MiB)\n", peak,
              peak / 1024.0);
  return ok ? 0 : 1;
}
