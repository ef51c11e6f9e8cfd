#include "serial/DeviceProtocol.h"

#include "serial/DeviceSession.h"
#include "serial/Sentence.h"

#include <algorithm>
#include <cstring>

namespace divuzo {

bool IsNotConnected(const char* reply) { return reply && std::strcmp(reply, kNotConnected) == 0; }

DeviceProtocol::DeviceProtocol(DeviceSession& session) : session_(session) {}

LinkTiming& DeviceProtocol::Timing() { return session_.timing; }

void DeviceProtocol::AllocateReceiveBuffer() {
  if (received_) return;
  ReceiveBuffer::Options options;
  options.capacity = kReceiveBufferSize;
  options.whenFull = ReceiveBuffer::WhenFull::StopReading;
  // NUL never belongs to a sentence; dropping it keeps the received text one string.
  options.dropNul = true;
  options.chunk = kReadChunk;
  received_ = std::make_unique<ReceiveBuffer>(options);
}

ReceiveBuffer& DeviceProtocol::Received() {
  AllocateReceiveBuffer();
  return *received_;
}

bool DeviceProtocol::Piecewise() const { return session_.highSpeedLink.load() == 1; }

bool DeviceProtocol::BeginSend() {
  session_.linkBusy = 1;
  AllocateReceiveBuffer();
  received_->Clear();
  if (!session_.portOpen.load()) {
    if (session_.IsOpen()) {
      session_.Purge();
      session_.Reset();
    }
    return false;
  }
  // The line may have gone since it was opened (adapter unplugged).
  return session_.IsOpen();
}

bool DeviceProtocol::WriteLine(const std::string& line, int pieceSleepMs) {
  Link* link = session_.Line();
  if (!link) return false;
  if (pieceSleepMs < 0) return link->Write(line.data(), line.size()) == static_cast<long>(line.size());
  long last = 0;
  for (std::size_t at = 0; at < line.size(); at += kPieceSize) {
    const std::size_t n = std::min(kPieceSize, line.size() - at);
    last = link->Write(line.data() + at, n);
    if (last < 0) return false;
    link->Clock().SleepMs(pieceSleepMs);
  }
  return last >= 0;
}

bool DeviceProtocol::HandleEcho(const std::string& sent) {
  ReceiveBuffer& r = *received_;
  if (r.Size() < sent.size() || std::memcmp(r.Data(), sent.data(), sent.size()) != 0) return false;
  if (r.Size() == sent.size()) {
    // Only the echo came: it must never pass for a reply. The next read writes over it.
    r.Clear();
    std::memcpy(r.Data(), "NONE", 4);
    return true;
  }
  // The echo and more: keep what followed it.
  r.Consume(sent.size());
  return false;
}

const char* DeviceProtocol::Await(int polls, const std::function<const char*(bool last)>& done) {
  Link* link = session_.Line();
  if (!link) return kNotConnected;
  const char* reply = nullptr;
  const WaitStatus status =
      WaitFor(*link, *received_, DeadlineIn(*link, static_cast<long>(polls) * session_.timing.pollMs),
              [&](ReceiveBuffer&, bool last) { return (reply = done(last)) != nullptr; },
              &session_.cancel);
  if (status == WaitStatus::Ok) return reply;
  if (status == WaitStatus::Lost) return kNotConnected;
  return nullptr;
}

const char* DeviceProtocol::SendPlmQuery(int code) {
  if (!BeginSend()) return kNotConnected;
  const std::string line = PlmQueryLine(code);
  if (line.empty()) return nullptr;
  if (!WriteLine(line, -1) && !session_.IsOpen()) return kNotConnected;
  const int kind = PlmReplyKind(code);
  return Await(session_.timing.queryPolls, [&](bool last) -> const char* {
    ReceiveBuffer& r = *received_;
    char* reply = FindPlmReply(r.Data(), kind, r.Size() + 1);
    if (!reply) return nullptr;
    // Wait for the rest of a reply that is still arriving; at the limit take what came.
    if (last || IsCompleteReply(reply, r.Size() - static_cast<std::size_t>(reply - r.Data()))) return reply;
    return nullptr;
  });
}

const char* DeviceProtocol::SendRadedCommand(int number) {
  if (!BeginSend()) return kNotConnected;
  const std::string line = RadedCommandLine(number);
  const std::string expected = RadedAckPrefix(number).substr(0, 11);
  if (!WriteLine(line, -1) && !session_.IsOpen()) return kNotConnected;
  return Await(session_.timing.queryPolls, [&](bool last) -> const char* {
    ReceiveBuffer& r = *received_;
    char* from = r.Data();
    // Skip acknowledgements of other numbers (a late one of an earlier command).
    while (char* ack = FindRadedAck(from, r.Size() + 1 - static_cast<std::size_t>(from - r.Data()))) {
      if (std::strncmp(ack, expected.c_str(), expected.size()) == 0) {
        const std::size_t left = r.Size() - static_cast<std::size_t>(ack - r.Data());
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
  if (!WriteLine(line, Piecewise() ? session_.timing.pieceSleepMs : -1) && !session_.IsOpen())
    return kNotConnected;
  if (type == logger_command::kReadMemory) {
    // The memory read takes one look, whatever arrived; the download reader does the rest.
    Link* link = session_.Line();
    if (!link) return kNotConnected;
    link->Clock().SleepMs(session_.timing.pollMs);
    if (!received_->ReadFrom(*link)) return kNotConnected;
    HandleEcho(line);
    return received_->Data();
  }
  const std::string prefix = LogReplyPrefix(type);
  const int polls = type == logger_command::kErase ? session_.timing.erasePolls : session_.timing.logPolls;
  return Await(polls, [&](bool last) -> const char* {
    HandleEcho(line);
    ReceiveBuffer& r = *received_;
    // The reply is a sentence that begins with the awaited prefix; other traffic before it
    // (a position report, garbage) and echoes of the sent line are passed over.
    for (const char* at = r.Data(); (at = FindPrefix(at, prefix, r.Size() + 1)) != nullptr; ++at) {
      if (std::strncmp(at, line.c_str(), line.size()) == 0) continue;
      const std::size_t left = r.Size() - static_cast<std::size_t>(at - r.Data());
      if (last || IsCompleteReply(at, left)) return at;
      return nullptr;
    }
    return nullptr;
  });
}

const char* DeviceProtocol::LogExchange(int type, long a, long b) {
  const long second = type == logger_command::kQueryParameter ? 0 : b;
  const bool needsLogReply = type == logger_command::kQueryParameter || type == logger_command::kReadMemory;
  auto counts = [&](const char* answer) {
    if (!answer) return false;
    if (needsLogReply) return FindLogReply(answer) != nullptr;
    return *answer != '\0';
  };
  const LinkTiming& timing = session_.timing;
  int resends = 0;
  for (int attempt = 0; attempt < timing.logExchangeAttempts; ++attempt) {
    const char* answer = SendLogCommand(type, a, second);
    while (!counts(answer) && type != logger_command::kErase) {
      if (resends >= timing.logExchangeResends) {
        session_.exchangeFinished = 1;
        return kNotConnected;
      }
      ++resends;
      answer = SendLogCommand(type, a, second);
    }
    if (counts(answer) && !IsNotConnected(answer)) {
      session_.exchangeFinished = 1;
      return answer;
    }
  }
  session_.exchangeFinished = 1;
  return kNotConnected;
}

bool DeviceProtocol::LogSendOnly(int type, long a, long b) {
  if (!session_.portOpen.load() || !session_.IsOpen()) return false;
  const std::string line = LogCommandLine(type, a, b);
  return WriteLine(line,
                   type == logger_command::kReadMemory && Piecewise() ? session_.timing.sendOnlyPieceSleepMs : -1);
}

} // namespace divuzo
