#pragma once
// brom: the boot-ROM download library. It talks to the GPS chip's boot ROM over a serial
// line, sends a download agent into the chip's memory and writes an image into its flash.
// The wire protocol is described in docs/bootrom-protocol.md.
//
// Calling order (one flashing run):
//   BromCreateAgentHandle, BromCreateImageHandle
//   BromSetAgentLoadAddress, BromLoadAgent           (agent file for the chip)
//   BromLoadScatter                                  (flash layout, scat.txt)
//   BromSetPacketUnits, BromLoadImage, BromEnableImage
//   BromDownload                                     (blocks; calls the callbacks on its thread)
//   BromUnloadAgent, BromUnloadImage                 (only for loads that succeeded)
//   BromDestroyAgentHandle, BromDestroyImageHandle
//
// Results. Every call returns a 32-bit status. Load calls (BromLoadAgent, BromLoadScatter,
// BromLoadImage) succeed when bits 8..15 are zero (BromLoadSucceeded); the other bits may carry
// information (BromLoadAgent puts the agent's version into bits 16..31). BromDownload succeeds
// exactly when its status is 0 (BromDownloadSucceeded).
//
// Handles are opaque 32-bit values; 0 is never a valid handle. All functions are thread-safe;
// a handle must not be used by two downloads at once.
//
// Export ordinals, for a build that loads the library by ordinal:
//   10 BromDownload          13 BromCreateImageHandle   14 BromDestroyImageHandle
//   15 BromLoadScatter       20 BromLoadImage           22 BromUnloadImage
//   25 BromCreateAgentHandle 26 BromDestroyAgentHandle  29 BromSetAgentLoadAddress
//   31 BromLoadAgent         33 BromUnloadAgent         47 BromSetPacketUnits
//   50 BromEnableImage
#include <cstddef>
#include <cstdint>

