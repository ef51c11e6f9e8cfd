#pragma once
// One virtual device: its state, the sentence engine with its fault options, the boot ROM,
// the hang-up fault, the log and the wire record. Front ends feed it the host's bytes and give
// it a DeviceIo to answer through: divuzo-vdev on a pseudo-terminal, InProcessDevice in tests
// and benchmarks. Both see the same device and write the same log.
#include "engine/BlockTransferDevice.h"
#include "engine/BootRom.h"
#include "engine/DeviceIo.h"
#include "engine/LoggerDevice.h"
#include "engine/VirtualDevice.h"
#include "engine/WireTranscript.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace divuzo::vdev {

// What divuzo-vdev's options set; the defaults are a ZID310 with firmware V1.23.
struct DeviceOptions {
  std::string model = "ZID310";  // model token of "$PPLM852,<model>"
  std::string family;            // "plm", "logger" or "both"; empty: logger for TR410, else plm
  std::string firmware = "123";  // version digits
  std::string hardware;          // hardware field; empty: "C12" for the logger family, else "010"
  std::optional<std::array<std::uint8_t, 6>> btAddress;  // B1..B6; answers the address query
  FaultOptions faults;
  long hangupAfter = -1;         // hang the line up after this many received bytes
  BootRomOptions bootRom;        // its lineRate paces the logger's answers as well
  LoggerOptions logger;          // the logger personality (logger family)
  BlockTransferOptions blockTransfer;  // the block-transfer personality, when enabled
  std::string logPath;           // every sentence with a time stamp ("" for none)
  bool keepRecords = true;       // keep the log and the wire record in memory (LogLines, WireLines)
};

// "AA:BB:CC:DD:EE:FF" -> B1..B6; false when the text is not an address.
bool ParseDeviceAddress(const std::string& text, std::array<std::uint8_t, 6>& out);

class DeviceEngine {
public:
  // `line` is the front end's side of the line; it must outlive the engine.
  DeviceEngine(const DeviceOptions& options, DeviceIo& line);
  ~DeviceEngine();
  DeviceEngine(const DeviceEngine&) = delete;
  DeviceEngine& operator=(const DeviceEngine&) = delete;

  // False when the log file cannot be written.
  bool LogOpen() const { return logPathOk_; }
  // Bytes from the host (the hang-up fault may take only part of them).
  void Receive(const std::uint8_t* data, std::size_t size);
  // The line was hung up (fault option); nothing more is received.
  bool HungUp() const { return hungUp_; }

  VirtualDevice& Device() { return device_; }
  // The logger personality; nullptr unless the device answers the logger family.
  LoggerDevice* Logger() { return logger_.get(); }
  DeviceState& State() { return device_.State(); }
  // Writes a line to the log (time-stamped) and keeps it for LogLines.
  void Log(std::string_view line);
  // The log's lines without time stamps, and the sentences received ("$PPLM810*38").
  std::vector<std::string> LogLines() const;
  std::vector<std::string> ReceivedSentences() const;
  // Every byte both ways so far, as transcript lines (bytes still waiting for the rest of a
  // unit are shown as they are). Empty unless records are kept.
  std::vector<std::string> WireLines() const;

private:
  class Recording;
  std::unique_ptr<Recording> io_;
  VirtualDevice device_;
  std::unique_ptr<BootRom> bootRom_;
  std::unique_ptr<LoggerDevice> logger_;
  std::unique_ptr<BlockTransferDevice> blockTransfer_;
  long hangupAfter_ = -1;
  long received_ = 0;
  bool hungUp_ = false;
  bool keepRecords_ = true;
  mutable std::mutex logMutex_;
  std::FILE* logFile_ = nullptr;
  bool logPathOk_ = true;
  std::vector<std::string> logLines_;
  WireTranscript wire_;
};

} // namespace divuzo::vdev
