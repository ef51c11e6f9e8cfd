#include "update/BromHost.h"

#include "platform/Trace.h"
#include "update/Crc32.h"

#include <algorithm>
#include <thread>

namespace divuzo {

using namespace bromwire;
namespace dl = brom_download;

int BromHost::LineMs(std::size_t bytes) const {
  const unsigned baud = port_.Baud() ? port_.Baud() : 115200;
  return static_cast<int>(bytes * 10 * 1000 / baud) + 1;
}

BromStatus BromHost::Open(const std::string& path, unsigned baud) {
  if (!port_.Open(path, baud)) {
    TraceF("brom: cannot open %s: %s", path.c_str(), port_.LastError().message.c_str());
    return dl::kPortFailed;
  }
  return dl::kOk;
}

bool BromHost::Send(const std::vector<std::uint8_t>& bytes) {
  return port_.Write(bytes.data(), bytes.size()) == static_cast<long>(bytes.size());
}

BromHost::Wait BromHost::ReadFrame(Frame& frame, Clock::time_point deadline) {
  std::uint8_t buffer[8192];
  for (;;) {
    for (;;) {
      const Decoder::Event event = decoder_.Next();
      if (event == Decoder::Event::None) break;
      if (event == Decoder::Event::Frame) {
        frame = std::move(decoder_.frame);
        return Wait::Frame;
      }
      // Damaged answers and stray bytes are dropped: the sender's timeout recovers them.
    }
    if (!port_.IsOpen()) return Wait::Lost;
    const auto now = Clock::now();
    if (now >= deadline) return Wait::Timeout;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    port_.WaitReadable(static_cast<int>(left.count()) + 1);
    const long n = port_.Read(buffer, sizeof buffer);
    if (n < 0) return Wait::Lost;
    decoder_.Feed(buffer, static_cast<std::size_t>(n));
  }
}

BromStatus BromHost::Handshake(std::uint32_t bootOption) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timing_.connectTimeoutMs);
  bool synced = false;
  while (!synced && Clock::now() < deadline) {
    port_.Purge();
    synced = true;
    for (int i = 0; i < 4 && synced; ++i) {
      if (port_.Write(&kSync[i], 1) != 1) return port_.IsOpen() ? dl::kNoBootRom : dl::kLineLost;
      // Sentence traffic may still arrive before the answer: look for the reply byte only.
      const auto byteDeadline = Clock::now() + std::chrono::milliseconds(timing_.syncByteMs);
      bool got = false;
      while (!got && Clock::now() < byteDeadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            byteDeadline - Clock::now());
        port_.WaitReadable(static_cast<int>(left.count()) + 1);
        std::uint8_t buffer[256];
        const long n = port_.Read(buffer, sizeof buffer);
        if (n < 0) return dl::kLineLost;
        got = std::find(buffer, buffer + n, kSyncReply[i]) != buffer + n;
      }
      synced = got;
    }
    if (!synced) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!synced) {
    Trace("brom: no answer to the sync bytes");
    return dl::kNoBootRom;
  }
  decoder_.Clear();
  Frame info;
  const BromStatus status = Command(kHello, Words({bootOption}), kInfo, info);
  if (status != dl::kOk) return status == dl::kTimeout ? dl::kNoBootRom : status;
  chipId = Word(info, 0);
  bootRomVersion = Word(info, 1);
  flashSize = Word(info, 2);
  TraceF("brom: boot ROM of MT%u, version %u, flash %u bytes", chipId, bootRomVersion, flashSize);
  return dl::kOk;
}

