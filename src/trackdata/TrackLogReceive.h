#pragma once
// Receiving a device's track log over the block transfer: the track-log page's Upload and
// `divuzo tracklog receive`. The received bytes are stored unchanged.
//
// The file under the chosen name appears only when the whole log arrived (written beside it
// and renamed over it at the end). A receive that fails part-way keeps the blocks received so
// far under the chosen name with ".partial" added, never under the chosen name itself.
#include "app/Status.h"
#include "trackdata/BlockTransfer.h"
#include "trackdata/TransferPortSearch.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace divuzo {

class DeviceSession;

struct TrackLogReceiveResult {
  Status status;
  std::filesystem::path written;  // the complete track log (when status is Ok)
  std::filesystem::path partial;  // the blocks received before a failure (empty: none kept)
  std::uint64_t bytes = 0;        // data bytes stored in `written` or `partial`
  std::uint64_t announced = 0;    // the size the device announced
};

// "track.trl" -> "track.trl.partial".
std::filesystem::path PartialFileName(const std::filesystem::path& out);

// "Waiting for Starting..." (970), FindDevice, purge, "Uploading..." (974), "$TLG", the size
// header, the blocks (each answered "!" and stored, or "@" when its checksum is wrong), the
// finish; Ok with "Upload Successfully. ..." (975). The session's line is closed again in every
// outcome. Failures: "?" to "$TLG" (109), "#" (106), "^" after a block (107), silence (980),
// too many damaged blocks in a row (982), the file cannot be written (983), a lost line (986),
// a cancel (901), and those of FindDevice. When everything arrived but the device did not
// confirm the end, the file is complete and kept; the status is Ok with text 985.
TrackLogReceiveResult ReceiveTrackLog(DeviceSession& session, const std::filesystem::path& out,
                                      const std::vector<PortCandidate>& ports,
                                      const TransferTiming& timing = {});

}  // namespace divuzo
