#pragma once
// Identification of the device on the selected port (the update page's Connect step):
// which family answers, its model, firmware and hardware version. Qt-free: the window
// supplies the heartbeat control and receives status texts through callbacks.
#include "serial/DeviceProtocol.h"

#include <functional>
#include <string>

namespace divuzo {

// Device kinds and the names shown for them.
inline constexpr int kDeviceKindCount = 9;
inline constexpr int kLoggerFamilyKind = 3;
// Shown name of a kind ("ZID300" for 4, " " for 0); "" outside 0..8.
const char* DeviceKindName(int kind);
// Kind set by a model reply "$PPLM852,...": the first table entry the reply begins with,
// 0 when none.
int DeviceKindFromModelReply(const char* reply);
// "123" -> "V1.23": the digits read as a decimal number (stopping at a non-digit) / 100.
std::string FirmwareVersionText(const std::string& digits);
// Hardware field (three characters) -> "V01": for the logger family a leading "C1" becomes
// "01"; the last character is dropped.
std::string HardwareVersionText(const std::string& field, bool loggerFamily);

// Status text ids shown by identification.
inline constexpr int kTextTalking = 310;   // talking to the device
inline constexpr int kTextDone = 311;      // read complete
inline constexpr int kTextTimeout = 315;   // timed out, start again

// The main window's heartbeat worker, as seen by the core.
class HeartbeatControl {
public:
  virtual ~HeartbeatControl() = default;
  virtual void SetHeartbeat(bool run) = 0;
};

struct IdentifyResult {
  bool ok = false;               // all three known
  bool modelKnown = false;
  bool firmwareKnown = false;
  bool hardwareKnown = false;
  int deviceKind = 0;            // also stored in theUtilityManager.deviceKind
  std::string modelName;         // shown name of the kind, e.g. "ZID310"
  std::string firmwareDigits;    // e.g. "123" (used by the image check)
  std::string firmwareText;      // e.g. "V1.23"
  std::string hardwareText;      // e.g. "V01"
  int statusTextId = kTextTimeout;
  PortError portError;           // why the port could not be opened (Kind::None when it could)
};

struct IdentifyHooks {
  std::function<void(int textId)> status;        // 310 at the start, 311 or 315 at the end
  HeartbeatControl* heartbeat = nullptr;         // stopped by the disconnect, restarted at the end
};

// Opens the port named by `portEntry` (a device path or "Name (path)") at the rate of
// `rateIndex` (anything outside 0..6 keeps the channel's rate), identifies the device and
// closes the port again in every outcome. Blocks for up to ~37 s with a silent device.
IdentifyResult IdentifyDevice(DeviceProtocol& protocol, const std::string& portEntry,
                              int rateIndex, const IdentifyHooks& hooks = {});

// Releases the line: heartbeat stopped, pause, goodbye (maker command 2), close.
// Does nothing when no line is open.
void DisconnectDevice(DeviceProtocol& protocol, HeartbeatControl* heartbeat);

} // namespace divuzo
