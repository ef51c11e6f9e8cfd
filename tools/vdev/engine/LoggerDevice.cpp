#include "engine/LoggerDevice.h"

#include "engine/VirtualDevice.h"
#include "serial/LoggerProtocol.h"
#include "serial/Sentence.h"
#include "trackdata/TrackPointRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace divuzo::vdev {

namespace {

constexpr std::uint32_t kSector = logger_memory::kBlockSize;
constexpr std::uint32_t kHeader = 512;
constexpr std::uint32_t kSlot = 16;
constexpr std::uint32_t kSlotsPerSector = (kSector - kHeader) / kSlot;

std::vector<std::string> Fields(std::string_view body) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const auto comma = body.find(',', start);
    out.emplace_back(body.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) return out;
    start = comma + 1;
  }
}

// Writes slots in recording order: first into the sectors `from`..31, then on into 0..
class SlotWriter {
 public:
  SlotWriter(std::vector<std::uint8_t>& memory, std::uint32_t firstSector)
      : memory_(memory), sector_(firstSector) {}
  void Put(const std::uint8_t* slot) {
    if (index_ == 0) StartSector();
    std::memcpy(&memory_[sector_ * kSector + kHeader + index_ * kSlot], slot, kSlot);
    if (++index_ == kSlotsPerSector) {
      index_ = 0;
      sector_ = (sector_ + 1) % (LoggerDevice::kMemorySize / kSector);
    }
  }
  void Put(const char* text) { Put(reinterpret_cast<const std::uint8_t*>(text)); }
  void Put(const TrackPointRecord& record) { Put(record.bytes.data()); }

 private:
  void StartSector() {
    // The header area holds no slots; a record-like pattern there must never be taken for one.
    std::uint8_t* header = &memory_[sector_ * kSector];
    const TrackPointRecord mark =
        EncodeRecord(static_cast<std::int32_t>(sector_) * 3600, 1.0f, 2.0f, 3.0f);
    std::memcpy(header, mark.bytes.data(), kSlot);
    header[16] = static_cast<std::uint8_t>(sector_);
  }
  std::vector<std::uint8_t>& memory_;
  std::uint32_t sector_;
  std::uint32_t index_ = 0;
};

}  // namespace

std::vector<std::uint8_t> GenerateLoggerMemory(std::time_t firstRecord) {
  std::vector<std::uint8_t> memory(LoggerDevice::kMemorySize, 0xFF);
  // The logger has gone round once: the older tracks fill sectors 3 to 31, the newer ones
  // sectors 0, 1 and half of 2, and the rest of sector 2 is erased.
  constexpr std::uint32_t kOldSlots = 29 * kSlotsPerSector;
  constexpr std::uint32_t kNewSlots = 2 * kSlotsPerSector + kSlotsPerSector / 2;
  constexpr std::uint32_t kSlots = kOldSlots + kNewSlots;
  // Where new tracks begin (slot numbers); the second one comes with two separators in a row,
  // an empty track. The last one lies in the newer part.
  static constexpr std::uint32_t kTrackStarts[] = {20000, 45000, 70000, 95000, 122000};
  static constexpr std::uint8_t kFiller[16] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 1,
                                               2,    3,    4,    5,    0xBB, 0xBB, 0xBB, 0xBB};
  SlotWriter writer(memory, 3);
  std::uint32_t written = 0;
  auto put = [&](const auto& slot) {
    writer.Put(slot);
    ++written;
  };
  std::int64_t time = firstRecord;
  std::size_t nextTrack = 0;
  while (written < kSlots) {
    if (nextTrack < std::size(kTrackStarts) && written >= kTrackStarts[nextTrack]) {
      put(kSeparatorSlot);
      if (nextTrack == 1) put(kSeparatorSlot);
      ++nextTrack;
      time += 3 * 3600;
      continue;
    }
    if (written % 7001 == 7000) {
      put(kFiller);
      continue;
    }
    if (written % 3001 == 3000 && written + 1 < kSlots) put(kWaypointMarkerSlot);
    const double i = static_cast<double>(written);
    const float latitude = static_cast<float>(35.6 + 0.01 * std::sin(i / 500.0));
    const float longitude = static_cast<float>(139.7 + i * 1e-6);
    const float height = static_cast<float>(20.0 + 10.0 * std::sin(i / 300.0));
    put(EncodeRecord(static_cast<std::int32_t>(time), latitude, longitude, height));
    time += 5;
  }
  return memory;
}

