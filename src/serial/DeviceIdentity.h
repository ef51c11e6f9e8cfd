#pragma once
// Identification of the device on the selected port (the update page's Connect step):
// which family answers, its model, firmware and hardware version. The session receives the
// result (session.device) and the status texts (session.progress); its heartbeat is stopped
// for the disconnect and started again at the end.
#include "app/Status.h"
#include "platform/Link.h"
#include "serial/DeviceKind.h"

#include <string>

namespace divuzo {

class DeviceSession;

// The three-character version field of a version reply: after "$RADED001,n," for the logger
// family, after "$PPLMnnn," otherwise; empty when the reply is not there.
std::string CutVersionField(const char* reply, bool loggerFamily);
// "123" -> "V1.23": the digits read as a decimal number (stopping at a non-digit) / 100.
std::string FirmwareVersionText(const std::string& digits);
// Hardware field (three characters) -> "V01": for the logger family a leading "C1" becomes
// "01"; the last character is dropped.
std::string HardwareVersionText(const std::string& field, bool loggerFamily);

// Status text ids shown by identification.
inline constexpr int kTextTalking = 310;   // talking to the device
inline constexpr int kTextReadDone = 311;  // read complete
inline constexpr int kTextTimeout = 315;   // timed out, start again

struct IdentifyResult {
  bool ok = false;               // all three known
  bool modelKnown = false;
  bool firmwareKnown = false;
  bool hardwareKnown = false;
  DeviceKind deviceKind = DeviceKind::None;  // also in session.device.kind
  std::string modelName;         // shown name of the kind, e.g. "ZID310"
  std::string firmwareDigits;    // e.g. "123" (used by the image check)
  std::string firmwareText;      // e.g. "V1.23"
  std::string hardwareText;      // e.g. "V01"
  // Ok with text 311, or NoAnswer / PortUnusable / LineLost / Cancelled with text 315.
  Status status = Status::Failure(StatusCode::NoAnswer, kTextTimeout);
  PortError portError;           // why the port could not be opened (Kind::None when it could)
};

// Opens the port named by `portEntry` (a device path or "Name (path)") at the rate of
// `rateIndex` (anything outside 0..6 keeps the session's rate), identifies the device and
// closes the port again in every outcome. What is known goes into session.device; the kind
// keeps its previous value when neither probe is answered. Reports 310 at the start and 311
// or 315 at the end. A cancel stops between attempts. Blocks for up to ~37 s with a silent
// device.
IdentifyResult IdentifyDevice(DeviceSession& session, const std::string& portEntry, int rateIndex);

// Releases the line: heartbeat stopped, pause, goodbye (maker command 2), close.
// Does nothing when no line is open.
void DisconnectDevice(DeviceSession& session);

} // namespace divuzo
