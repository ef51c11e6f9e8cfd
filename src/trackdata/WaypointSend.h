#pragma once
// Sending a waypoint or map file (".mpt") to a device over the block transfer: the waypoint
// page's Download and `divuzo waypoints send`. The file's bytes go out as they are.
#include "app/Status.h"
#include "trackdata/BlockTransfer.h"
#include "trackdata/TransferPortSearch.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace divuzo {

class DeviceSession;

// The largest file sent (the size travels in four bytes; the file is held in memory).
inline constexpr std::uint64_t kMaxSendFileBytes = 128ULL * 1024 * 1024;

// The file's last-write time as the waypoint page shows it: "%Y/%m/%d %I:%M %p", local time.
// Empty when the file cannot be looked at.
std::string FileDateText(const std::filesystem::path& file);

// After FindDevice said "!": purge, "$WRT" with the transfer size, the blocks, the finish.
// Reports "Downloading..." (971), the percentage, "Waiting for Finishing..." (972). Failures:
// "?" to the kind line (105), "#" (106), "^" after a block (107), silence (980), a block the
// device keeps refusing (982), no end confirmation (985), a lost line (986), a cancel (901).
Status SendFile(DeviceSession& session, TransferLine& line, std::span<const std::uint8_t> file,
                const TransferTiming& timing);

// The whole waypoint transfer: read `file`, "Waiting for Starting..." (970), FindDevice over
// `ports`, SendFile; Ok with "Download Successfully. ..." (973) at the end. The session's line is
// closed again in every outcome. A file that cannot be read ends it before any port is
// touched (984, with the reason in the detail).
Status SendWaypointFile(DeviceSession& session, const std::filesystem::path& file,
                        const std::vector<PortCandidate>& ports, const TransferTiming& timing = {});

}  // namespace divuzo
