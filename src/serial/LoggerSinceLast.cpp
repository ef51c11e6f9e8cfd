#include "serial/LoggerSinceLast.h"

#include "app/Tool.h"
#include "platform/LinkWait.h"
#include "serial/DeviceIdentity.h"
#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"
#include "serial/LoggerProtocol.h"
#include "update/BtAddress.h"

#include <algorithm>

namespace divuzo {

namespace {

// Registry values "LoggerDownloads\<identity>" below the program's key.
std::string ValuePath(const std::string& identity) {
  return "LoggerDownloads\\" + identity;
}

bool UsableAddress(const BtAddress& address) {
  const bool allSame =
      std::all_of(address.begin(), address.end(), [&](std::uint8_t b) { return b == address[0]; });
  return !(allSame && (address[0] == 0x00 || address[0] == 0xFF));
}

}  // namespace

std::string LoggerUnitIdentity(DeviceSession& session) {
  Link* link = session.Line();
  if (!link) return {};
  const std::string query = kBtAddressQuery;
  if (link->Write(query.data(), query.size()) == static_cast<long>(query.size())) {
    ReceiveBuffer received;
    std::optional<BtAddress> address;
    WaitFor(
        *link, received,
        DeadlineIn(*link, static_cast<long>(session.timing.logPolls) * session.timing.pollMs),
        [&](ReceiveBuffer& r, bool) {
          return (address = ParseBtAddressReply(r.View())).has_value();
        },
        &session.cancel);
    if (address && UsableAddress(*address)) return "BT " + FormatBtAddressText(*address);
  }
  const char* reply = session.Protocol().SendRadedCommand(maker_command::kFirmwareVersion);
  if (!reply || IsNotConnected(reply)) return {};
  const std::string digits = CutVersionField(reply, true);
  if (digits.empty()) return {};
  return std::string(DeviceKindName(DeviceKind::T410)) + " " + FirmwareVersionText(digits);
}

std::optional<std::uint32_t> StoredLastEnd(const std::string& identity, RegistryStore* store) {
  if (identity.empty()) return std::nullopt;
  std::uint32_t value = 0;
  if (!Tool(store).ReadRegDword(HKEY_CURRENT_USER, ValuePath(identity), value)) return std::nullopt;
  return value;
}

bool StoreLastEnd(const std::string& identity, std::uint32_t usedEnd, RegistryStore* store) {
  return !identity.empty() &&
         Tool(store).WriteRegDword(HKEY_CURRENT_USER, ValuePath(identity), usedEnd);
}

SinceLastPlan PlanSinceLast(std::optional<std::uint32_t> lastEnd,
                            std::optional<std::uint32_t> usedEnd, std::uintmax_t lastImageBytes) {
  using logger_memory::kBlockSize;
  SinceLastPlan plan;
  if (!lastEnd) {
    plan.textId = kTextSinceLastNoRecord;
  } else if (!usedEnd || *usedEnd == 0) {
    plan.textId = kTextSinceLastNoUsedEnd;
  } else if (*usedEnd >= logger_memory::kSize || *lastEnd >= logger_memory::kSize ||
             *usedEnd < *lastEnd) {
    // Erased, or gone round (a full memory may have been overwritten from the start).
    plan.textId = kTextSinceLastShrank;
  } else if (*usedEnd == *lastEnd) {
    plan.nothingNew = true;
    plan.textId = kTextSinceLastNothingNew;
  } else if (lastImageBytes < *lastEnd / kBlockSize * kBlockSize) {
    plan.textId = kTextSinceLastNoImage;
  } else {
    plan.partial = true;
    plan.from = *lastEnd / kBlockSize * kBlockSize;
    plan.newFrom = *lastEnd;
    plan.textId = kTextSinceLastPartial;
  }
  return plan;
}

}  // namespace divuzo
