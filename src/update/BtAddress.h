#pragma once
// Keeping the device's Bluetooth address across a flash download.
//
// Before the download the address is asked from the device ("$PMTK492") and stored in the
// registry value "T410BTMacAddress"; after the download it is written back ("$PMTK392"). A silent device or one that answers FF:FF:FF:FF:FF:FF reuses the
// stored address. Neither step reports a result: their outcome never stops an update.
#include "platform/CancelToken.h"
#include "platform/Link.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace divuzo {

// B1..B6 in the order the device reports them.
using BtAddress = std::array<std::uint8_t, 6>;

inline constexpr const char* kBtAddressRegistryValue = "T410BTMacAddress";
inline constexpr const char* kBtAddressQuery = "$PMTK492*3D\r\n";

// Registry text: "B6:B5:B4:B3:B2:B1", two upper-case hex digits each.
std::string FormatBtAddressText(const BtAddress& address);
// Reads a registry text back (first pair into B6). False when it is not six hex pairs.
bool ParseBtAddressText(std::string_view text, BtAddress& address);
// The address write sentence "$PMTK392,B1B2B3,B4B5B6*CS\r\n".
std::string BtAddressWriteSentence(const BtAddress& address);
// Finds a complete "$PMTK592,<12 hex digits>*" reply in `received`; nullopt when there is none
// or when its '*' has not arrived yet.
std::optional<BtAddress> ParseBtAddressReply(std::string_view received);

// The two steps. Each is handed the line it talks over (opened by the flash job on the link
// settings' port, closed again after the step); the address lives in the keeper from the save
// step to the restore step of one update, and in the registry across runs.
class BtAddressKeeper {
public:
  // Waits, in milliseconds. Production keeps these; tests may shorten them.
  struct Timing {
    int queryPollMs = 38;      // between reads while waiting for the address reply
    int queryPolls = 100;      // further reads after the first
    int restorePauseMs = 2000; // before the address write
    int ackPollMs = 100;       // between reads while waiting for "$PMTK010"
    int ackPolls = 100;
    int ackSettleMs = 1000;    // after the acknowledgement
  };

  // Save step: query the device, fall back to the stored address, store the result. A cancel
  // ends the wait for the reply (the stored address is then used).
  void SaveBtAddress(Link& link, const CancelToken* cancel = nullptr);
  // Restore step: pause, write the address, wait for the acknowledgement (not required). It
  // follows a download, so it is never cut short.
  void RestoreBtAddress(Link& link);

  const BtAddress& Address() const { return address_; }
  void SetAddress(const BtAddress& address) { address_ = address; }

  Timing timing;

  // The last sentence the restore step wrote (for traces and tests; empty before).
  const std::string& LastWrittenSentence() const { return lastWritten_; }

private:
  BtAddress address_{};
  std::string lastWritten_;
};

} // namespace divuzo
