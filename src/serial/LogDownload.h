#pragma once
// The logger's memory download, as the logger page's Upload and `divuzo logger download` both
// run it (on a worker thread; it blocks until the end):
//
//   DownloadLogMemory(session, logger, request)
//
//  1. No line open: text 921, nothing else.
//  2. The heartbeat is stopped; a fast line is chosen for a known bridge (or as asked):
//     logger command 14 with 921600, a pause, the line at 921600, commands in 16-byte pieces.
//  3. Memory up to the used end (all 2 MiB when it is unknown or 0) in 64 KiB blocks: the
//     numbered command 6, the read command, then the block's 32 data sentences (LoggerReader).
//     Chunks that did not come whole are asked for again, from the first missing one to the
//     last; a chunk at which two read commands broke off is given up (the rest of the block is
//     still read), and no block takes more than eight read commands. A device that falls
//     silent, a line that goes and a cancel end the reading.
//  4. Each block goes into the memory image and through the record filter as it is complete;
//     progress (percent, bytes) goes to the session's sink after every chunk.
//  5. The logger is brought back to 38400 and the line to its own rate. After a cancel the
//     line is released (goodbye and close, the toggle's disconnect).
//  6. Files (DownloadOutput.h): everything read: the image, the track files, the KML files;
//     memory missing: the image and the list of missing ranges, no track files, text 927 with
//     the count and the addresses; cancelled: nothing (the folder stays as it was).
//  7. The heartbeat runs again.
//
// Since-last (request.sinceLast): when the unit's used end has only grown since its last
// complete download and that download's image is in the folder, only the blocks from the
// last end on are read, and only the slots from there on become tracks; otherwise everything
// is read and the result says why.
#include "app/Status.h"
#include "platform/RegistryStore.h"
#include "serial/LoggerConnection.h"
#include "serial/LoggerProtocol.h"
#include "trackdata/PhotoGeotagger.h"
#include "trackdata/TrackTime.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace divuzo {

class DeviceSession;

// Texts of the download (string table). Role texts of the product at kOwnWording + id.
inline constexpr int kTextElapsed = 923;        // "Total mins: %M, secs: %S"
inline constexpr int kTextChunksMissing = 927;  // %1 chunks at %2 could not be read
inline constexpr int kTextLineLostDuringDownload = 928;
inline constexpr int kTextLogFileRefused = 932;  // %1: the reason
inline constexpr int kTextDownloadNotStarted = 338;
inline constexpr int kTextLogDownloadDone = 340;
inline constexpr int kTextDownloadCancelled = 392;

enum class LoggerSpeed {
  Auto,    // 921600 on a known bridge, else the line's own rate
  Fast,    // 921600
  Normal,  // the line's own rate
};

struct LogDownloadRequest {
  std::filesystem::path folder;       // receives every file
  bool writeTotal = false;            // also the track file with every track
  std::filesystem::path photoFolder;  // combine the photos there into the KML files
  PhotoSettings photo;                // time zone and calibration of the photo combination
  LocalTimeBase localTime = LocalTimeBase::Computer();  // file names and KML
  std::string prefix;  // the device's name text, in front of track file names
  LoggerSpeed speed = LoggerSpeed::Auto;
  bool sinceLast = false;
  RegistryStore* store = nullptr;  // where since-last keeps its record (the user's store)
  // One line per written file ("<prefix text> <path>"); called on the worker.
  std::function<void(const std::string& line)> announce;
};

struct LogDownloadResult {
  // Ok (340 or 938); Failed (927, memory missing); LineLost (928); Cancelled (392);
  // PortUnusable (921, no line); FileRefused (932, a file could not be written).
  Status status;
  std::string message;                 // the text for the user, numbers filled in
  std::uint32_t from = 0, extent = 0;  // memory read: [from, extent)
  std::uint64_t bytesTaken = 0;
  std::vector<MemoryRange> missing;
  std::vector<std::filesystem::path> files;
  bool highSpeed = false;
  int sinceLastTextId = 0;  // why since-last read everything (or 937 / 938)
  double seconds = 0;       // on the session's clock
};

// A cancel request already set when it starts stops it at once: the caller clears an old one
// before it hands the work to a worker.
LogDownloadResult DownloadLogMemory(DeviceSession& session, LoggerState& logger,
                                    const LogDownloadRequest& request);

// "Total mins: 05, secs: 07" for an elapsed time.
std::string ElapsedText(double seconds);
// The since-last text of a result (937 names the address), empty when there is none.
std::string SinceLastText(const LogDownloadResult& result);
// Whether the port at `path` is a USB bridge the fast line is used with.
bool IsFastBridgePort(const std::string& path);

}  // namespace divuzo
