#pragma once
// Reading only what is new: which unit a download comes from, where its memory ended at the
// last download (kept in the registry store), and whether reading from there is sound.
#include "platform/RegistryStore.h"

#include <cstdint>
#include <optional>
#include <string>

namespace divuzo {

class DeviceSession;

// Texts of the choice (string table).
inline constexpr int kTextSinceLastNoRecord = 933;    // no earlier download of this unit
inline constexpr int kTextSinceLastNoUsedEnd = 934;   // the used end is not known
inline constexpr int kTextSinceLastShrank = 935;      // cleared, wrapped or full since
inline constexpr int kTextSinceLastNoImage = 936;     // the last image is not in the folder
inline constexpr int kTextSinceLastPartial = 937;     // reading from %1
inline constexpr int kTextSinceLastNothingNew = 938;  // nothing new since

// The unit on the session's line: "BT 01:23:45:67:89:AB" when it tells its Bluetooth address,
// else "T-410 V1.23" (model and firmware); empty when it tells neither.
std::string LoggerUnitIdentity(DeviceSession& session);

// The used end recorded after the last complete download of `identity`, and recording it.
std::optional<std::uint32_t> StoredLastEnd(const std::string& identity,
                                           RegistryStore* store = nullptr);
bool StoreLastEnd(const std::string& identity, std::uint32_t usedEnd,
                  RegistryStore* store = nullptr);

struct SinceLastPlan {
  bool partial = false;       // read from `from` on only
  bool nothingNew = false;    // nothing to read at all
  std::uint32_t from = 0;     // first block to read
  std::uint32_t newFrom = 0;  // first slot that is new (the filter starts there)
  int textId = 0;             // why everything is read, or 937 / 938
};
// The choice, from the end recorded last time, the unit's used end now and the length of the
// memory image of the last download in the output folder.
SinceLastPlan PlanSinceLast(std::optional<std::uint32_t> lastEnd,
                            std::optional<std::uint32_t> usedEnd, std::uintmax_t lastImageBytes);

}  // namespace divuzo