std::uint32_t UsedEndOf(const std::vector<std::uint8_t>& memory) {
  for (std::size_t end = memory.size() / kSlot * kSlot; end >= kSlot; end -= kSlot) {
    const auto* slot = &memory[end - kSlot];
    if (std::any_of(slot, slot + kSlot, [](std::uint8_t b) { return b != 0xFF; }))
      return static_cast<std::uint32_t>(end);
  }
  return 0;
}

LoggerDevice::LoggerDevice(const LoggerOptions& options, VirtualDevice& device, bool lineRate)
    : options_(options), device_(device), lineRate_(lineRate) {
  if (options_.memory.size() == kMemorySize) {
    memory_ = options_.memory;
  } else {
    const std::time_t first = options_.memoryTime != 0
                                  ? options_.memoryTime
                                  : std::time(nullptr) / 60 * 60 - 10 * 24 * 3600;
    memory_ = GenerateLoggerMemory(first);
  }
  options_.memory.clear();
  options_.memory.shrink_to_fit();
  parameters_[logger_parameter::kTimeInterval] = 50;
  parameters_[logger_parameter::kDistance] = 0;
  parameters_[logger_parameter::kRecordMode] = 1;
  parameters_[logger_parameter::kUsedEnd] =
      options_.usedEnd >= 0 ? options_.usedEnd : UsedEndOf(memory_);
  device_.SetHandler("PMTK182",
                     [this](std::string_view body, DeviceIo& io) { OnLoggerCommand(body, io); });
}

long LoggerDevice::Parameter(int p) const {
  const auto it = parameters_.find(p);
  return it == parameters_.end() ? 0 : it->second;
}

void LoggerDevice::Pace(std::size_t bytes, DeviceIo& io) {
  if (!lineRate_) return;
  const unsigned baud = io.LineSpeed() ? io.LineSpeed() : 115200;
  io.SleepUntil(io.Now() + std::chrono::microseconds(bytes * 10ULL * 1000000ULL / baud));
}

void LoggerDevice::Acknowledge(int type, DeviceIo& io) {
  device_.Reply("PMTK001,182," + std::to_string(type) + ",3", io);
}

void LoggerDevice::OnLoggerCommand(std::string_view body, DeviceIo& io) {
  if (silent_) return;
  io.SetPacing(lineRate_);
  // The command itself took its time on the line before the device could act on it.
  Pace(body.size() + 6, io);
  const auto f = Fields(body);
  if (f.size() < 2) return;
  const int type = std::atoi(f[1].c_str());
  const int p = f.size() > 2 ? std::atoi(f[2].c_str()) : 0;
  const bool hexValue = p == 1 || p == 2;
  switch (type) {
    case 1:  // set parameter p (1 and 2 carry hexadecimal values); the used end is the device's
      if (f.size() > 3 && p != logger_parameter::kUsedEnd)
        parameters_[p] = hexValue ? static_cast<long>(ParseHex(f[3])) : std::atol(f[3].c_str());
      Acknowledge(type, io);
      return;
    case 2: {  // query parameter p; the used end comes as eight hexadecimal digits
      char value[32];
      if (p == logger_parameter::kUsedEnd)
        std::snprintf(value, sizeof value, "%08lX", Parameter(p));
      else
        std::snprintf(value, sizeof value, hexValue ? "%lX" : "%ld", Parameter(p));
      device_.Reply("PMTK182,3," + std::to_string(p) + "," + value, io);
      return;
    }
    case 6:  // erase
      if (p == 1) {
        io.Log("logger: erasing the memory");
        io.SleepMs(options_.eraseMs);
        std::fill(memory_.begin(), memory_.end(), 0xFF);
        parameters_[logger_parameter::kUsedEnd] = 0;
      }
      Acknowledge(type, io);
      return;
    case 7:  // read memory
      if (f.size() > 3) {
        Read(static_cast<std::uint32_t>(ParseHex(f[2])), static_cast<std::uint32_t>(ParseHex(f[3])),
             io);
        if (!silent_) Acknowledge(type, io);
      }
      return;
    case 14:  // line speed: acknowledged at the old speed, then changed
      Acknowledge(type, io);
      if (p > 0) {
        speed_ = static_cast<unsigned>(p);
        io.Log("logger: speed " + std::to_string(p));
      }
      return;
    default:
      Acknowledge(type, io);
  }
}