BromStatus BromHost::Command(std::uint8_t type, const std::vector<std::uint8_t>& payload,
                             std::uint8_t want, Frame& reply) {
  for (std::uint32_t attempt = 0; attempt <= timing_.retries; ++attempt) {
    if (attempt > 0) ++retries;
    const std::uint16_t seq = ++commandSeq_;
    const auto frame = EncodeFrame(type, seq, payload.data(), payload.size());
    if (!Send(frame)) return dl::kLineLost;
    const auto deadline = Clock::now() + std::chrono::milliseconds(
                                             timing_.ackTimeoutMs + 2 * LineMs(frame.size() + 64));
    bool resend = false;
    while (!resend) {
      switch (ReadFrame(reply, deadline)) {
        case Wait::Lost:
          return dl::kLineLost;
        case Wait::Timeout:
          resend = true;
          break;
        case Wait::Frame:
          if (reply.seq != seq) break;  // an answer to an earlier try
          if (reply.type == want) return dl::kOk;
          if (reply.type == kNak) {
            nakReason_ = reply.payload.empty() ? 0 : reply.payload[0];
            if (nakReason_ == kReasonBadFrame) {
              resend = true;
              break;
            }
            TraceF("brom: command 0x%02X refused, reason %u", type, nakReason_);
            return dl::kProtocolError;
          }
          break;
      }
    }
  }
  TraceF("brom: no answer to command 0x%02X", type);
  return dl::kTimeout;
}

BromStatus BromHost::SendPackets(const std::uint8_t* data, std::size_t size,
                                 std::size_t packetSize, const BromPhase& phase) {
  const std::size_t count = (size + packetSize - 1) / packetSize;
  if (count == 0) return dl::kOk;
  std::vector<std::uint32_t> tries(count, 0);
  std::size_t base = 0;  // oldest packet not yet acknowledged
  std::size_t next = 0;  // next packet to send
  int reported = 0;
  const int windowMs = 2 * LineMs(timing_.window * (packetSize + kHeaderSize + kTrailerSize));
  auto deadline = Clock::now() + std::chrono::milliseconds(timing_.ackTimeoutMs + windowMs);
  std::vector<std::uint8_t> out;
  const std::uint32_t step = phase.step ? phase.step : 1;

  auto report = [&](std::size_t acked) -> bool {
    const std::size_t bytes = std::min(size, acked * packetSize);
    const int percent = static_cast<int>(std::uint64_t(bytes) * 100 / size);
    if (phase.onProgress && (percent >= reported + int(step) || (bytes == size && percent > reported))) {
      reported = percent;
      return phase.onProgress(static_cast<std::uint32_t>(percent), static_cast<std::uint32_t>(bytes),
                              static_cast<std::uint32_t>(size), phase.progressUser) == 0;
    }
    return true;
  };

  while (base < count) {
    out.clear();
    while (next < count && next - base < timing_.window) {
      const std::size_t at = next * packetSize;
      AppendFrame(out, kData, static_cast<std::uint16_t>(next), data + at,
                  std::min(packetSize, size - at));
      ++next;
    }
    if (!out.empty()) {
      if (!Send(out)) return dl::kLineLost;
      deadline = Clock::now() + std::chrono::milliseconds(timing_.ackTimeoutMs + windowMs);
    }
    Frame reply;
    switch (ReadFrame(reply, deadline)) {
      case Wait::Lost:
        return dl::kLineLost;
      case Wait::Timeout:
        ++retries;
        if (++tries[base] > timing_.retries) {
          TraceF("brom: packet %zu unanswered", base);
          return dl::kTimeout;
        }
        next = base;
        continue;
      case Wait::Frame:
        break;
    }
    if (reply.type != kDataAck && reply.type != kDataNak) continue;
    // Packet numbers travel as 16 bits; an answer always lies within the window.
    const std::size_t k = base + static_cast<std::uint16_t>(reply.seq - static_cast<std::uint16_t>(base));
    if (k > next) continue;  // not about anything sent: stale
    if (k > base) {
      base = k;
      bytesWritten = static_cast<std::uint32_t>(std::min(size, base * packetSize));
      deadline = Clock::now() + std::chrono::milliseconds(timing_.ackTimeoutMs + windowMs);
      if (!report(base)) return dl::kCancelled;
    }
    if (reply.type == kDataNak && base < count) {
      const std::uint8_t reason = reply.payload.empty() ? 0 : reply.payload[0];
      ++retries;
      // Line noise is worth more tries than a device that says no.
      const std::uint32_t limit = reason == kReasonBadFrame ? timing_.retries * 4 : timing_.retries;
      if (++tries[base] > limit) {
        TraceF("brom: packet %zu refused %u times (reason %u)", base, tries[base], reason);
        return dl::kPacketRefused;
      }
      next = base;
    }
  }
  return dl::kOk;
}

