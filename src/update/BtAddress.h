#pragma once
// Keeping the device's Bluetooth address across a flash download.
//
// Before the download the address is asked from the device ("$PMTK492") over a private serial
// port of its own and stored in the registry value "T410BTMacAddress"; after the download it is
// written back ("$PMTK392"). A silent device or one that answers FF:FF:FF:FF:FF:FF reuses the
// stored address. Neither step reports a result: their outcome never stops an update.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
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

// The two steps with their private port. The program's instance belongs to the firmware
// download page's logic (theFirmwareDownload.btAddress); tests make their own.
class BtAddressKeeper {
public:
  // Waits, in milliseconds. Production keeps these; tests shorten them.
  struct Timing {
    int queryPollMs = 38;      // between reads while waiting for the address reply
    int queryPolls = 100;      // further reads after the first
    int restorePauseMs = 2000; // before the address write
    int ackPollMs = 100;       // between reads while waiting for "$PMTK010"
    int ackPolls = 100;
    int ackSettleMs = 1000;    // after the acknowledgement
  };

  BtAddressKeeper();

  // Takes the private port's name and speed from the link settings of theUtilityManager (done
  // once when the firmware download page initialises, and again before its own download).
  void LoadLinkSettings();
  void SetPrivatePort(const std::string& path, unsigned baud);
  const std::string& PrivatePortName() const { return portName_; }
  unsigned PrivatePortBaud() const { return portBaud_; }

  // Save step: query the device, fall back to the stored address, store the result.
  // Clears PortUsable() when the private port cannot be opened (then nothing else happens).
  void SaveBtAddress();
  // Restore step: pause, write the address, wait for the acknowledgement (not required).
  void RestoreBtAddress();

  const BtAddress& Address() const { return address_; }
  void SetAddress(const BtAddress& address) { address_ = address; }

  // 1 at construction; 0 after a save step that could not open the private port.
  std::atomic<int> portUsable{1};

  Timing timing;
  // Sleeps for the given milliseconds; replaceable so tests need not wait for real.
  std::function<void(int)> sleepMs;

  // The last sentence the restore step wrote (for traces and tests; empty before).
  const std::string& LastWrittenSentence() const { return lastWritten_; }

private:
  std::string portName_{"COM1"};
  unsigned portBaud_ = 38400;
  BtAddress address_{};
  std::string lastWritten_;
};

} // namespace divuzo
