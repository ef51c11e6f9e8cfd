#pragma once
// Keeping the device's Bluetooth address across a flash download.
//
// Before the download the address is asked from the device ("$PMTK492") and stored in the
// registry value "T410BTMacAddress"; after the download it is written back ("$PMTK392"). A
// silent device, a line that cannot be opened, or a device that answers FF:FF:FF:FF:FF:FF or
// 00:00:00:00:00:00 (no address at all) reuses the stored address. Only an address that was
// read from the device or found in the store is ever written back, and no-address values never
// replace a good stored address. The save step says what it achieved (AddressSave), so that the
// update can tell the user before flashing when the address cannot be kept.
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
// All 00 or all FF: what a unit without an address (a freshly flashed one) reports.
bool IsNoAddress(const BtAddress& address);
// Finds a complete "$PMTK592,<12 hex digits>*" reply in `received`; nullopt when there is none
// or when its '*' has not arrived yet.
std::optional<BtAddress> ParseBtAddressReply(std::string_view received);

// Where the address the restore step would write comes from.
enum class AddressSource { None, Device, Store };

// What the save step achieved.
struct AddressSave {
  AddressSource source = AddressSource::None;
  bool lineOpened = true;    // false: the port could not be opened for the step
  bool deviceAnswered = false;  // a reply came (it may still hold no address)
  bool inStore = false;      // the address is in the store now (it survives a failed update)
  std::string storeProblem;  // why the store could not be read or written ("" when it could)
};

// What can go wrong with keeping the address, known before the download.
enum class AddressRisk {
  None,
  NoAddress,  // nothing to write back: the flash leaves the unit without its address
  NotStored,  // kept for this update only: a failed update would lose it
};
AddressRisk RiskOf(const AddressSave& save);

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
  AddressSave SaveBtAddress(Link& link, const CancelToken* cancel = nullptr);
  // The save step without a line (the port could not be opened): the stored address, if any.
  AddressSave SaveWithoutLine();
  // Restore step: pause, write the address, wait for the acknowledgement (not required). It
  // follows a download, so it is never cut short. Writes nothing (and returns false) when no
  // address was read or found in the store.
  bool RestoreBtAddress(Link& link);

  // True when the save step found an address to write back.
  bool HasAddress() const { return hasAddress_; }
  const BtAddress& Address() const { return address_; }
  void SetAddress(const BtAddress& address) {
    address_ = address;
    hasAddress_ = !IsNoAddress(address);
  }
  const AddressSave& LastSave() const { return lastSave_; }

  Timing timing;

  // The last sentence the restore step wrote (for traces and tests; empty before).
  const std::string& LastWrittenSentence() const { return lastWritten_; }

private:
  // The stored address into address_ when there is a good one; problems into save.storeProblem.
  bool TakeStoredAddress(AddressSave& save);
  void Store(AddressSave& save);

  BtAddress address_{};
  bool hasAddress_ = false;
  AddressSave lastSave_;
  std::string lastWritten_;
};

} // namespace divuzo