BromStatus BromHost::SendAgent(const AgentFile& agent, const BromPhase& phase) {
  if (phase.onStart && phase.onStart(phase.startUser) != 0) return dl::kCancelled;
  Frame reply;
  BromStatus status = Command(kAgentBegin,
                              Words({agent.chipId, agent.version, agent.loadAddress,
                                     static_cast<std::uint32_t>(agent.body.size()),
                                     Crc32(agent.body.data(), agent.body.size())}),
                              kAck, reply);
  if (status == dl::kProtocolError)
    return nakReason_ == kReasonWrongChip ? dl::kAgentRefused : dl::kAgentFailed;
  if (status != dl::kOk) return status;
  const std::uint32_t written = bytesWritten;
  status = SendPackets(agent.body.data(), agent.body.size(), kMaxPayload, phase);
  bytesWritten = written;
  if (status == dl::kPacketRefused) return dl::kAgentFailed;
  if (status != dl::kOk) return status;
  status = Command(kAgentRun, {}, kReady, reply);
  if (status == dl::kProtocolError) return dl::kAgentFailed;
  if (status != dl::kOk) return status;
  agentVersion = Word(reply, 0);
  return dl::kOk;
}

BromStatus BromHost::SwitchSpeed(unsigned baud) {
  // An adapter that cannot make the rate keeps the current one: slower, but the device is
  // never left at a rate the host cannot follow.
  const unsigned current = port_.Baud();
  const bool possible = port_.Configure(baud);
  if (!port_.Configure(current)) return dl::kLineLost;
  if (!possible) {
    TraceF("brom: the port cannot run at %u baud; the image goes at %u", baud, current);
    return dl::kOk;
  }
  Frame reply;
  BromStatus status = Command(kSpeed, Words({baud}), kAck, reply);
  if (status == dl::kProtocolError && nakReason_ == kReasonBadSpeed) {
    TraceF("brom: the device cannot run at %u baud; the image goes at %u", baud, current);
    return dl::kOk;
  }
  if (status == dl::kLineLost) return status;
  if (status != dl::kOk) return dl::kSpeedSwitchFailed;
  port_.Drain();
  if (!port_.Configure(baud)) return port_.IsOpen() ? dl::kSpeedSwitchFailed : dl::kLineLost;
  status = Command(kPing, {}, kPong, reply);
  if (status == dl::kLineLost) return status;
  return status == dl::kOk ? dl::kOk : dl::kSpeedSwitchFailed;
}

BromStatus BromHost::WriteImage(std::uint32_t address, const std::vector<std::uint8_t>& image,
                                std::size_t packetSize, const BromPhase& phase) {
  Frame reply;
  BromStatus status = Command(
      kImageBegin,
      Words({address, static_cast<std::uint32_t>(image.size()), Crc32(image.data(), image.size()),
             static_cast<std::uint32_t>(packetSize)}),
      kAck, reply);
  if (status == dl::kProtocolError)
    return nakReason_ == kReasonTooLarge || nakReason_ == kReasonBadAddress ? dl::kImageTooLarge
                                                                              : status;
  if (status != dl::kOk) return status;
  if (phase.onStart && phase.onStart(phase.startUser) != 0) return dl::kCancelled;
  bytesWritten = 0;
  status = SendPackets(image.data(), image.size(), packetSize, phase);
  if (status != dl::kOk) return status;
  return Command(kImageEnd, {}, kAck, reply);
}

BromStatus BromHost::Verify(std::uint32_t address, const std::vector<std::uint8_t>& image) {
  Frame reply;
  const BromStatus status =
      Command(kVerify, Words({address, static_cast<std::uint32_t>(image.size())}), kVerifyResult, reply);
  if (status != dl::kOk) return status;
  const std::uint32_t crc = Crc32(image.data(), image.size());
  if (Word(reply, 0) != crc || Word(reply, 1) != image.size()) {
    TraceF("brom: read-back CRC %08X, written %08X", Word(reply, 0), crc);
    return dl::kVerifyFailed;
  }
  return dl::kOk;
}

BromStatus BromHost::Restart() {
  Frame reply;
  const BromStatus status = Command(kRestart, {}, kAck, reply);
  port_.Drain();
  return status;
}

} // namespace divuzo
