#include "engine/BootRom.h"

#include "platform/AtomicFile.h"
#include "platform/FileIo.h"
#include "update/Crc32.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace divuzo::vdev {

using namespace bromwire;

BootRom::BootRom(const BootRomOptions& options, DeviceState& state, GpsChip chip)
    : options_(options), state_(state), chip_(chip), random_(options.corruptSeed) {
  if (state_.flash.size() < kFlashSize) state_.flash.resize(kFlashSize, 0xFF);
}

void BootRom::Pace(std::size_t bytes, DeviceIo& io) {
  if (!options_.lineRate) return;
  const unsigned baud = io.LineSpeed() ? io.LineSpeed() : 115200;
  // The bytes could not have arrived faster than the line carries them: hold them back.
  lineFree_ = std::max(lineFree_, io.Now()) + std::chrono::microseconds(bytes * 10ULL * 1000000ULL / baud);
  io.SleepUntil(lineFree_);
}

void BootRom::Corrupt(std::uint8_t* data, std::size_t size) {
  if (options_.corruptEvery <= 0) return;
  std::uniform_int_distribution<long> pick(0, options_.corruptEvery - 1);
  std::uniform_int_distribution<int> bit(0, 7);
  for (std::size_t i = 0; i < size; ++i)
    if (pick(random_) == 0) data[i] ^= static_cast<std::uint8_t>(1u << bit(random_));
}

void BootRom::Send(DeviceIo& io, std::uint8_t type, std::uint16_t seq,
                   const std::vector<std::uint8_t>& payload) {
  if (dead_) return;
  std::vector<std::uint8_t> frame = EncodeFrame(type, seq, payload.data(), payload.size());
  Corrupt(frame.data(), frame.size());
  io.Write(frame.data(), frame.size());
}

bool BootRom::Sync(std::uint8_t byte, DeviceIo& io) {
  if (byte == kSync[syncIndex_]) {
    io.Write(&kSyncReply[syncIndex_], 1);
    if (++syncIndex_ == 4) {
      syncIndex_ = 0;
      return true;
    }
    return false;
  }
  syncIndex_ = byte == kSync[0] ? 1 : 0;
  if (syncIndex_ == 1) io.Write(&kSyncReply[0], 1);
  return false;
}

bool BootRom::OnBytes(const std::uint8_t* data, std::size_t size, DeviceIo& io) {
  if (dead_) return true;
  if (!active_) {
    if (options_.noHandshake) return false;
    io.SetPacing(options_.lineRate);
    Pace(size, io);
    for (std::size_t i = 0; i < size; ++i) {
      if (Sync(data[i], io)) {
        io.Log("boot ROM: handshake done, line taken");
        active_ = true;
        decoder_.Clear();
        phase_ = Phase::Idle;
        agentRunning_ = false;
        // Anything after the last sync byte is already frame traffic.
        return OnBytes(data + i + 1, size - i - 1, io);
      }
    }
    // Keep the line while a handshake is under way; give it back otherwise.
    return syncIndex_ != 0;
  }
  // A frame left half-sent by a host that went away must not swallow the next host's sync.
  const auto now = io.Now();
  if (now - lastBytes_ > std::chrono::milliseconds(500)) decoder_.Clear();
  lastBytes_ = now;
  Pace(size, io);
  std::vector<std::uint8_t> bytes(data, data + size);
  Corrupt(bytes.data(), bytes.size());
  decoder_.Feed(bytes.data(), bytes.size());
  for (;;) {
    switch (decoder_.Next()) {
      case Decoder::Event::None:
        return active_;
      case Decoder::Event::Frame:
        OnFrame(decoder_.frame, io);
        break;
      case Decoder::Event::BadFrame:
        OnBadFrame(decoder_.frame, io);
        break;
      case Decoder::Event::Skipped:
        // A host that starts over sends the sync bytes again: a new session.
        if (!options_.noHandshake && Sync(decoder_.skipped, io)) {
          io.Log("boot ROM: handshake again");
          phase_ = Phase::Idle;
          agentRunning_ = false;
        }
        break;
    }
    if (dead_ || !active_) {
      decoder_.Clear();
      return !dead_ ? false : true;
    }
  }
}

