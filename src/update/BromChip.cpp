#include "update/BromChip.h"

#include "serial/DeviceKind.h"

namespace divuzo {

GpsChip ChipForDeviceKind(DeviceKind kind) { return KindInfo(kind).chip; }

std::uint32_t ChipId(GpsChip chip) {
  switch (chip) {
    case GpsChip::MT3318: return 3318;
    case GpsChip::MT3329: return 3329;
    default: return 0;
  }
}

GpsChip ChipFromId(std::uint32_t chipId) {
  if (chipId == 3318) return GpsChip::MT3318;
  if (chipId == 3329) return GpsChip::MT3329;
  return GpsChip::None;
}

const char* ChipName(GpsChip chip) {
  switch (chip) {
    case GpsChip::MT3318: return "MT3318";
    case GpsChip::MT3329: return "MT3329";
    default: return "";
  }
}

std::uint32_t AgentLoadAddress(GpsChip chip) {
  switch (chip) {
    case GpsChip::MT3318: return 0x100800;
    case GpsChip::MT3329: return 0xC00;
    default: return 0;
  }
}

const char* AgentFilePattern(DeviceKind kind, AgentFamily family) {
  const DeviceKindInfo& info = KindInfo(kind);
  if (info.chip == GpsChip::None) return nullptr;
  if (family == AgentFamily::AllInOne) {
    if (!info.allInOneAgent) return nullptr;
    return info.chip == GpsChip::MT3318 ? "MTK_AllInOne_DA_MT3318_*.bin" : "MTK_AllInOne_DA_MT3329_*.bin";
  }
  return info.chip == GpsChip::MT3318 ? "DA_MT3318_*.bin" : "DA_MT3329_*.bin";
}

std::uint32_t AgentParameterForKind(DeviceKind kind, AgentFamily family) {
  const DeviceKindInfo& info = KindInfo(kind);
  if (family == AgentFamily::AllInOne && !info.allInOneAgent) return 0;
  return AgentLoadAddress(info.chip);
}

std::uint32_t BootOptionForKind(DeviceKind kind) { return KindInfo(kind).bootOption; }

} // namespace divuzo
