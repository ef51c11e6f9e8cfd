#pragma once
// Runs divuzo-vdev for a test: starts it with the given options, takes the pseudo-terminal's
// path from its first line of output, keeps its log in a temporary folder and stops it.
#include "ScopedEnv.h"
#include "TempDir.h"

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace divuzo::test {

class VdevProcess {
public:
  // `args` are divuzo-vdev options ("--model", "TR550", ...); --log is added. Announcements
  // go to `vportDir`, or to a folder of this object's own when empty. Check Started().
  explicit VdevProcess(std::vector<std::string> args = {}, std::string vportDir = "");
  ~VdevProcess();
  VdevProcess(const VdevProcess&) = delete;
  VdevProcess& operator=(const VdevProcess&) = delete;

  bool Started() const { return !portPath_.empty(); }
  // The pseudo-terminal the device serves (/dev/pts/N).
  const std::string& PortPath() const { return portPath_; }
  const std::string& VportDir() const { return vportDir_; }
  const std::filesystem::path& LogPath() const { return logPath_; }
  // Every byte on the line both ways, as the device saw it (engine/WireTranscript.h). The
  // device writes it when it stops: Stop() first.
  std::vector<std::string> WireLines() const;
  pid_t Pid() const { return pid_; }

  // The log's lines without their time stamps.
  std::vector<std::string> LogLines() const;
  // The sentences the device received, as text without CR LF ("$PPLM810*38").
  std::vector<std::string> ReceivedSentences() const;
  // How many times `sentence` was received.
  int CountReceived(const std::string& sentence) const;
  // Waits (up to timeoutMs) until `sentence` was received at least `count` times; returns
  // how many times it was. For synchronising with the device's log, not for timing.
  int WaitReceived(const std::string& sentence, int count, int timeoutMs = 3000) const;

  // SIGTERM and wait (SIGKILL after 5 s); the exit status as from waitpid, -1 if not running.
  // The pseudo-terminal's number stays taken until this object is destroyed, so the path
  // keeps failing as an unplugged port does instead of reaching another test's device.
  int Stop();
  // True while the process has not exited.
  bool Running();

private:
  TempDir dir_;
  std::string vportDir_;
  std::filesystem::path logPath_;
  std::filesystem::path wirePath_;
  std::string portPath_;
  pid_t pid_ = -1;
  int status_ = -1;
  int heldSlave_ = -1;
};

} // namespace divuzo::test
