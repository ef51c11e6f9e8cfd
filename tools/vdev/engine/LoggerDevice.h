#pragma once
// The logger personality of the virtual device (model TR410): 2 MiB of track memory and the
// logger commands that reach it. It answers parameter queries and sets (3 time interval, 4
// distance, 6 record mode, 8 used end), reads memory in data sentences ("$PMTK182,8,<address>,
// <hex>") followed by an acknowledgement of the read, erases the memory and changes its line
// speed. Chunk faults (drop, bad checksum, wrong address, a stall, a hang-up) and sentences
// interleaved with the data exercise the host's recovery.
#include "engine/DeviceIo.h"

#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace divuzo::vdev {

class VirtualDevice;

struct LoggerOptions {
  std::vector<std::uint8_t> memory;  // a 2 MiB image; empty: the generated one
  long usedEnd = -1;                 // parameter 8; -1: just past the last slot not erased
  std::time_t memoryTime = 0;        // the generated memory's first record; 0: ten days ago
  int eraseMs = 1000;                // how long an erase takes
  bool interleave = false;           // other sentences between the data sentences
  // Chunk faults, by chunk number (memory address / 2048); -1 for none.
  long dropChunk = -1;          // not sent
  long badChecksumChunk = -1;   // sent with a wrong checksum
  long wrongAddressChunk = -1;  // sent under the next chunk's address
  long stallChunk = -1;         // a pause before it
  double stallSeconds = 0;      // < 0: the device falls silent for good there
  long hangupChunk = -1;        // the line hangs up before it
  int faultTimes = 1;           // how often each fault strikes (0: every time)
};

// The generated memory: tracks from `firstRecord` on, one point every five seconds, with
// separators, waypoint markers and fillers; the memory has wrapped around, so its newest tracks
// sit in the first sectors and the older ones after them. Each 64 KiB sector starts with a
// 512-byte header.
std::vector<std::uint8_t> GenerateLoggerMemory(std::time_t firstRecord);
// Just past the last 16-byte slot that is not erased (all 0xFF); 0 for erased memory.
std::uint32_t UsedEndOf(const std::vector<std::uint8_t>& memory);

class LoggerDevice {
 public:
  static constexpr std::uint32_t kMemorySize = 0x200000;

  // Takes over the logger commands of `device`.
  LoggerDevice(const LoggerOptions& options, VirtualDevice& device, bool lineRate);

  std::vector<std::uint8_t>& Memory() { return memory_; }
  std::uint32_t UsedEnd() const { return static_cast<std::uint32_t>(parameters_.at(8)); }
  long Parameter(int p) const;
  void SetParameter(int p, long value) { parameters_[p] = value; }
  // The speed the logger was last told to use (0: never told).
  unsigned Speed() const { return speed_; }
  // Read commands received and data sentences sent.
  int ReadCommands() const { return readCommands_; }
  long ChunksSent() const { return chunksSent_; }

 private:
  void OnLoggerCommand(std::string_view body, DeviceIo& io);
  void Read(std::uint32_t start, std::uint32_t size, DeviceIo& io);
  void SendChunk(std::uint32_t address, std::uint32_t size, DeviceIo& io);
  void Interleave(std::uint32_t chunk, DeviceIo& io);
  // True when the fault of `chunk` strikes now (counts its strikes).
  bool Strikes(long faultChunk, std::uint32_t chunk, int& strikes);
  void Acknowledge(int type, DeviceIo& io);
  void Pace(std::size_t bytes, DeviceIo& io);

  LoggerOptions options_;
  VirtualDevice& device_;
  bool lineRate_;
  std::vector<std::uint8_t> memory_;
  std::map<int, long> parameters_;
  unsigned speed_ = 0;
  bool silent_ = false;
  int readCommands_ = 0;
  long chunksSent_ = 0;
  int dropStrikes_ = 0, checksumStrikes_ = 0, addressStrikes_ = 0, stallStrikes_ = 0,
      hangupStrikes_ = 0;
};

}  // namespace divuzo::vdev
