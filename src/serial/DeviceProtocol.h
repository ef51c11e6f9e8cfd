#pragma once
// The sentence senders: write one command over the channel and wait for its reply.
// Replies are positions inside the protocol's receive buffer (valid until the next send);
// nullptr means no reply within the wait; the literal text "Not Connected" (kNotConnected,
// test with IsNotConnected) means the line is not open.
//
// Reads are joined: each poll appends what arrived to what the earlier polls brought, so a
// reply that arrives in several pieces is still recognised. Polls wake as soon as bytes
// arrive; LinkTiming gives the overall limits.
#include "serial/LinkTiming.h"
#include "serial/SerialPort.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

namespace divuzo {

inline constexpr const char* kNotConnected = "Not Connected";
bool IsNotConnected(const char* reply);

class DeviceProtocol {
public:
  static constexpr std::size_t kReceiveBufferSize = 0x300000;  // 3 MiB
  static constexpr std::size_t kReadChunk = 80;                 // bytes taken per read
  static constexpr std::size_t kPieceSize = 16;                 // piecewise sending

  explicit DeviceProtocol(SerialPort& channel, LinkTiming timing = {});

  // Allocates the receive buffer (done by Connect; the senders do it when it is missing).
  void AllocateReceiveBuffer();
  char* ReceiveBuffer() { return buffer_.empty() ? nullptr : buffer_.data(); }

  // Fixed query 810, 829, 832 or 837: its reply ("$PPLM852..." etc.) or nullptr / kNotConnected.
  const char* SendPlmQuery(int code);
  // Numbered maker command n: its acknowledgement "$RADED001,n..." or nullptr / kNotConnected.
  const char* SendRadedCommand(int number);
  // One logger command and a short wait: the buffer when the reply prefix came (for type 7
  // whatever the one read brought), else nullptr / kNotConnected. An echo of the sent line
  // becomes "NONE".
  const char* SendLogCommand(int type, long a, long b);
  // SendLogCommand with the retries of the logger exchange; the reply or kNotConnected.
  // Sets theUtilityManager.loggerRetryFlag when it ends.
  const char* LogExchange(int type, long a, long b);
  // Writes a logger command without waiting; false when the port is not open.
  bool LogSendOnly(int type, long a, long b);

  // Piecewise sending is on while theUtilityManager.highSpeedLink is 1.
  bool Piecewise() const;

  SerialPort& Channel() { return channel_; }
  LinkTiming& Timing() { return timing_; }

private:
  // Common start of every sender; false when the line may not be used.
  bool BeginSend();
  bool WriteLine(const std::string& line, int pieceSleepMs);
  // Reads what is queued now, appending to the buffer; false when the line is gone.
  bool ReadAppend();
  void ClearBuffer();
  // Drops an echo of `sent` from the start of the received text; true when the text was
  // exactly the echo (it then reads "NONE").
  bool HandleEcho(const std::string& sent);
  // Polls until `done` says the received text holds the reply or the limit passes.
  template <typename Done> const char* Poll(int polls, Done done);

  SerialPort& channel_;
  LinkTiming timing_;
  std::vector<char> buffer_;  // kReceiveBufferSize + 1, always NUL-terminated
  std::size_t used_ = 0;      // bytes received since the last send
};

} // namespace divuzo
