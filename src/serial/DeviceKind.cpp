#include "serial/DeviceKind.h"

#include <cctype>
#include <cstring>

namespace divuzo {

namespace {

using F = DeviceFamily;
using K = DeviceKind;

constexpr DeviceKindInfo kKinds[kDeviceKindCount] = {
    // kind, name, family, model tokens, chip, all-in-one agent, boot option, keeps address
    {K::None, " ", F::None, {}, GpsChip::None, false, 0, true},
    {K::TR390, "TR-390", F::None, {}, GpsChip::None, false, 0, true},
    {K::TR400, "TR-400", F::None, {}, GpsChip::None, false, 0, true},
    {K::T410, "T-410", F::Logger, {"TR410"}, GpsChip::MT3318, true, 1, true},
    {K::ZID300, "ZID300", F::FixedQuery, {"TR550", "TR470"}, GpsChip::MT3318, true, 1, false},
    {K::T2200, "T-2000C", F::FixedQuery, {"T2200"}, GpsChip::MT3329, true, 6, true},
    {K::T2000C, "T-2000C", F::FixedQuery, {"T2000C"}, GpsChip::MT3329, true, 6, true},
    {K::ZID310, "ZID310", F::FixedQuery, {"ZID310"}, GpsChip::MT3318, false, 0, true},
    {K::ZIDTonic1, "ZID-Tonic1", F::FixedQuery, {"KTRTONIC"}, GpsChip::MT3329, false, 0, true},
};

constexpr const char* kModelReplyHead = "$PPLM852,";

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

} // namespace

const DeviceKindInfo& KindInfo(DeviceKind kind) {
  const int n = KindNumber(kind);
  return kKinds[n >= 0 && n < kDeviceKindCount ? n : 0];
}

DeviceKind KindFromNumber(int number) {
  return number >= 0 && number < kDeviceKindCount ? static_cast<DeviceKind>(number) : DeviceKind::None;
}

DeviceKind DeviceKindFromModelReply(const char* reply) {
  if (!reply) return DeviceKind::None;
  const std::size_t head = std::strlen(kModelReplyHead);
  if (std::strncmp(reply, kModelReplyHead, head) != 0) return DeviceKind::None;
  // No token is the beginning of another, so the order of the table does not matter.
  for (const auto& info : kKinds)
    for (const char* token : info.modelTokens)
      if (token && std::strncmp(reply + head, token, std::strlen(token)) == 0) return info.kind;
  return DeviceKind::None;
}

IdentifiedDevice ForcedIdentity() {
  IdentifiedDevice d;
  d.kind = DeviceKind::ZID300;
  d.modelName = "KRB-1";
  d.firmwareDigits = "V0.00";
  d.hardwareText = "V01";
  d.forced = true;
  return d;
}

std::optional<IdentifiedDevice> ForcedIdentityFor(std::string_view model) {
  const IdentifiedDevice krb = ForcedIdentity();
  if (SameName(model, krb.modelName)) return krb;
  for (const auto& info : kKinds) {
    bool named = SameName(model, info.shownName);
    for (const char* token : info.modelTokens) named = named || (token && SameName(model, token));
    if (!named || info.chip == GpsChip::None) continue;
    IdentifiedDevice d = krb;
    d.kind = info.kind;
    d.modelName = info.shownName;
    return d;
  }
  return std::nullopt;
}

} // namespace divuzo
