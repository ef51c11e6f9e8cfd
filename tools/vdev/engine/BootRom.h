#pragma once
// The virtual device's boot ROM: answers the sync bytes, takes the line, receives and checks
// the download agent, writes the image into the device's flash and reads it back on request
// (protocol in docs/bootrom-protocol.md). Fault options make it misbehave for tests.
#include "engine/DeviceIo.h"
#include "engine/RawModeHandler.h"
#include "engine/VirtualDevice.h"

#include "update/BromChip.h"
#include "update/BromWire.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace divuzo::vdev {

struct BootRomOptions {
  bool lineRate = false;        // take as long as a real line at the current rate, both ways
  bool noHandshake = false;     // never answer the sync bytes
  long refusePacket = -1;       // image packet number to refuse
  long refuseTimes = -1;        // how often in all, over every session (-1: always)
  long corruptEvery = 0;        // flip a byte in about one of this many, both ways (0: never)
  unsigned corruptSeed = 1;
  int hangupAtPercent = -1;     // hang the line up when the image is this far along
  long stuckByte = -1;          // flash byte whose lowest bit cannot be set (read-back fails)
  std::string flashDump;        // file that receives the written image after a good write
  long busyAfterRestartMs = 0;  // the port is held this long after the restart (-1: for good)
};

class BootRom : public RawModeHandler {
public:
  BootRom(const BootRomOptions& options, DeviceState& state, GpsChip chip);
  bool OnBytes(const std::uint8_t* data, std::size_t size, DeviceIo& io) override;

  static constexpr std::uint32_t kFlashSize = 0x100000;
  static constexpr std::uint32_t kVersion = 0x0102;

private:
  enum class Phase { Idle, Agent, Image };
  bool Sync(std::uint8_t byte, DeviceIo& io);
  void Pace(std::size_t bytes, DeviceIo& io);
  void Send(DeviceIo& io, std::uint8_t type, std::uint16_t seq, const std::vector<std::uint8_t>& payload = {});
  void Ack(DeviceIo& io, std::uint16_t seq) { Send(io, bromwire::kAck, seq); }
  void Nak(DeviceIo& io, std::uint16_t seq, std::uint8_t reason) { Send(io, bromwire::kNak, seq, {reason}); }
  void OnFrame(const bromwire::Frame& frame, DeviceIo& io);
  void OnBadFrame(const bromwire::Frame& frame, DeviceIo& io);
  void OnData(const bromwire::Frame& frame, DeviceIo& io);
  void Store(const std::vector<std::uint8_t>& bytes);
  void SaveFlashDump(DeviceIo& io);
  void HangUp(DeviceIo& io);
  void Corrupt(std::uint8_t* data, std::size_t size);

  BootRomOptions options_;
  DeviceState& state_;
  GpsChip chip_;
  bool active_ = false;     // the line is ours (sync done)
  bool dead_ = false;       // hung up
  int syncIndex_ = 0;
  bromwire::Decoder decoder_;
  std::mt19937 random_;
  DeviceIo::TimePoint lineFree_{};
  DeviceIo::TimePoint lastBytes_{};

  Phase phase_ = Phase::Idle;
  bool agentRunning_ = false;
  std::uint32_t agentVersion_ = 0;
  std::uint32_t agentCrc_ = 0;
  std::vector<std::uint8_t> agent_;
  std::uint32_t imageAddress_ = 0;
  std::uint32_t imageCrc_ = 0;
  std::uint32_t packetSize_ = 0;
  std::uint32_t total_ = 0;         // bytes of the current transfer
  std::uint32_t received_ = 0;
  std::uint32_t runningCrc_ = 0;
  std::uint32_t expected_ = 0;      // next packet number
  bool nakSent_ = false;            // a refusal for expected_ is out
  long refused_ = 0;
};

} // namespace divuzo::vdev
