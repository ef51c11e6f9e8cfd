// Converting stays flat in memory: a file of a million records (16 MB) to all four formats
// must not make `divuzo convert` grow with the file. The child's peak resident size (VmHWM) is
// read from /proc while it runs. (wait4's ru_maxrss would count the test program's own size,
// which a spawned child inherits until its exec.)
#include "TempDir.h"
#include "TrackTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>

extern char** environ;

namespace divuzo {
namespace {

// Peak resident size in KiB of `divuzo convert <file> --text --kml --nmea --gpx`.
long PeakKib(const std::filesystem::path& file) {
  std::vector<std::string> args{DIVUZO_CLI_PATH, "convert", file.string(), "--text", "--kml", "--nmea",
                                "--gpx", "--tz", "9"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // Under AddressSanitizer freed blocks sit in a quarantine of up to 256 MiB; that is the
  // sanitizer's memory, not the program's, so the child runs without it.
  std::vector<std::string> env{"ASAN_OPTIONS=quarantine_size_mb=0:thread_local_quarantine_size_kb=0"};
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).rfind("ASAN_OPTIONS=", 0) != 0) env.emplace_back(*e);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  // VmHWM only grows; the last reading before the exit is the peak (the run is flat, so the
  // peak is reached long before the end).
  long peak = -1;
  int status = 0;
  for (;;) {
    // Until the child has replaced itself with the program, /proc shows the test's own
    // memory (a spawned child shares it), so readings count only once the name is "divuzo".
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    if (name == "divuzo") {
      std::ifstream proc("/proc/" + std::to_string(pid) + "/status");
      for (std::string line; std::getline(proc, line);)
        if (line.rfind("VmHWM:", 0) == 0) peak = std::max(peak, std::stol(line.substr(6)));
    }
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0) return -1;
    usleep(5000);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return peak;
}

TEST(MemoryFootprint, MillionRecordsToAllFormatsStaysFlat) {
  test::TempDir dir;
  {
    std::ofstream out(dir / "big.trl", std::ios::binary);
    std::string chunk;
    for (int i = 0; i < 1000000; ++i) {
      chunk += test::PackRecord({1333361700 + i, 35.0f + i * 1e-5f, 139.0f - i * 1e-5f, static_cast<float>(i % 3000)});
      if (chunk.size() >= (1u << 20)) {
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        chunk.clear();
      }
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }
  ASSERT_EQ(std::filesystem::file_size(dir / "big.trl"), 16000000u);
  // The baseline run must last long enough for the poller to see its steady state: a
  // one-record run can end between two readings and look smaller than it is.
  {
    std::string chunk;
    for (int i = 0; i < 50000; ++i)
      chunk += test::PackRecord({1333361700 + i, 35.0f + i * 1e-5f, 139.0f - i * 1e-5f, 1.0f});
    test::WriteFileBytes(dir / "small.trl", chunk);
  }

  const long small = PeakKib(dir / "small.trl");
  const long big = PeakKib(dir / "big.trl");
  ASSERT_GT(small, 0);
  ASSERT_GT(big, 0);
  // All four outputs exist and are large: the run really converted the million records.
  EXPECT_GT(std::filesystem::file_size(dir / "big.kml"), 100000000u);
  EXPECT_GT(std::filesystem::file_size(dir / "big.gpx"), 200000000u);
  EXPECT_EQ(std::filesystem::file_size(dir / "bigNMEA.txt"), 62000000u);
  RecordProperty("peak_kib_small", static_cast<int>(small));
  RecordProperty("peak_kib_big", static_cast<int>(big));
#ifndef __SANITIZE_ADDRESS__
  // The sanitizer's shadow memory alone is larger than this; its builds check the growth only.
  EXPECT_LT(big, 32 * 1024) << "peak resident KiB for 1,000,000 records";
#endif
  EXPECT_LT(big - small, 4 * 1024) << "growth from 50,000 to 1,000,000 records, KiB";
}

} // namespace
} // namespace divuzo
