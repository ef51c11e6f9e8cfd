#include "VdevProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace divuzo::test {

namespace {

// The log line's time stamp: "YYYY-MM-DD HH:MM:SS.mmm ".
constexpr std::size_t kStampLength = 24;

} // namespace

VdevProcess::VdevProcess(std::vector<std::string> args, std::string vportDir)
    : vportDir_(vportDir.empty() ? (dir_ / "vports").string() : std::move(vportDir)),
      logPath_(dir_ / "vdev.log"),
      wirePath_(dir_ / "wire.txt") {
  // Announcements are taken only from a folder that nobody else can write to.
  std::filesystem::create_directories(vportDir_);
  std::filesystem::permissions(vportDir_, std::filesystem::perms::owner_all);
  args.insert(args.begin(), DIVUZO_VDEV_PATH);
  args.push_back("--log");
  args.push_back(logPath_.string());
  args.push_back("--wire");
  args.push_back(wirePath_.string());

  // Everything the child needs is prepared before fork: after it only exec-safe calls.
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "DIVUZO_VPORT_DIR=", 17) != 0) envStrings.emplace_back(*e);
  envStrings.push_back("DIVUZO_VPORT_DIR=" + vportDir_);
  std::vector<char*> envp;
  for (auto& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], STDOUT_FILENO);
    const int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, STDIN_FILENO);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);
  if (pid_ < 0) {
    close(out[0]);
    return;
  }
  // The first line of output is the port's path.
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    struct pollfd p {out[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char c;
    const ssize_t n = read(out[0], &c, 1);
    if (n <= 0) break;
    if (c == '\n') {
      portPath_ = line;
      break;
    }
    line += c;
  }
  close(out[0]);
}

VdevProcess::~VdevProcess() {
  Stop();
  if (heldSlave_ >= 0) close(heldSlave_);
}

bool VdevProcess::Running() {
  if (pid_ <= 0) return false;
  const pid_t r = waitpid(pid_, &status_, WNOHANG);
  if (r == pid_) {
    pid_ = -1;
    return false;
  }
  return true;
}

int VdevProcess::Stop() {
  if (pid_ <= 0) return status_;
  if (heldSlave_ < 0 && !portPath_.empty())
    heldSlave_ = open(portPath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  kill(pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid_, &status_, WNOHANG) == pid_) {
      pid_ = -1;
      return status_;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, &status_, 0);
  pid_ = -1;
  return status_;
}

std::vector<std::string> VdevProcess::LogLines() const {
  std::vector<std::string> lines;
  std::ifstream in(logPath_);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line.size() > kStampLength ? line.substr(kStampLength) : "");
  return lines;
}

std::vector<std::string> VdevProcess::WireLines() const {
  std::vector<std::string> lines;
  std::ifstream in(wirePath_);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> VdevProcess::ReceivedSentences() const {
  std::vector<std::string> sentences;
  for (const auto& line : LogLines())
    if (line.rfind("<< ", 0) == 0) sentences.push_back(line.substr(3));
  return sentences;
}

int VdevProcess::CountReceived(const std::string& sentence) const {
  int count = 0;
  for (const auto& s : ReceivedSentences())
    if (s == sentence) ++count;
  return count;
}

int VdevProcess::WaitReceived(const std::string& sentence, int count, int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int seen = CountReceived(sentence);
  while (seen < count && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    seen = CountReceived(sentence);
  }
  return seen;
}

} // namespace divuzo::test
