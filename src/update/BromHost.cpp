#include "update/BromHost.h"

#include "platform/Trace.h"
#include "update/Crc32.h"

#include <algorithm>
#include <string_view>

namespace divuzo {

using namespace bromwire;
namespace dl = brom_download;

namespace {

ReceiveBuffer::Options FrameBuffer() {
  ReceiveBuffer::Options options;
  options.capacity = 64 * 1024;
  options.chunk = 8192;
  return options;
}

} // namespace

BromHost::BromHost(const BromHostTiming& timing, Link& link, const CancelToken* cancel)
    : timing_(timing), link_(link), cancel_(cancel), received_(FrameBuffer()) {}

int BromHost::LineMs(std::size_t bytes) const {
  const unsigned baud = link_.Baud() ? link_.Baud() : 115200;
  return static_cast<int>(bytes * 10 * 1000 / baud) + 1;
}

bool BromHost::Send(const std::vector<std::uint8_t>& bytes) {
  return link_.Write(bytes.data(), bytes.size()) == static_cast<long>(bytes.size());
}

BromHost::Wait BromHost::ReadFrame(Frame& frame, TimePoint deadline) {
  const WaitStatus status = WaitFor(
      link_, received_, deadline,
      [&](ReceiveBuffer& r, bool) {
        decoder_.Feed(reinterpret_cast<const std::uint8_t*>(r.Data()), r.Size());
        r.Clear();
        for (;;) {
          const Decoder::Event event = decoder_.Next();
          if (event == Decoder::Event::None) return false;
          if (event == Decoder::Event::Frame) {
            frame = std::move(decoder_.frame);
            return true;
          }
          // Damaged answers and stray bytes are dropped: the sender's timeout recovers them.
        }
      },
      Cancel());
  switch (status) {
    case WaitStatus::Ok: return Wait::Frame;
    case WaitStatus::Lost: return Wait::Lost;
    case WaitStatus::Cancelled: return Wait::Cancelled;
    case WaitStatus::Timeout: break;
  }
  return Wait::Timeout;
}

BromStatus BromHost::Handshake(std::uint32_t bootOption) {
  LinkClock& clock = link_.Clock();
  const TimePoint deadline = In(timing_.connectTimeoutMs);
  bool synced = false;
  while (!synced && clock.Now() < deadline) {
    link_.Purge();
    synced = true;
    for (int i = 0; i < 4 && synced; ++i) {
      if (link_.Write(&kSync[i], 1) != 1) return link_.IsOpen() ? dl::kNoBootRom : dl::kLineLost;
      // Sentence traffic may still arrive before the answer: look for the reply byte only.
      received_.Clear();
      const char want = static_cast<char>(kSyncReply[i]);
      switch (WaitFor(link_, received_, In(timing_.syncByteMs),
                      [want](ReceiveBuffer& r, bool) { return r.View().find(want) != std::string_view::npos; },
                      Cancel())) {
        case WaitStatus::Ok: break;
        case WaitStatus::Lost: return dl::kLineLost;
        case WaitStatus::Cancelled: return dl::kCancelled;
        case WaitStatus::Timeout: synced = false; break;
      }
    }
    if (!synced) clock.SleepMs(20);
  }
  received_.Clear();
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
    const TimePoint deadline = In(timing_.ackTimeoutMs + 2 * LineMs(frame.size() + 64));
    bool resend = false;
    while (!resend) {
      switch (ReadFrame(reply, deadline)) {
        case Wait::Lost:
          return dl::kLineLost;
        case Wait::Cancelled:
          return dl::kCancelled;
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
  TimePoint deadline = In(timing_.ackTimeoutMs + windowMs);
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
      deadline = In(timing_.ackTimeoutMs + windowMs);
    }
    Frame reply;
    switch (ReadFrame(reply, deadline)) {
      case Wait::Lost:
        return dl::kLineLost;
      case Wait::Cancelled:
        return dl::kCancelled;
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
      deadline = In(timing_.ackTimeoutMs + windowMs);
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
  const unsigned current = link_.Baud();
  const bool possible = link_.Configure(baud);
  if (!link_.Configure(current)) return dl::kLineLost;
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
  link_.Drain();
  if (!link_.Configure(baud)) return link_.IsOpen() ? dl::kSpeedSwitchFailed : dl::kLineLost;
  status = Command(kPing, {}, kPong, reply);
  if (status == dl::kLineLost) return status;
  return status == dl::kOk ? dl::kOk : dl::kSpeedSwitchFailed;
}

BromStatus BromHost::WriteImage(std::uint32_t address, const std::vector<std::uint8_t>& image,
                                std::size_t packetSize, const BromPhase& phase) {
  // From the image's first command on the device's flash is being rewritten: a stop now would
  // leave it in its boot ROM.
  imageStarted_ = true;
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
  link_.Drain();
  return status;
}

} // namespace divuzo
