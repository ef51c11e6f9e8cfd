#include "serial/DeviceProtocol.h"

#include "app/UtilityManager.h"
#include "serial/Sentence.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace divuzo {

namespace {

using Clock = std::chrono::steady_clock;

void SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

bool IsNotConnected(const char* reply) { return reply && std::strcmp(reply, kNotConnected) == 0; }

DeviceProtocol::DeviceProtocol(SerialPort& channel, LinkTiming timing)
    : channel_(channel), timing_(timing) {}

void DeviceProtocol::AllocateReceiveBuffer() {
  if (buffer_.empty()) buffer_.assign(kReceiveBufferSize + 1, '\0');
}

bool DeviceProtocol::Piecewise() const { return theUtilityManager.highSpeedLink.load() == 1; }

void DeviceProtocol::ClearBuffer() {
  // Only the part written since the last clear can be non-zero.
  std::memset(buffer_.data(), 0, std::min(used_ + 8, buffer_.size()));
  used_ = 0;
}

bool DeviceProtocol::BeginSend() {
  theUtilityManager.linkBusy = 1;
  AllocateReceiveBuffer();
  ClearBuffer();
  if (!portOpen.load()) {
    if (channel_.IsOpen()) {
      channel_.Purge();
      channel_.Reset();
    }
    return false;
  }
  // The line may have gone since it was opened (adapter unplugged).
  return channel_.IsOpen();
}

bool DeviceProtocol::WriteLine(const std::string& line, int pieceSleepMs) {
  if (pieceSleepMs < 0)
    return channel_.Write(line.data(), line.size()) == static_cast<long>(line.size());
  long last = 0;
  for (std::size_t at = 0; at < line.size(); at += kPieceSize) {
    const std::size_t n = std::min(kPieceSize, line.size() - at);
    last = channel_.Write(line.data() + at, n);
    if (last < 0) return false;
    SleepMs(pieceSleepMs);
  }
  return last >= 0;
}

bool DeviceProtocol::ReadAppend() {
  for (;;) {
    const std::size_t room = kReceiveBufferSize - used_;
    if (room == 0) return true;
    char* at = buffer_.data() + used_;
    const long n = channel_.Read(at, std::min(kReadChunk, room));
    if (n < 0) return false;
    if (n == 0) return true;
    // NUL never belongs to a sentence; dropping it keeps the received text one string.
    char* end = std::remove(at, at + n, '\0');
    used_ += static_cast<std::size_t>(end - at);
    buffer_[used_] = '\0';
  }
}

bool DeviceProtocol::HandleEcho(const std::string& sent) {
  if (used_ < sent.size() || std::memcmp(buffer_.data(), sent.data(), sent.size()) != 0) return false;
  if (used_ == sent.size()) {
    // Only the echo came: it must never pass for a reply. The next read writes over it.
    std::memset(buffer_.data(), 0, used_);
    std::memcpy(buffer_.data(), "NONE", 4);
    used_ = 0;
    return true;
  }
  // The echo and more: keep what followed it.
  std::memmove(buffer_.data(), buffer_.data() + sent.size(), used_ - sent.size());
  std::memset(buffer_.data() + used_ - sent.size(), 0, sent.size());
  used_ -= sent.size();
  return false;
}

template <typename Done> const char* DeviceProtocol::Poll(int polls, Done done) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<long>(polls) * timing_.pollMs);
  for (;;) {
    if (!ReadAppend()) return kNotConnected;
    const bool last = Clock::now() >= deadline;
    if (const char* reply = done(last)) return reply;
    if (last) return nullptr;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    channel_.WaitReadable(static_cast<int>(std::clamp<long>(left, 0, timing_.pollMs)));
  }
}