void BootRom::OnBadFrame(const Frame& frame, DeviceIo& io) {
  io.Log("boot ROM: damaged frame, seq " + std::to_string(frame.seq));
  if (frame.type == kData) {
    if (phase_ != Phase::Idle && (!nakSent_ || frame.seq == static_cast<std::uint16_t>(expected_))) {
      Send(io, kDataNak, static_cast<std::uint16_t>(expected_), {kReasonBadFrame});
      nakSent_ = true;
    }
    return;
  }
  Nak(io, frame.seq, kReasonBadFrame);
}

void BootRom::Store(const std::vector<std::uint8_t>& bytes) {
  const std::uint32_t offset = expected_ * packetSize_;
  if (phase_ == Phase::Agent) {
    std::copy(bytes.begin(), bytes.end(), agent_.begin() + offset);
  } else {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const std::size_t at = imageAddress_ + offset + i;
      std::uint8_t b = bytes[i];
      if (static_cast<long>(at) == options_.stuckByte) b &= 0xFE;
      // Programming flash only clears bits.
      state_.flash[at] &= b;
    }
  }
  runningCrc_ = Crc32Update(runningCrc_, bytes.data(), bytes.size());
  received_ += static_cast<std::uint32_t>(bytes.size());
}

void BootRom::OnData(const Frame& frame, DeviceIo& io) {
  if (phase_ == Phase::Idle) {
    Send(io, kDataNak, frame.seq, {kReasonBadCommand});
    return;
  }
  const std::uint16_t want = static_cast<std::uint16_t>(expected_);
  if (frame.seq != want) {
    const std::uint16_t behind = static_cast<std::uint16_t>(want - frame.seq);
    if (behind != 0 && behind <= 0x8000) {
      // Sent again because our answer was lost: say again how far we are.
      Send(io, kDataAck, want);
    } else if (!nakSent_) {
      Send(io, kDataNak, want, {kReasonBadFrame});
      nakSent_ = true;
    }
    return;
  }
  const std::uint32_t offset = expected_ * packetSize_;
  const std::uint32_t length = std::min(packetSize_, total_ - std::min(total_, offset));
  if (offset >= total_ || frame.payload.size() != length) {
    Send(io, kDataNak, want, {kReasonBadCommand});
    nakSent_ = true;
    return;
  }
  if (phase_ == Phase::Image && options_.refusePacket == static_cast<long>(expected_) &&
      (options_.refuseTimes < 0 || refused_ < options_.refuseTimes)) {
    ++refused_;
    io.Log("boot ROM: refusing packet " + std::to_string(expected_));
    Send(io, kDataNak, want, {kReasonRefused});
    nakSent_ = true;
    return;
  }
  Store(frame.payload);
  ++expected_;
  nakSent_ = false;
  if (phase_ == Phase::Image && options_.hangupAtPercent >= 0 &&
      std::uint64_t(received_) * 100 >= std::uint64_t(total_) * options_.hangupAtPercent) {
    HangUp(io);
    return;
  }
  Send(io, kDataAck, static_cast<std::uint16_t>(expected_));
}

void BootRom::HangUp(DeviceIo& io) {
  io.Log("boot ROM: hanging up at " + std::to_string(received_) + " of " + std::to_string(total_) +
         " bytes");
  dead_ = true;
  // Like pulling the cable: the device goes away, and with it the line.
  io.HangUp();
}

void BootRom::SaveFlashDump(DeviceIo& io) {
  if (options_.flashDump.empty()) return;
  const std::string temp = options_.flashDump + ".part";
  FILE* file = std::fopen(temp.c_str(), "wb");
  bool ok = file != nullptr;
  if (ok) {
    ok = std::fwrite(state_.flash.data() + imageAddress_, 1, total_, file) == total_;
    ok = std::fflush(file) == 0 && SyncFile(fileno(file)) && ok;
    ok = std::fclose(file) == 0 && ok;
  }
  if (ok) ok = RenameOver(temp, options_.flashDump);
  io.Log(ok ? "boot ROM: flash saved to " + options_.flashDump
            : "boot ROM: cannot write " + options_.flashDump);
}

