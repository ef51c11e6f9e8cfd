#pragma once
// The kinds of device the program knows, and everything that follows from a kind, in one
// table: the name shown, which command family it answers, its model replies, its GPS chip (and
// with it the download agent and the boot option), whether the firmware download page has an
// agent for it, and whether an update keeps its Bluetooth address. The numbers are the device
// kind codes 0 to 8.
#include "update/BromChip.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace divuzo {

enum class DeviceKind : int {
  None = 0,       // a model reply nobody knows
  TR390 = 1,      // known by name only
  TR400 = 2,      // known by name only
  T410 = 3,       // the logger family: answers the numbered maker command
  ZID300 = 4,     // also what a forced update assumes
  T2200 = 5,
  T2000C = 6,
  ZID310 = 7,
  ZIDTonic1 = 8,
};
inline constexpr int kDeviceKindCount = 9;

enum class DeviceFamily {
  None,        // no version query exists for it
  Logger,      // numbered maker command "$RADED410,n"
  FixedQuery,  // the maker's fixed queries "$PPLM8xx"
};

struct DeviceKindInfo {
  DeviceKind kind;
  const char* shownName;                    // control 1011: "ZID300" for 4, " " for 0
  DeviceFamily family;
  std::array<const char*, 2> modelTokens;   // "$PPLM852,<token>" replies that give this kind
  GpsChip chip;                             // MT3318 or MT3329; None: no agent, no flashing
  bool allInOneAgent;                       // the firmware download page has an agent for it
  std::uint32_t bootOption;                 // ComArgs::bootOption
  bool keepsBtAddress;                      // the update saves and restores its address
};

const DeviceKindInfo& KindInfo(DeviceKind kind);
// The kind of code `number`; None outside 0..8.
DeviceKind KindFromNumber(int number);
inline int KindNumber(DeviceKind kind) { return static_cast<int>(kind); }
// Shown name of a kind.
inline const char* DeviceKindName(DeviceKind kind) { return KindInfo(kind).shownName; }
// The kind a model reply "$PPLM852,..." gives: the first table entry whose token the reply
// begins with; None when there is none.
DeviceKind DeviceKindFromModelReply(const char* reply);

// What identification found, or what a forced update assumes.
struct IdentifiedDevice {
  DeviceKind kind = DeviceKind::None;
  std::string modelName;          // shown name, e.g. "ZID310"; compared with an image's product
  std::string firmwareDigits;     // e.g. "123" (the image check compares versions with it)
  std::string hardwareText;       // e.g. "V01"
  bool forced = false;            // assumed by a forced update, not read from the device
};

// The identity a forced update assumes for a device that did not identify itself: kind 4,
// model "KRB-1", version "V0.00" (counts as 0), hardware "V01".
IdentifiedDevice ForcedIdentity();
// The same for a unit of a named model that no longer identifies itself (stuck in its boot
// ROM): `model` is a token of the model reply ("ZID310", "KTRTONIC", "TR550"), a shown name
// ("ZID-Tonic1", "T-2000C") or "KRB-1" (ForcedIdentity()), in any case. The version counts as
// 0, so every image of the model is newer. Nothing for a model without a chip to flash.
std::optional<IdentifiedDevice> ForcedIdentityFor(std::string_view model);

} // namespace divuzo
