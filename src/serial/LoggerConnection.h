#pragma once
// The logger on the session's line: connecting (the logger connection step, its toggle and the
// reconnect step), the line speed of a fast download and its restore, and clearing the memory.
// Everything talks through the session's senders and waits on its clock.
#include "app/Status.h"
#include "platform/Link.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace divuzo {

class DeviceSession;

// Texts of the logger flows (string table). The literal ones are the system's own wording.
inline constexpr int kTextReadAddressTimeout = 920;  // "read Address: Timeout!"
inline constexpr int kTextUploadNoDevice = 921;      // "Upload Failed! No Device Connected! "
inline constexpr int kTextClearNoDevice = 922;       // "Clear Failed! No Device Connected! "
inline constexpr int kTextClearNoAnswer = 929;       // the erase was not acknowledged
inline constexpr int kTextCleared = 930;             // erased; %1 free records
inline constexpr int kTextClearedFreeUnknown = 931;  // erased; the free memory could not be read
inline constexpr int kTextPortFailedLogger = 413;    // the port could not be opened
// Texts the product names by their role (this program's wording at kOwnWording + id).
inline constexpr int kTextErasing = 341;
inline constexpr int kTextReadingFreeMemory = 342;

// What the program knows of the logger it talks to (the logger page's state; the command
// line keeps one per command).
struct LoggerState {
  bool connectMode = true;               // the toggle connects next (else it disconnects)
  std::optional<std::uint32_t> usedEnd;  // parameter 8 from the connection; none when unknown
  std::time_t connectedAt = 0;
  long freeRecords = -1;  // after a clear; -1 when not known
};

struct LoggerConnectResult {
  bool connected = false;
  // Ok; PortUnusable with 413 (portError says why); NoAnswer with 920: the used end did not
  // come, so the logger is not connected and the line is let go again.
  Status status;
  PortError portError;
};

// The logger connection step: with a line already open the logger counts as connected without
// a word. Otherwise the port of `portEntry` is opened at the session's rate, "$PMTK400" is sent
// and parameter 8 is asked for (two attempts, each an exchange with retries); its answer is the
// used end. Connected: the session's device is of kind 3.
LoggerConnectResult ConnectLogger(DeviceSession& session, LoggerState& logger,
                                  const std::string& portEntry);

// Connect mode: ConnectLogger, and disconnect mode next when a line is open afterwards.
// Disconnect mode: DisconnectDevice (heartbeat, pause, goodbye, close); connect mode next once
// no line is open. The result of a disconnect is Ok and not connected.
LoggerConnectResult ToggleLoggerConnection(DeviceSession& session, LoggerState& logger,
                                           const std::string& portEntry);

// After a transfer that left the logger in doubt: the line (if any) purged and closed, connect
// mode, the toggle, then a pause of 1500 ms.
LoggerConnectResult ReconnectLogger(DeviceSession& session, LoggerState& logger,
                                    const std::string& portEntry);

// The line speed of a fast download: piecewise sending on, logger command 14 with 921600, a
// pause of 500 ms for the logger to switch, the line at 921600. False (and everything back as
// it was) when the line could not be set to that speed.
bool EnterLoggerHighSpeed(DeviceSession& session);
// Brings a logger at high speed back: logger command 14 with 38400, a pause of 500 ms, the
// line at the session's own rate, piecewise sending off. Does nothing when the logger is not at
// high speed or no line is open.
void RestoreLoggerSpeed(DeviceSession& session);

struct ClearResult {
  // Ok with 930 (free records known) or 931; Failed with 922 (no line) or 929 (no answer).
  Status status;
  long freeRecords = -1;
};
// Erases the logger's memory: the erase command (acknowledged within about 38 s; sent twice at
// most), then parameter 8 (three attempts) for the free records. Stage texts 341 and 342 go to
// the session's progress sink.
ClearResult ClearLogMemory(DeviceSession& session, LoggerState& logger);

// "ログデータを消去しました。空きレコード数: 65536": the text of a clear's result.
std::string ClearResultText(const ClearResult& result);

}  // namespace divuzo