void BootRom::OnFrame(const Frame& frame, DeviceIo& io) {
  switch (frame.type) {
    case kHello:
      Send(io, kInfo, frame.seq, Words({ChipId(chip_), kVersion, kFlashSize, Word(frame, 0)}));
      return;
    case kAgentBegin: {
      const std::uint32_t chip = Word(frame, 0), address = Word(frame, 2), length = Word(frame, 3);
      if (frame.payload.size() != 20) return Nak(io, frame.seq, kReasonBadCommand);
      if (chip_ == GpsChip::None || chip != ChipId(chip_)) {
        io.Log("boot ROM: agent for chip " + std::to_string(chip) + " refused");
        return Nak(io, frame.seq, kReasonWrongChip);
      }
      if (address != AgentLoadAddress(chip_)) return Nak(io, frame.seq, kReasonBadAddress);
      if (length == 0 || length > 64 * 1024) return Nak(io, frame.seq, kReasonTooLarge);
      agentVersion_ = Word(frame, 1);
      agentCrc_ = Word(frame, 4);
      agent_.assign(length, 0);
      agentRunning_ = false;
      phase_ = Phase::Agent;
      packetSize_ = kMaxPayload;
      total_ = length;
      received_ = runningCrc_ = expected_ = 0;
      nakSent_ = false;
      return Ack(io, frame.seq);
    }
    case kData:
      return OnData(frame, io);
    case kAgentRun:
      if (agentRunning_) return Send(io, kReady, frame.seq, Words({agentVersion_}));
      if (phase_ != Phase::Agent || received_ != total_) return Nak(io, frame.seq, kReasonIncomplete);
      if (Crc32(agent_.data(), agent_.size()) != agentCrc_) return Nak(io, frame.seq, kReasonBadChecksum);
      agentRunning_ = true;
      phase_ = Phase::Idle;
      io.Log("boot ROM: agent running");
      return Send(io, kReady, frame.seq, Words({agentVersion_}));
    case kSpeed: {
      const std::uint32_t baud = Word(frame, 0);
      if (baud < 1200 || baud > 4000000) return Nak(io, frame.seq, kReasonBadSpeed);
      io.Log("boot ROM: line speed " + std::to_string(baud));
      return Ack(io, frame.seq);
    }
    case kPing:
      return Send(io, kPong, frame.seq);
    case kImageBegin: {
      const std::uint32_t address = Word(frame, 0), length = Word(frame, 1), packet = Word(frame, 3);
      if (frame.payload.size() != 16 || packet < 16 || packet > kMaxPayload || packet % 16 != 0)
        return Nak(io, frame.seq, kReasonBadCommand);
      if (!agentRunning_) return Nak(io, frame.seq, kReasonNoAgent);
      if (length == 0 || std::uint64_t(address) + length > kFlashSize)
        return Nak(io, frame.seq, kReasonTooLarge);
      if (phase_ != Phase::Image || imageAddress_ != address || total_ != length || expected_ != 0) {
        // Erase what the image will cover; the unit forgets its Bluetooth address with it.
        std::fill(state_.flash.begin() + address, state_.flash.begin() + address + length, 0xFF);
        state_.ForgetBluetoothAddress();
      }
      imageAddress_ = address;
      imageCrc_ = Word(frame, 2);
      packetSize_ = packet;
      total_ = length;
      received_ = runningCrc_ = expected_ = 0;
      nakSent_ = false;
      phase_ = Phase::Image;
      io.Log("boot ROM: writing " + std::to_string(length) + " bytes");
      return Ack(io, frame.seq);
    }
    case kImageEnd:
      if (phase_ != Phase::Image || received_ != total_) {
        // Answer a repeated end for a finished image as before.
        if (phase_ == Phase::Idle && agentRunning_ && total_ != 0 && received_ == total_)
          return Ack(io, frame.seq);
        return Nak(io, frame.seq, kReasonIncomplete);
      }
      if (runningCrc_ != imageCrc_) return Nak(io, frame.seq, kReasonBadChecksum);
      phase_ = Phase::Idle;
      SaveFlashDump(io);
      return Ack(io, frame.seq);
    case kVerify: {
      const std::uint32_t address = Word(frame, 0), length = Word(frame, 1);
      if (std::uint64_t(address) + length > kFlashSize) return Nak(io, frame.seq, kReasonBadAddress);
      return Send(io, kVerifyResult, frame.seq,
                  Words({Crc32(state_.flash.data() + address, length), length}));
    }
    case kRestart:
      Ack(io, frame.seq);
      io.Log("boot ROM: restarting into the firmware");
      if (options_.busyAfterRestartMs != 0) {
        io.Log("boot ROM: the port is held after the restart");
        io.HoldPort(options_.busyAfterRestartMs);
      }
      active_ = false;
      phase_ = Phase::Idle;
      return;
    default:
      return Nak(io, frame.seq, kReasonBadCommand);
  }
}

} // namespace divuzo::vdev
