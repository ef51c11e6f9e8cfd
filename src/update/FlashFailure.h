#pragma once
// Why a flash failed, in the user's words (a string-table text) and for the trace and standard
// error (a short English detail): an agent that is missing or does not fit the chip, an image
// or layout that could not be loaded, a port that could not be opened, or what the download
// itself reported (a refused packet, a lost line, a boot ROM that never answered, ...).
#include "app/Status.h"
#include "platform/Link.h"

#include <string>

namespace divuzo {

class FlashDownload;

// String-table texts of the reasons.
inline constexpr int kTextNoAgent = 946;
inline constexpr int kTextAgentUnreadable = 947;
inline constexpr int kTextImageUnreadable = 948;
inline constexpr int kTextNoBootRom = 949;
inline constexpr int kTextNoFlashLayout = 950;
inline constexpr int kTextImageTooLargeForFlash = 951;
inline constexpr int kTextAgentRefused = 952;
inline constexpr int kTextAgentNotStarted = 953;
inline constexpr int kTextPacketRefused = 954;
inline constexpr int kTextDeviceStoppedAnswering = 955;
inline constexpr int kTextVerifyFailed = 956;
inline constexpr int kTextDownloadFailed = 957;

struct FlashFailureReason {
  int textId = 0;
  std::string detail;
};

// The reason of a failed flash. `portError` is why the port could not be opened for the
// download (Kind::None when it could).
FlashFailureReason ReasonOfFailedFlash(const FlashDownload& flash, const PortError& portError);

} // namespace divuzo
