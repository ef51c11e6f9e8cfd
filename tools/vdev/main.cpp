// divuzo-vdev: a virtual device on a pseudo-terminal that answers like a real one.
// The first line of standard output is the port's path; the port is announced for discovery
// until the program ends (SIGTERM, SIGINT, or a hang-up fault). The device itself is the
// engine in engine/ (the same one the tests run in-process); this is its pseudo-terminal.
#include "PtyLine.h"
#include "engine/DeviceEngine.h"

#include "serial/VirtualPorts.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char c = 1;
  [[maybe_unused]] const ssize_t n = write(signalPipe[1], &c, 1);
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

  DeviceOptions o;
  std::string btAddress, wirePath;
  std::string name = "Silicon Labs CP210x USB to UART Bridge ({path})";
  FaultOptions& faults = o.faults;
  BootRomOptions& rom = o.bootRom;
  app.add_option("--model", o.model, "model token of the model reply (TR550, TR470, T2000C, T2200, "
                                     "TR410 = logger family, ZID310, KTRTONIC, or any other)");
  app.add_option("--family", o.family, "command families answered: plm, logger or both "
                                       "(default: logger for TR410, plm otherwise)")
      ->check(CLI::IsMember({"plm", "logger", "both"}));
  app.add_option("--firmware", o.firmware, "firmware version digits, e.g. 123 for V1.23");
  app.add_option("--hardware", o.hardware, "hardware version field (default 010, C12 for the logger family)");
  app.add_option("--bt-address", btAddress, "Bluetooth address B1:..:B6 in reply order; answers the address query");
  app.add_option("--name", name, "friendly name in the port list; {path} becomes the port's path");
  app.add_option("--log", o.logPath, "log every received and sent sentence with a time stamp");
  app.add_option("--wire", wirePath, "write every byte on the line, both ways, to this file when stopping");
  app.add_flag("--silent", faults.silent, "answer nothing");
  app.add_flag("--echo-only", faults.echoOnly, "echo every sentence and answer nothing");
  app.add_flag("--echo", faults.echo, "echo every sentence before answering");
  app.add_flag("--split-replies", faults.splitReplies, "write each reply in two parts with a pause");
  app.add_option("--split-pause-ms", faults.splitPauseMs, "pause between the parts of a split reply");
  app.add_flag("--noise", faults.noise, "garbage before every reply");
  app.add_flag("--bad-checksum", faults.badChecksum, "replies carry a wrong checksum");
  app.add_option("--busy-after-goodbye", faults.busyAfterGoodbyeMs,
                 "hold the port for MS after the host says goodbye, as another program would "
                 "(-1: for good)");
  app.add_option("--busy-after-restart", rom.busyAfterRestartMs,
                 "hold the port for MS after the boot ROM restarts into the firmware "
                 "(-1: for good)");
  app.add_option("--hangup-after", o.hangupAfter, "hang the line up after this many received bytes");
  app.add_flag("--line-rate", rom.lineRate,
               "boot ROM, block-transfer and logger traffic take as long as on a real line at the "
               "current rate");
  app.add_flag("--no-handshake", rom.noHandshake, "the boot ROM never answers");
  app.add_option("--refuse-packet", rom.refusePacket, "refuse image packet N (from 0)");
  app.add_option("--refuse-times", rom.refuseTimes, "refuse it this often in all (default: always)");
  app.add_option("--corrupt-bytes", rom.corruptEvery, "flip a bit in about one of N boot-ROM bytes, both directions");
  app.add_option("--corrupt-seed", rom.corruptSeed, "seed of --corrupt-bytes");
  app.add_option("--hangup-at", rom.hangupAtPercent, "hang up when the image is PERCENT written")
      ->check(CLI::Range(0, 100));
  app.add_option("--stuck-bit", rom.stuckByte, "flash byte whose lowest bit stays 0");
  app.add_option("--flash-dump", rom.flashDump, "save the written image here after a good write");
  BlockTransferOptions& block = o.blockTransfer;
  std::string kindReply = "!";
  app.add_flag("--block-transfer", block.enabled,
               "take waypoint and map files and hand over the track log by the block transfer");
  app.add_option("--received", block.receivedPath,
                 "block transfer: write the data bytes of the accepted blocks here");
  app.add_option("--tracklog", block.trackLogPath,
                 "block transfer: the track log served on $TLG (whole 512-byte blocks)");
  app.add_flag("--refuse-start", block.refuseStart,
               "block transfer: answer $ to the start request");
  app.add_option("--kind-reply", kindReply,
                 "block transfer: the answer to $WRT and $TLG: ! (default), ? or #")
      ->check(CLI::IsMember({"!", "?", "#"}));
  app.add_option("--at-sign-block", block.atSignBlock,
                 "block transfer: answer block N (from 0) with the at sign once");
  app.add_option("--query-block", block.queryBlock,
                 "block transfer: answer block N with ? and accept it a little later");
  app.add_option("--abort-block", block.abortBlock, "block transfer: abort (^) after block N");
  app.add_option("--bad-checksum-block", block.badChecksumBlock,
                 "block transfer: send track-log block N once with a wrong checksum");
  app.add_option("--silent-block", block.silentBlock,
                 "block transfer: from block N on, answer and send nothing");
  // The logger personality (logger family).
  LoggerOptions& logger = o.logger;
  std::string memoryPath, usedEnd;
  app.add_option("--memory", memoryPath,
                 "logger memory: a 2 MiB image file (default: generated tracks)");
  app.add_option("--used-end", usedEnd,
                 "logger parameter 8 in hexadecimal (default: just past the last slot that is not "
                 "erased)");
  app.add_option("--memory-time", logger.memoryTime,
                 "first record of the generated memory, in seconds since 1970 (default: ten days "
                 "ago)");
  app.add_option("--erase-ms", logger.eraseMs, "how long erasing the logger memory takes");
  app.add_flag("--interleave", logger.interleave,
               "other sentences between the memory data sentences");
  app.add_option("--drop-chunk", logger.dropChunk, "memory chunk N (address / 2048) is not sent");
  app.add_option("--bad-checksum-chunk", logger.badChecksumChunk,
                 "memory chunk N is sent with a wrong checksum");
  app.add_option("--wrong-address-chunk", logger.wrongAddressChunk,
                 "memory chunk N is sent under the next chunk's address");
  app.add_option("--stall-chunk", logger.stallChunk,
                 "pause before memory chunk N (see --stall-seconds)");
  app.add_option("--stall-seconds", logger.stallSeconds,
                 "length of the --stall-chunk pause; negative: the device falls silent for good");
  app.add_option("--hangup-chunk", logger.hangupChunk, "hang the line up before memory chunk N");
  app.add_option("--fault-times", logger.faultTimes,
                 "how often each memory chunk fault strikes (0: every time)");
  CLI11_PARSE(app, argc, argv);
  block.kindReply = kindReply[0];
  block.lineRate = rom.lineRate;
  if (!block.trackLogPath.empty()) {
    std::error_code error;
    const auto size = std::filesystem::file_size(block.trackLogPath, error);
    if (error || size % 512 != 0) {
      std::fprintf(stderr,
                   "divuzo-vdev: --tracklog wants a readable file of whole 512-byte blocks\n");
      return 2;
    }
  }

  if (!memoryPath.empty()) {
    std::FILE* file = std::fopen(memoryPath.c_str(), "rb");
    std::vector<std::uint8_t>& memory = logger.memory;
    memory.resize(LoggerDevice::kMemorySize);
    const bool whole = file && std::fread(memory.data(), 1, memory.size(), file) == memory.size() &&
                       std::fgetc(file) == EOF;
    if (file) std::fclose(file);
    if (!whole) {
      std::fprintf(stderr, "divuzo-vdev: --memory wants a file of exactly 2097152 bytes: %s\n",
                   memoryPath.c_str());
      return 2;
    }
  }
  if (!usedEnd.empty()) {
    char* end = nullptr;
    logger.usedEnd = std::strtol(usedEnd.c_str(), &end, 16);
    if (!end || *end != '\0' || logger.usedEnd < 0) {
      std::fprintf(stderr, "divuzo-vdev: --used-end wants a hexadecimal number\n");
      return 2;
    }
  }

  if (!btAddress.empty()) {
    std::array<std::uint8_t, 6> address{};
    if (!ParseDeviceAddress(btAddress, address)) {
      std::fprintf(stderr, "divuzo-vdev: --bt-address wants AA:BB:CC:DD:EE:FF\n");
      return 2;
    }
    o.btAddress = address;
  }
  // Only what is asked for is kept: the device may run for a long time.
  o.keepRecords = !wirePath.empty();

  PtyLine line;
  std::string error;
  if (!line.Open(error)) {
    std::fprintf(stderr, "divuzo-vdev: %s\n", error.c_str());
    return 1;
  }
  DeviceEngine device(o, line);
  if (!device.LogOpen()) {
    std::fprintf(stderr, "divuzo-vdev: cannot write %s\n", o.logPath.c_str());
    return 1;
  }
  line.onDropped = [&device] { device.Log("   output dropped: host not reading"); };

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
  device.Log("ready on " + line.SlavePath() + " as " + o.model);

  int exitCode = 0;
  while (!line.HungUp()) {
    struct pollfd fds[2] = {{line.MasterFd(), POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      exitCode = 1;
      break;
    }
    if (fds[1].revents & POLLIN) {
      device.Log("stopped by signal");
      break;
    }
    if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    std::uint8_t buffer[4096];
    const ssize_t n = ::read(line.MasterFd(), buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) {
      // We hold a slave descriptor ourselves, so this does not happen when the host closes.
      device.Log("line error, stopping");
      exitCode = 1;
      break;
    }
    device.Receive(buffer, static_cast<std::size_t>(n));
  }
  divuzo::WithdrawVirtualPort(announcement);
  if (!wirePath.empty()) {
    if (std::FILE* file = std::fopen(wirePath.c_str(), "w")) {
      for (const auto& l : device.WireLines()) std::fprintf(file, "%s\n", l.c_str());
      std::fclose(file);
    }
  }
  return exitCode;
}
