#pragma once
// The host side of the boot-ROM line protocol (docs/bootrom-protocol.md) over the line it is
// handed: handshake, agent upload, speed change, image write with go-back-N retransmission,
// read-back verification and restart. BromDownload drives one of these per run. Every wait is
// the one waiting loop (LinkWait.h) on the line's clock; a cancel is honoured until the image
// begins, after that the download runs to its end.
#include "platform/CancelToken.h"
#include "platform/Link.h"
#include "platform/LinkWait.h"
#include "update/Brom.h"
#include "update/BromAgentFile.h"
#include "update/BromWire.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace divuzo {

struct BromHostTiming {
  std::uint32_t connectTimeoutMs = 8000;  // whole handshake
  std::uint32_t syncByteMs = 100;         // wait for each sync reply byte
  std::uint32_t ackTimeoutMs = 2000;      // answer wait on top of the line time
  std::uint32_t retries = 8;              // sends of one packet or command beyond the first
  std::uint32_t window = 4;               // packets in flight
};

// Start and progress callbacks of one phase; progress is reported every `step` percent.
struct BromPhase {
  BromStartCallback onStart = nullptr;
  void* startUser = nullptr;
  BromProgressCallback onProgress = nullptr;
  void* progressUser = nullptr;
  std::uint32_t step = 1;
};

class BromHost {
public:
  BromHost(const BromHostTiming& timing, Link& link, const CancelToken* cancel = nullptr);

  // Sync bytes, then hello; fills chip, boot ROM version and flash size.
  BromStatus Handshake(std::uint32_t bootOption);
  BromStatus SendAgent(const AgentFile& agent, const BromPhase& phase);
  BromStatus SwitchSpeed(unsigned baud);
  BromStatus WriteImage(std::uint32_t address, const std::vector<std::uint8_t>& image,
                        std::size_t packetSize, const BromPhase& phase);
  BromStatus Verify(std::uint32_t address, const std::vector<std::uint8_t>& image);
  BromStatus Restart();

  std::uint32_t chipId = 0;
  std::uint32_t bootRomVersion = 0;
  std::uint32_t flashSize = 0;
  std::uint32_t agentVersion = 0;
  std::uint32_t bytesWritten = 0;
  std::uint32_t retries = 0;
  unsigned Baud() const { return link_.Baud(); }

private:
  using TimePoint = LinkClock::TimePoint;
  enum class Wait { Frame, Timeout, Lost, Cancelled };
  Wait ReadFrame(bromwire::Frame& frame, TimePoint deadline);
  TimePoint In(long ms) { return link_.Clock().Now() + std::chrono::milliseconds(ms); }
  // The cancel request while stopping is still safe (before the image begins).
  const CancelToken* Cancel() const { return imageStarted_ ? nullptr : cancel_; }
  bool Send(const std::vector<std::uint8_t>& bytes);
  // Sends a command until an answer of type `want` (or a refusal) comes back for it.
  // Returns kOk with the answer in `reply`, kLineLost, kTimeout, or kProtocolError with
  // `nakReason_` set when the device refused the command.
  BromStatus Command(std::uint8_t type, const std::vector<std::uint8_t>& payload,
                     std::uint8_t want, bromwire::Frame& reply);
  // Go-back-N transfer of `size` bytes in packets; `done` counts acknowledged bytes.
  BromStatus SendPackets(const std::uint8_t* data, std::size_t size, std::size_t packetSize,
                         const BromPhase& phase);
  int LineMs(std::size_t bytes) const;

  BromHostTiming timing_;
  Link& link_;
  const CancelToken* cancel_;
  bool imageStarted_ = false;
  ReceiveBuffer received_;
  bromwire::Decoder decoder_;
  std::uint16_t commandSeq_ = 0;
  std::uint8_t nakReason_ = 0;
};

} // namespace divuzo
