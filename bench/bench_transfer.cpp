// Block-transfer throughput at 115200 against the virtual device with its line paced like a
// real line (--line-rate): a map file sent and a track log received, each timed from the start
// request to the end confirmation, and its ratio to the time the data bytes alone take on the
// line (baud / 10 bytes a second). The per-block turn-around is what the ratio shows.
//
//   bench_transfer [--size KIB] [--in-process]
//
// Runs divuzo-vdev on a pseudo-terminal (from the folder this program lives in); with
// --in-process the same device through the in-process link on the system clock as well.
#include "BenchVdev.h"

#include "engine/InProcessDevice.h"
#include "platform/Link.h"
#include "serial/DeviceSession.h"
#include "trackdata/TrackLogReceive.h"
#include "trackdata/WaypointSend.h"
#include "update/FlashDownload.h"

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr unsigned kBaud = 115200;

std::string Bytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>(random());
    // No CR LF pairs: every block carries a full 512 bytes.
    if (i > 0 && bytes[i - 1] == '\r' && bytes[i] == '\n') bytes[i] = 'n';
  }
  return bytes;
}

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Print(const char* how, const char* what, std::size_t size, double seconds, bool exact) {
  const double lineSeconds = static_cast<double>(size) / (kBaud / 10.0);
  std::printf("%-10s %-8s %8zu bytes in %7.2f s  line-rate time %7.2f s  ratio %.3f%s\n", how, what,
              size, seconds, lineSeconds, seconds / lineSeconds, exact ? "" : "  (DATA DIFFERS)");
  std::fflush(stdout);
}

// Both transfers over `session`, whose device is on `port`.
bool Measure(const char* how, divuzo::DeviceSession& session, const std::string& port,
             const fs::path& folder, std::size_t size) {
  using namespace divuzo;
  const std::string map = Read(folder / "map.mpt");
  auto start = Clock::now();
  const Status sent =
      SendWaypointFile(session, folder / "map.mpt", {{port, kWaypointPolls.bridge}});
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!sent.Ok()) {
    std::fprintf(stderr, "bench_transfer: send failed: %s\n", sent.detail.c_str());
    return false;
  }
  Print(how, "send", size, seconds, Read(folder / "received.bin") == map);

  start = Clock::now();
  const TrackLogReceiveResult r =
      ReceiveTrackLog(session, folder / "out.trl", {{port, kTrackLogPolls.bridge}});
  seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!r.status.Ok()) {
    std::fprintf(stderr, "bench_transfer: receive failed: %s\n", r.status.detail.c_str());
    return false;
  }
  Print(how, "receive", size, seconds, Read(folder / "out.trl") == Read(folder / "log.bin"));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace divuzo;
  std::size_t size = 1024 * 1024;
  bool inProcess = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc)
      size = std::stoul(argv[++i]) * 1024;
    else if (std::strcmp(argv[i], "--in-process") == 0)
      inProcess = true;
    else {
      std::fprintf(stderr, "usage: bench_transfer [--size KIB] [--in-process]\n");
      return 2;
    }
  }
  size = TransferSize(size);
  const fs::path folder =
      fs::temp_directory_path() / ("bench_transfer_" + std::to_string(getpid()));
  fs::create_directories(folder);
  Write(folder / "map.mpt", Bytes(size, 1));
  Write(folder / "log.bin", Bytes(size, 2));
  const std::vector<std::string> device{"--block-transfer", "--line-rate",
                                        "--received",       (folder / "received.bin").string(),
                                        "--tracklog",       (folder / "log.bin").string()};
  std::printf("%zu bytes each way at %u baud against the line-rate virtual device\n", size, kBaud);

  bool ok = true;
  {
    std::vector<std::string> args = device;
    bench::BenchVdev vdev = bench::StartVdev(ProgramFolder() + "/divuzo-vdev", args);
    if (vdev.port.empty()) {
      std::fprintf(stderr, "bench_transfer: divuzo-vdev did not start\n");
      ok = false;
    } else {
      DeviceSession session;
      ok = Measure("pty", session, vdev.port, folder, size);
    }
    bench::StopVdev(vdev);
  }
  if (inProcess && ok) {
    vdev::DeviceOptions options;
    options.keepRecords = false;
    options.blockTransfer.enabled = true;
    options.blockTransfer.lineRate = true;
    options.blockTransfer.receivedPath = (folder / "received.bin").string();
    options.blockTransfer.trackLogPath = (folder / "log.bin").string();
    vdev::InProcessDevice local(options);
    DeviceSession session;
    local.Attach(session);
    ok = Measure("in-process", session, local.Path(), folder, size);
  }
  fs::remove_all(folder);
  return ok ? 0 : 1;
}