const char* DeviceProtocol::SendPlmQuery(int code) {
  if (!BeginSend()) return kNotConnected;
  const std::string line = PlmQueryLine(code);
  if (line.empty()) return nullptr;
  if (!WriteLine(line, -1) && !channel_.IsOpen()) return kNotConnected;
  const int kind = PlmReplyKind(code);
  return Poll(timing_.queryPolls, [&](bool last) -> const char* {
    char* reply = FindPlmReply(buffer_.data(), kind, used_ + 1);
    if (!reply) return nullptr;
    // Wait for the rest of a reply that is still arriving; at the limit take what came.
    if (last || IsCompleteReply(reply, used_ - static_cast<std::size_t>(reply - buffer_.data()))) return reply;
    return nullptr;
  });
}

const char* DeviceProtocol::SendRadedCommand(int number) {
  if (!BeginSend()) return kNotConnected;
  const std::string line = RadedCommandLine(number);
  const std::string expected = RadedAckPrefix(number).substr(0, 11);
  if (!WriteLine(line, -1) && !channel_.IsOpen()) return kNotConnected;
  return Poll(timing_.queryPolls, [&](bool last) -> const char* {
    char* from = buffer_.data();
    // Skip acknowledgements of other numbers (a late one of an earlier command).
    while (char* ack = FindRadedAck(from, used_ + 1 - static_cast<std::size_t>(from - buffer_.data()))) {
      if (std::strncmp(ack, expected.c_str(), expected.size()) == 0) {
        const std::size_t left = used_ - static_cast<std::size_t>(ack - buffer_.data());
        if (last || IsCompleteReply(ack, left)) return ack;
        return nullptr;
      }
      from = ack + 1;
    }
    return nullptr;
  });
}

const char* DeviceProtocol::SendLogCommand(int type, long a, long b) {
  if (!BeginSend()) return kNotConnected;
  const std::string line = LogCommandLine(type, a, b);
  if (!WriteLine(line, Piecewise() ? timing_.pieceSleepMs : -1) && !channel_.IsOpen()) return kNotConnected;
  if (type == 7) {
    // The memory read takes one look, whatever arrived; the download reader does the rest.
    SleepMs(timing_.pollMs);
    if (!ReadAppend()) return kNotConnected;
    HandleEcho(line);
    return buffer_.data();
  }
  const std::string prefix = LogReplyPrefix(type);
  return Poll(type == 6 ? timing_.erasePolls : timing_.logPolls, [&](bool last) -> const char* {
    HandleEcho(line);
    if (std::strncmp(buffer_.data(), prefix.c_str(), prefix.size()) != 0) return nullptr;
    if (last || IsCompleteReply(buffer_.data(), used_)) return buffer_.data();
    return nullptr;
  });
}

const char* DeviceProtocol::LogExchange(int type, long a, long b) {
  const long second = type == 2 ? 0 : b;
  const bool needsLogReply = type == 2 || type == 7;
  auto counts = [&](const char* answer) {
    if (!answer) return false;
    if (needsLogReply) return FindLogReply(const_cast<char*>(answer)) != nullptr;
    return *answer != '\0';
  };
  int resends = 0;
  for (int attempt = 0; attempt < timing_.logExchangeAttempts; ++attempt) {
    const char* answer = SendLogCommand(type, a, second);
    while (!counts(answer) && type != 6) {
      if (resends >= timing_.logExchangeResends) {
        theUtilityManager.loggerRetryFlag = 1;
        return kNotConnected;
      }
      ++resends;
      answer = SendLogCommand(type, a, second);
    }
    if (counts(answer) && !IsNotConnected(answer)) {
      theUtilityManager.loggerRetryFlag = 1;
      return answer;
    }
  }
  theUtilityManager.loggerRetryFlag = 1;
  return kNotConnected;
}

bool DeviceProtocol::LogSendOnly(int type, long a, long b) {
  if (!portOpen.load() || !channel_.IsOpen()) return false;
  const std::string line = LogCommandLine(type, a, b);
  return WriteLine(line, type == 7 && Piecewise() ? timing_.sendOnlyPieceSleepMs : -1);
}

} // namespace divuzo
