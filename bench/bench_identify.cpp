// Time from Connect to "read complete" against a virtual device that answers at once.
// Runs divuzo-vdev from the folder this program lives in.
#include "BenchVdev.h"

#include "serial/DeviceIdentity.h"
#include "serial/DeviceSession.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A heartbeat like the window's: its worker wakes on a stop, so the disconnect waits for nothing.
class WakingHeartbeat : public divuzo::HeartbeatControl {
public:
  void SetHeartbeat(bool) override {}
  void StopAndWait(int, divuzo::LinkClock&) override {}
};

// A heartbeat that sleeps its whole cycle: the disconnect waits the full pause.
class SleepingHeartbeat : public divuzo::HeartbeatControl {
public:
  void SetHeartbeat(bool) override {}
};

// Median milliseconds from Connect to the final status text over `runs` identifications.
double TimeIdentify(const std::string& vdevProgram, const std::vector<std::string>& args,
                    const divuzo::LinkTiming& timing, divuzo::HeartbeatControl* heartbeat,
                    int runs, bool& allOk) {
  divuzo::bench::BenchVdev v = divuzo::bench::StartVdev(vdevProgram, args);
  std::vector<double> ms;
  allOk = !v.port.empty();
  for (int i = 0; i < runs && allOk; ++i) {
    divuzo::DeviceSession session(timing);
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point done;
    divuzo::ProgressFunction status([&](const divuzo::Progress& p) {
      if (p.stageTextId != 0 && p.stageTextId != divuzo::kTextTalking) done = std::chrono::steady_clock::now();
    });
    session.heartbeat = heartbeat;
    session.progress = &status;
    const auto r = divuzo::IdentifyDevice(session, v.port, -1);
    allOk = allOk && r.ok;
    ms.push_back(std::chrono::duration<double, std::milli>(done - start).count());
  }
  divuzo::bench::StopVdev(v);
  if (ms.empty()) return 0;
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

} // namespace

int main() {
  const auto self = std::filesystem::read_symlink("/proc/self/exe");
  const std::string vdev = (self.parent_path() / "divuzo-vdev").string();
  // Keep the benchmark's virtual ports out of the user's port list.
  const std::string vports = "/tmp/divuzo-bench-vports-" + std::to_string(getpid());
  setenv("DIVUZO_VPORT_DIR", vports.c_str(), 1);

  const divuzo::LinkTiming production;
  WakingHeartbeat window;
  SleepingHeartbeat sleeper;
  constexpr int kRuns = 5;

  struct Row {
    const char* what;
    std::vector<std::string> args;
    divuzo::HeartbeatControl* heartbeat;
  } rows[] = {
      {"answers everything at once (ZID310, both families)", {"--model", "ZID310", "--family", "both"},
       &window},
      {"  same, heartbeat that sleeps out its 1 s cycle", {"--model", "ZID310", "--family", "both"},
       &sleeper},
      {"fixed queries only (ZID310): goodbye unanswered", {"--model", "ZID310"}, &window},
      {"logger family (TR410): model query unanswered", {"--model", "TR410"}, &window},
  };
  std::printf("Connect to status 311, median of %d runs\n", kRuns);
  int failures = 0;
  for (const auto& row : rows) {
    bool ok = false;
    const double ms = TimeIdentify(vdev, row.args, production, row.heartbeat, kRuns, ok);
    std::printf("  %-58s %8.1f ms%s\n", row.what, ms, ok ? "" : "  (identification FAILED)");
    if (!ok) ++failures;
  }
  std::error_code ec;
  std::filesystem::remove_all(vports, ec);
  return failures == 0 ? 0 : 1;
}
