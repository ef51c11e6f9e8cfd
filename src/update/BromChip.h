#pragma once
// Which GPS chip a device kind carries, and the flashing values that follow from it (the
// kinds' table is serial/DeviceKind.h).
//   kinds 3, 4, 7 -> MT3318 (agent load address 0x100800)
//   kinds 5, 6, 8 -> MT3329 (agent load address 0xC00)
//   kinds 0, 1, 2 -> no chip known: no agent is searched
#include <cstdint>

namespace divuzo {

enum class GpsChip { None, MT3318, MT3329 };

// Which agent family a page looks for: the update page uses "DA_<chip>_*.bin", the firmware
// download page "MTK_AllInOne_DA_<chip>_*.bin".
enum class AgentFamily { Update, AllInOne };

enum class DeviceKind : int;

GpsChip ChipForDeviceKind(DeviceKind kind);
// 3318, 3329 or 0; the number agent files and the boot ROM use for the chip.
std::uint32_t ChipId(GpsChip chip);
GpsChip ChipFromId(std::uint32_t chipId);
// "MT3318", "MT3329" or "".
const char* ChipName(GpsChip chip);
// Agent load address for the chip: 0x100800 (MT3318), 0xC00 (MT3329), 0 for none.
std::uint32_t AgentLoadAddress(GpsChip chip);

// Agent file pattern for a device kind, or nullptr when that kind gets no agent.
// Update: "DA_MT3318_*.bin" (3, 4, 7), "DA_MT3329_*.bin" (5, 6, 8).
// AllInOne: "MTK_AllInOne_DA_MT3318_*.bin" (3, 4), "MTK_AllInOne_DA_MT3329_*.bin" (5, 6).
const char* AgentFilePattern(DeviceKind kind, AgentFamily family);
// Agent load address handed to the library for a kind, or 0 when none is set for it
// (AllInOne: kinds 7 and 8 get none).
std::uint32_t AgentParameterForKind(DeviceKind kind, AgentFamily family);
// ComArgs::bootOption for a kind: 1 (3, 4), 0 (7), 6 (5, 6), 0 (8 and the rest).
std::uint32_t BootOptionForKind(DeviceKind kind);

} // namespace divuzo
