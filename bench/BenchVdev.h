#pragma once
// Runs divuzo-vdev for a benchmark: starts it with the given options, takes the pseudo-terminal's
// path from its first line of output, and stops it. Header-only: each bench_*.cpp is built alone.
#include <csignal>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace divuzo::bench {

struct BenchVdev {
  pid_t pid = -1;
  std::string port;  // empty when the device did not start
};

inline BenchVdev StartVdev(const std::string& program, std::vector<std::string> args) {
  BenchVdev v;
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out[2];
  if (pipe(out) != 0) return v;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  if (posix_spawn(&v.pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) v.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  char c;
  while (v.pid > 0 && read(out[0], &c, 1) == 1 && c != '\n') v.port += c;
  close(out[0]);
  return v;
}

inline void StopVdev(BenchVdev& v) {
  if (v.pid <= 0) return;
  kill(v.pid, SIGTERM);
  waitpid(v.pid, nullptr, 0);
  v.pid = -1;
}

} // namespace divuzo::bench
