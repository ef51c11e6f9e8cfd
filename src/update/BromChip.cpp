#include "update/BromChip.h"

namespace divuzo {

GpsChip ChipForDeviceKind(int deviceKind) {
  switch (deviceKind) {
    case 3:
    case 4:
    case 7:
      return GpsChip::MT3318;
    case 5:
    case 6:
    case 8:
      return GpsChip::MT3329;
    default:
      return GpsChip::None;
  }
}

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

namespace {

// The firmware download page knows agents for kinds 3 to 6 only.
bool AllInOneKnows(int deviceKind) { return deviceKind >= 3 && deviceKind <= 6; }

} // namespace

const char* AgentFilePattern(int deviceKind, AgentFamily family) {
  const GpsChip chip = ChipForDeviceKind(deviceKind);
  if (chip == GpsChip::None) return nullptr;
  if (family == AgentFamily::AllInOne) {
    if (!AllInOneKnows(deviceKind)) return nullptr;
    return chip == GpsChip::MT3318 ? "MTK_AllInOne_DA_MT3318_*.bin" : "MTK_AllInOne_DA_MT3329_*.bin";
  }
  return chip == GpsChip::MT3318 ? "DA_MT3318_*.bin" : "DA_MT3329_*.bin";
}

std::uint32_t AgentParameterForKind(int deviceKind, AgentFamily family) {
  if (family == AgentFamily::AllInOne && !AllInOneKnows(deviceKind)) return 0;
  return AgentLoadAddress(ChipForDeviceKind(deviceKind));
}

std::uint32_t BootOptionForKind(int deviceKind) {
  switch (deviceKind) {
    case 3:
    case 4:
      return 1;
    case 5:
    case 6:
      return 6;
    default:
      return 0;
  }
}

} // namespace divuzo
