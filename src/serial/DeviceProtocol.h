#pragma once
// The sentence senders: write one command over the session's channel and wait for its reply.
// Replies are positions inside the protocol's receive buffer (valid until the next send);
// nullptr means no reply within the wait (or the wait was cancelled); the literal text
// "Not Connected" (kNotConnected, test with IsNotConnected) means the line is not open or
// went away.
//
// Reads are joined: every read appends what arrived to what the earlier reads brought, so a
// reply that arrives in several pieces is still recognised. The waits wake as soon as bytes
// arrive (LinkWait.h); LinkTiming gives the overall limits.
#include "platform/LinkWait.h"
#include "serial/CommandSet.h"
#include "serial/LinkTiming.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace divuzo {

class DeviceSession;

inline constexpr const char* kNotConnected = "Not Connected";
bool IsNotConnected(const char* reply);

class DeviceProtocol {
public:
  static constexpr std::size_t kReceiveBufferSize = 0x300000;  // 3 MiB
  static constexpr std::size_t kReadChunk = 80;                 // bytes taken per read
  static constexpr std::size_t kPieceSize = 16;                 // piecewise sending

  explicit DeviceProtocol(DeviceSession& session);

  // Allocates the receive buffer (done by Connect; the senders do it when it is missing).
  void AllocateReceiveBuffer();
  // The receive buffer (allocated when missing); the logger download's reader appends to it.
  ReceiveBuffer& Received();

  // Fixed query 810, 829, 832 or 837: its reply ("$PPLM852..." etc.) or nullptr / kNotConnected.
  const char* SendPlmQuery(int code);
  // Numbered maker command n: its acknowledgement "$RADED001,n..." or nullptr / kNotConnected.
  const char* SendRadedCommand(int number);
  // One logger command and a short wait: the reply (the first sentence beginning with
  // "$PMTK001", or "$PMTK182" for types 2 and 7, that is not an echo of the command), else
  // nullptr / kNotConnected. Type 7 returns the buffer after one look, whatever came; an
  // echo alone then reads "NONE".
  const char* SendLogCommand(int type, long a, long b);
  // SendLogCommand with the retries of the logger exchange; the reply or kNotConnected.
  // Sets the session's exchange-finished flag when it ends.
  const char* LogExchange(int type, long a, long b);
  // Writes a logger command without waiting; false when the port is not open.
  bool LogSendOnly(int type, long a, long b);

  // Piecewise sending is on while the session's highSpeedLink is 1.
  bool Piecewise() const;

  DeviceSession& Session() { return session_; }
  LinkTiming& Timing();

private:
  // Common start of every sender; false when the line may not be used.
  bool BeginSend();
  bool WriteLine(const std::string& line, int pieceSleepMs);
  // Drops an echo of `sent` from the start of the received text; true when the text was
  // exactly the echo (it then reads "NONE").
  bool HandleEcho(const std::string& sent);
  // Waits up to `polls` poll periods until `done` finds the reply in the received text.
  const char* Await(int polls, const std::function<const char*(bool last)>& done);

  DeviceSession& session_;
  std::unique_ptr<ReceiveBuffer> received_;  // kReceiveBufferSize, NUL-terminated
};

} // namespace divuzo
