// divuzo-vdev: a virtual device on a pseudo-terminal that answers like a real one.
// The first line of standard output is the port's path; the port is announced for discovery
// until the program ends (SIGTERM, SIGINT, or a --hangup-after fault).
#include "PtyLine.h"
#include "VdevExtension.h"
#include "VirtualDevice.h"
#include "engine/WireTranscript.h"

#include "serial/Sentence.h"
#include "serial/VirtualPorts.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char c = 1;
  [[maybe_unused]] const ssize_t n = write(signalPipe[1], &c, 1);
}

bool ParseAddress(const std::string& text, std::array<std::uint8_t, 6>& out) {
  unsigned v[6];
  char tail;
  if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                  &tail) != 6)
    return false;
  for (int i = 0; i < 6; ++i) out[i] = static_cast<std::uint8_t>(v[i]);
  return true;
}

std::string FriendlyName(std::string pattern, const std::string& path) {
  const std::string placeholder = "{path}";
  for (auto at = pattern.find(placeholder); at != std::string::npos; at = pattern.find(placeholder))
    pattern.replace(at, placeholder.size(), path);
  return pattern;
}

} // namespace

int main(int argc, char** argv) {
  using namespace divuzo::vdev;
  CLI::App app{"divuzo-vdev: virtual GPS device on a pseudo-terminal"};
  app.set_version_flag("--version", std::string("divuzo-vdev ") + DIVUZO_VERSION);

  std::string model = "ZID310", family, firmware = "123", hardware, btAddress, logPath;
  std::string name = "Silicon Labs CP210x USB to UART Bridge ({path})";
  long hangupAfter = -1;
  FaultOptions faults;
  app.add_option("--model", model, "model token of the model reply (TR550, TR470, T2000C, T2200, "
                                    "TR410 = logger family, ZID310, KTRTONIC, or any other)");
  app.add_option("--family", family, "command families answered: plm, logger or both "
                                     "(default: logger for TR410, plm otherwise)")
      ->check(CLI::IsMember({"plm", "logger", "both"}));
  app.add_option("--firmware", firmware, "firmware version digits, e.g. 123 for V1.23");
  app.add_option("--hardware", hardware, "hardware version field (default 010, C12 for the logger family)");
  app.add_option("--bt-address", btAddress, "Bluetooth address B1:..:B6 in reply order; answers the address query");
  app.add_option("--name", name, "friendly name in the port list; {path} becomes the port's path");
  app.add_option("--log", logPath, "log every received and sent sentence with a time stamp");
  std::string wirePath;
  app.add_option("--wire", wirePath, "write every byte on the line, both ways, to this file when stopping");
  app.add_flag("--silent", faults.silent, "answer nothing");
  app.add_flag("--echo-only", faults.echoOnly, "echo every sentence and answer nothing");
  app.add_flag("--echo", faults.echo, "echo every sentence before answering");
  app.add_flag("--split-replies", faults.splitReplies, "write each reply in two parts with a pause");
  app.add_option("--split-pause-ms", faults.splitPauseMs, "pause between the parts of a split reply");
  app.add_flag("--noise", faults.noise, "garbage before every reply");
  app.add_flag("--bad-checksum", faults.badChecksum, "replies carry a wrong checksum");
  app.add_option("--hangup-after", hangupAfter, "hang the line up after this many received bytes");
  for (auto& extension : VdevExtensions()) extension->AddOptions(app);
  CLI11_PARSE(app, argc, argv);

  VirtualDevice device;
  DeviceState& state = device.State();
  state.model = model;
  state.firmware = firmware;
  if (family.empty()) family = model == "TR410" ? "logger" : "plm";
  state.family = family == "logger" ? Family::Logger : family == "both" ? Family::Both : Family::Plm;
  state.hardware = !hardware.empty() ? hardware : state.family == Family::Logger ? "C12" : "010";
  if (!btAddress.empty()) {
    if (!ParseAddress(btAddress, state.btAddress)) {
      std::fprintf(stderr, "divuzo-vdev: --bt-address wants AA:BB:CC:DD:EE:FF\n");
      return 2;
    }
    state.hasBtAddress = true;
  }
  device.Faults() = faults;

  PtyLine line;
  std::string error;
  if (!line.Open(error)) {
    std::fprintf(stderr, "divuzo-vdev: %s\n", error.c_str());
    return 1;
  }
  if (!logPath.empty() && !line.OpenLog(logPath)) {
    std::fprintf(stderr, "divuzo-vdev: cannot write %s\n", logPath.c_str());
    return 1;
  }
  for (auto& extension : VdevExtensions()) extension->Attach(device);
  WireTranscript wire;
  if (!wirePath.empty()) line.SetWire(&wire);

  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  const std::string announcement =
      divuzo::AnnounceVirtualPort({line.SlavePath(), FriendlyName(name, line.SlavePath()), getpid()});
  std::printf("%s\n", line.SlavePath().c_str());
  std::fflush(stdout);
  line.Log("ready on " + line.SlavePath() + " as " + model);

  long received = 0;
  int exitCode = 0;
  for (;;) {
    struct pollfd fds[2] = {{line.MasterFd(), POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      exitCode = 1;
      break;
    }
    if (fds[1].revents & POLLIN) {
      line.Log("stopped by signal");
      break;
    }
    if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    std::uint8_t buffer[4096];
    const ssize_t n = ::read(line.MasterFd(), buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) {
      // We hold a slave descriptor ourselves, so this does not happen when the host closes.
      line.Log("line error, stopping");
      exitCode = 1;
      break;
    }
    std::size_t take = static_cast<std::size_t>(n);
    if (hangupAfter >= 0 && received + n >= hangupAfter) take = static_cast<std::size_t>(hangupAfter - received);
    received += static_cast<long>(take);
    if (!wirePath.empty()) wire.Record(WireDirection::HostToDevice, buffer, take);
    device.OnBytes(buffer, take, line);
    if (hangupAfter >= 0 && received >= hangupAfter) {
      line.Log("hanging up after " + std::to_string(received) + " bytes");
      line.HangUp();
      break;
    }
  }
  divuzo::WithdrawVirtualPort(announcement);
  if (!wirePath.empty()) {
    wire.Finish();
    if (std::FILE* file = std::fopen(wirePath.c_str(), "w")) {
      for (const auto& l : wire.Lines()) std::fprintf(file, "%s\n", l.c_str());
      std::fclose(file);
    }
  }
  return exitCode;
}