namespace divuzo {

class CancelToken;
class Link;

using BromStatus = std::uint32_t;
using BromAgentHandle = std::uint32_t;
using BromImageHandle = std::uint32_t;

// A record value meaning "use the library's default" for timeouts and limits.
inline constexpr std::uint32_t kBromDefault = 0x0FFFFFFF;

// Load-call statuses: failures have bits 8..15 set.
namespace brom_load {
inline constexpr BromStatus kOk = 0;
inline constexpr BromStatus kFileMissing = 0x0100;   // file cannot be opened or read
inline constexpr BromStatus kBadFormat = 0x0200;     // not our format (magic, header, syntax)
inline constexpr BromStatus kBadChecksum = 0x0300;   // agent body or header checksum wrong
inline constexpr BromStatus kWrongChip = 0x0400;     // agent built for another load address/chip
inline constexpr BromStatus kTooLarge = 0x0500;      // file larger than the library accepts
inline constexpr BromStatus kBadHandle = 0x0600;     // unknown handle
inline constexpr BromStatus kBadIndex = 0x0700;      // image index other than 0
inline constexpr BromStatus kEmpty = 0x0800;         // empty image file
} // namespace brom_load

// Download statuses: 0 is success, anything else failure.
namespace brom_download {
inline constexpr BromStatus kOk = 0;
inline constexpr BromStatus kNoBootRom = 1;          // the boot ROM did not answer the handshake
inline constexpr BromStatus kPortFailed = 2;         // the port could not be opened
inline constexpr BromStatus kBadArguments = 3;       // record, handle, or nothing loaded/enabled
inline constexpr BromStatus kNoScatter = 4;          // no flash layout loaded
inline constexpr BromStatus kImageTooLarge = 5;      // image does not fit the layout or limit
inline constexpr BromStatus kAgentRefused = 6;       // the boot ROM refused the agent (wrong chip)
inline constexpr BromStatus kAgentFailed = 7;        // agent transfer or start failed
inline constexpr BromStatus kPacketRefused = 8;      // a packet was refused more often than allowed
inline constexpr BromStatus kLineLost = 9;           // the line went away (unplugged, hung up)
inline constexpr BromStatus kTimeout = 10;           // no answer in time, retries used up
inline constexpr BromStatus kSpeedSwitchFailed = 11; // the device was lost after a speed change
inline constexpr BromStatus kVerifyFailed = 12;      // read-back differs from the image
inline constexpr BromStatus kCancelled = 13;         // a callback returned non-zero
inline constexpr BromStatus kProtocolError = 14;     // an answer that makes no sense here
} // namespace brom_download

inline bool BromLoadSucceeded(BromStatus status) { return (status & 0xFF00u) == 0; }
inline bool BromDownloadSucceeded(BromStatus status) { return status == 0; }

// Short English description of a download or load status, for traces and the command line.
const char* BromStatusText(BromStatus status, bool loadCall);

// Callbacks, called on the thread that runs BromDownload. They must return 0; any other value
// cancels the download (status kCancelled).
using BromStartCallback = int (*)(void* user);
// `percent`: low byte is the percentage 0..100. `doneBytes`/`totalBytes` of this phase.
using BromProgressCallback = int (*)(std::uint32_t percent, std::uint32_t doneBytes,
                                     std::uint32_t totalBytes, void* user);

// The line. Value-initialise ({}) before filling, so unlisted fields are zero.
struct ComArgs {
  std::uint8_t comNumber;            // port number's low byte (for a Windows layer; unused here)
  std::uint32_t bootOption;          // per chip: 1 (kinds 3, 4), 6 (5, 6), 0 (7, 8); sent in the
                                     // hello frame, reported back by the boot ROM
  std::uint32_t connectTimeoutMs;    // handshake time limit; 0 or kBromDefault: 8000 ms
  std::uint32_t ackTimeoutMs;        // wait for an answer beyond the line time; 0/kBromDefault: 2000
  Link* link;                        // the open line to the device (the caller opened it and
                                     // closes it afterwards; the library never opens a port)
  const CancelToken* cancel;         // stop request, honoured until the image begins; may be null
  std::uint32_t baud;                // rate of the handshake and agent phase; 0: 115200
  std::uint32_t fastBaud;            // rate of the image phase when ImageArgs::fastLine; 0: 921600
};

// The agent phase. `self` must hold the record's own address (a filled record).
struct AgentArgs {
  std::uint8_t reserved[16];         // zero
  BromAgentHandle agent;             // loaded agent
  BromStartCallback onAgentStart;    // agent transfer starts
  void* agentStartUser;
  BromProgressCallback onAgentProgress;
  void* agentProgressUser;
  std::uint32_t packetRetries;       // retries per packet; 0 or kBromDefault: 8
  std::uint32_t startAgent;          // 1: start the agent once it is in memory (required)
  const void* self;                  // address of this record
  std::uint8_t restartWhenDone;      // 1: the device restarts into its firmware after success
  std::uint32_t progressStep;        // percent between progress calls; 0: 1
};

// The image phase.
struct ImageArgs {
  BromImageHandle image;             // loaded image (index 0 enabled)
  BromStartCallback onImageStart;    // image transfer starts
  void* imageStartUser;
  BromProgressCallback onImageProgress;
  void* imageProgressUser;
  std::uint32_t verifyAfterWrite;    // 1: read the written flash back (as a CRC-32) and compare
  std::uint32_t fastLine;            // 1: switch the line to ComArgs::fastBaud for the image
  std::uint32_t flashLimit;          // largest image accepted in bytes (0x100000); 0: no limit
};

// What BromDownload reports besides its status (24 bytes).
struct BromResultBlock {
  std::uint32_t chipId;              // 3318 or 3329 as the boot ROM reported it; 0 if unknown
  std::uint32_t bootRomVersion;      // boot ROM's version
  std::uint32_t agentVersion;        // version the running agent reported
  std::uint32_t bytesWritten;        // image bytes acknowledged
  std::uint32_t retries;             // packets sent again (corruption, refusals, timeouts)
  std::uint32_t imageBaud;           // line rate of the image phase
};
static_assert(sizeof(BromResultBlock) == 24);

BromStatus BromCreateAgentHandle(BromAgentHandle* handle);
BromStatus BromCreateImageHandle(BromImageHandle* handle);
// The agent's load address in chip memory (0x100800 on MT3318, 0xC00 on MT3329). An agent file
// made for another address is refused by BromLoadAgent (kWrongChip). 0: accept the file's own.
BromStatus BromSetAgentLoadAddress(BromAgentHandle handle, std::uint32_t address);
// Reads and checks an agent file; on success bits 16..31 of the status hold its version.
BromStatus BromLoadAgent(BromAgentHandle handle, const char* path);
// Reads the flash layout (scat.txt): image 0 goes into the layout's first region.
BromStatus BromLoadScatter(BromImageHandle handle, const char* path);
// Packet payload size in 16-byte units: 256 = 4096 bytes (the largest); 0: 256.
BromStatus BromSetPacketUnits(BromImageHandle handle, std::uint32_t units);
// Reads the image file as image `index` (only 0 exists).
BromStatus BromLoadImage(BromImageHandle handle, std::uint32_t index, const char* path);
BromStatus BromEnableImage(BromImageHandle handle, std::uint32_t index, std::uint32_t enable);
// Connects to the boot ROM over com->link, runs the agent and writes the enabled image.
// Blocks until done. `resultWord` receives the image bytes written; both outputs may be null.
BromStatus BromDownload(const ComArgs* com, const AgentArgs* agent, const ImageArgs* image,
                        std::uint32_t* resultWord, BromResultBlock* result);
BromStatus BromUnloadAgent(BromAgentHandle handle);
BromStatus BromUnloadImage(BromImageHandle handle, std::uint32_t index);
// Destroy the handle and set *handle to 0.
BromStatus BromDestroyAgentHandle(BromAgentHandle* handle);
BromStatus BromDestroyImageHandle(BromImageHandle* handle);

} // namespace divuzo