bool LoggerDevice::Strikes(long faultChunk, std::uint32_t chunk, int& strikes) {
  if (faultChunk < 0 || static_cast<std::uint32_t>(faultChunk) != chunk) return false;
  if (options_.faultTimes > 0 && strikes >= options_.faultTimes) return false;
  ++strikes;
  return true;
}

void LoggerDevice::Read(std::uint32_t start, std::uint32_t size, DeviceIo& io) {
  ++readCommands_;
  char text[80];
  std::snprintf(text, sizeof text, "logger: read 0x%08X, 0x%X bytes", static_cast<unsigned>(start),
                static_cast<unsigned>(size));
  io.Log(text);
  const std::uint32_t end =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{start} + size, kMemorySize));
  for (std::uint32_t address = start; address < end; address += logger_memory::kChunkSize) {
    const std::uint32_t chunk = address / logger_memory::kChunkSize;
    if (Strikes(options_.hangupChunk, chunk, hangupStrikes_)) {
      io.Log("logger: hanging up at chunk " + std::to_string(chunk));
      io.HangUp();
      silent_ = true;
      return;
    }
    if (options_.stallChunk >= 0 && static_cast<std::uint32_t>(options_.stallChunk) == chunk &&
        (options_.faultTimes == 0 || stallStrikes_ < options_.faultTimes)) {
      ++stallStrikes_;
      if (options_.stallSeconds < 0) {
        io.Log("logger: falling silent at chunk " + std::to_string(chunk));
        silent_ = true;
        device_.Faults().silent = true;
        return;
      }
      io.Log("logger: stalling at chunk " + std::to_string(chunk));
      io.SleepMs(static_cast<long>(options_.stallSeconds * 1000));
    }
    if (options_.interleave) Interleave(chunk, io);
    if (Strikes(options_.dropChunk, chunk, dropStrikes_)) {
      io.Log("logger: dropping chunk " + std::to_string(chunk));
      continue;
    }
    SendChunk(address, std::min(logger_memory::kChunkSize, end - address), io);
  }
}

void LoggerDevice::SendChunk(std::uint32_t address, std::uint32_t size, DeviceIo& io) {
  const std::uint32_t chunk = address / logger_memory::kChunkSize;
  std::uint32_t label = address;
  if (Strikes(options_.wrongAddressChunk, chunk, addressStrikes_)) {
    label = address + logger_memory::kChunkSize;
    io.Log("logger: chunk " + std::to_string(chunk) + " under a wrong address");
  }
  const std::string body = DataSentenceBody(label, &memory_[address], size);
  std::string line = FrameSentence(body);
  if (Strikes(options_.badChecksumChunk, chunk, checksumStrikes_)) {
    line.replace(line.size() - 4, 2,
                 ChecksumText(static_cast<std::uint8_t>(SentenceChecksum(body) ^ 0x5A)));
    io.Log("logger: chunk " + std::to_string(chunk) + " with a wrong checksum");
  }
  io.Write(line);
  ++chunksSent_;
  // The log shows the head of each data sentence only: a whole download would be megabytes.
  io.Log(">> " + line.substr(0, 20) + "... (" + std::to_string(size) + " bytes)");
}

void LoggerDevice::Interleave(std::uint32_t chunk, DeviceIo& io) {
  switch (chunk % 4) {
    case 0:
      device_.Reply("GPRMC,101500.000,A,3536.0000,N,13942.0000,E,0.00,0.00,020412,,,A", io);
      break;
    case 1:
      device_.Reply("PMTK001,604,3", io);
      break;
    case 2: {
      // A memory sentence for an address nobody asked for (late from an earlier read).
      const std::uint8_t bytes[4] = {0xDE, 0xAD, 0xBE, 0xEF};
      device_.Reply(
          DataSentenceBody((chunk + 512) * logger_memory::kChunkSize % kMemorySize, bytes, 4), io);
      break;
    }
    default:
      device_.Reply("PMTK182,3,8,00000010", io);
  }
}

}  // namespace divuzo::vdev
