#pragma once
// The block-transfer protocol that moves waypoint and map files to a device and a device's
// track log to the computer: short "$" command lines, single-character replies and
// checksummed data blocks. This file holds what both directions share: the lines and blocks,
// the reading of replies with a deadline, the finish ("$END" until "%"), progress and texts.
//
//   host: "$WRT" size           device: "!"  (or "?" refused, "#" error)
//   host: 01 cs data CR LF      device: "!" accepted / "@" send again / "?" not yet, then
//                                       "&" next block or "^" abort
//   host: "$END"                device: "%" done (or "?": say it again)
//
// Receiving is the mirror image after "$TLG": the device sends a size header and 514-byte
// blocks, the host answers each with "!" or "@" and reads "&", "?" or "^".
#include "app/Status.h"
#include "platform/LinkWait.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace divuzo {

class DeviceSession;

namespace transfer {

inline constexpr std::size_t kBlockData = 512;  // data bytes of a full block
inline constexpr std::uint8_t kBlockStart = 0x01;
inline constexpr char kAtSign = 0x40;  // "send that block again"

// Command lines, each with its CR LF.
inline constexpr std::string_view kBeginLine = "$BEG\r\n";
inline constexpr std::string_view kBusyBeginLine =
    "$PMTK182*21\r\n";  // waypoint start while the link is busy
inline constexpr std::string_view kTrackLogLine = "$TLG\r\n";
inline constexpr std::string_view kEndLine = "$END\r\n";
// The host's own replies to a received block.
inline constexpr std::string_view kAcceptLine = "!\r\n";
inline constexpr std::string_view kResendLine = "@\r\n";
// The logger command type the track-log page sends as its start request.
inline constexpr int kTrackLogStartCommand = 5;

}  // namespace transfer

// Texts of the transfers (string-table ids). 103 to 109 are the product's messages, worded by
// this program; the rest are its own.
inline constexpr int kTextStartRefused = 103;      // "$" to the start request
inline constexpr int kTextNoTransferDevice = 104;  // no port answered
inline constexpr int kTextSendRefused = 105;       // "?" to "$WRT"
inline constexpr int kTextDeviceError = 106;      // "#" to the kind line (shown with an error icon)
inline constexpr int kTextTransferAborted = 107;  // "^" after a block
inline constexpr int kTextReceiveRefused = 109;   // "?" to "$TLG"
inline constexpr int kTextWaitingForStart = 970;  // "Waiting for Starting..."
inline constexpr int kTextDownloading = 971;      // "Downloading..."
inline constexpr int kTextWaitingForFinish = 972;  // "Waiting for Finishing..."
inline constexpr int kTextDownloadDone = 973;
inline constexpr int kTextUploading = 974;  // "Uploading..."
inline constexpr int kTextUploadDone = 975;
inline constexpr int kTextNoResponse = 976;       // "Get no response from device. ..."
inline constexpr int kTextDeviceSilent = 980;     // the device stopped answering mid-transfer
inline constexpr int kTextPartialKept = 981;      // followed by the partial file's path
inline constexpr int kTextBlockRefused = 982;     // the same block failed again and again
inline constexpr int kTextCannotWrite = 983;      // followed by the path
inline constexpr int kTextCannotRead = 984;       // followed by the path
inline constexpr int kTextEndNotConfirmed = 985;  // all data moved, "%" never came
inline constexpr int kTextLineLost = 986;

// Every wait of a transfer, in milliseconds. Production keeps these; tests may shorten them.
struct TransferTiming {
  int roundMs = 1000;       // one round of the start handshake: how long a reply is awaited
  int resendPauseMs = 20;   // first round: before the start request goes out once more
  int openPauseMs = 200;    // waypoint transfer: after a port was opened, before the first request
  int kindReplyMs = 30000;  // the answer to "$WRT" / "$TLG" (the device may prepare its memory)
  int replyMs = 10000;      // a block's reply, "&"/"^", a received block, the size header
  int endPauseMs = 20;      // before each "$END"
  int endAttempts = 5;      // "$END" is said at most this often
  int endSkipLimit = 100;   // other characters after "$END" that end the wait as well
  int maxRepeats = 16;  // at-sign or "?" replies in a row for one block; damaged blocks in a row
};

// The transfer size of a file: its length rounded up to a whole number of 512-byte blocks.
std::uint64_t TransferSize(std::uint64_t fileLength);

// The sum of the data bytes modulo 128.
std::uint8_t BlockChecksum(std::span<const std::uint8_t> data);

// The data of the block that starts at `position` of a transfer of `size` bytes whose first
// file.size() bytes are the file: up to 512 bytes (never beyond `size`), ending early with a
// CR that the file follows with LF (the LF then starts the next block). Bytes beyond the end
// of the file are zero.
std::vector<std::uint8_t> BlockData(std::span<const std::uint8_t> file, std::uint64_t position,
                                    std::uint64_t size);

// A block on the wire: 0x01, checksum, data, CR LF.
std::string BlockBytes(std::span<const std::uint8_t> data);

// "$WRT", the size as four little-endian bytes, CR LF.
std::string KindLine(std::uint32_t size);

// The track log's size in bytes from the first four bytes of the device's size header:
// (byte 0 + byte 1 x 256 + byte 2 x 65536) blocks of 512 bytes; byte 3 is not used.
std::uint64_t TrackLogSize(std::span<const std::uint8_t, 4> header);

// A received block (514 bytes: 0x01, checksum, 512 data bytes) whose checksum matches.
bool ReceivedBlockIntact(std::span<const std::uint8_t> block);

// The device's side of one transfer as the host reads it, over the session's open line:
// single reply characters and runs of bytes, each awaited with a deadline (and the session's
// cancel request). Bytes that arrive beyond what was asked for stay for the next read.
class TransferLine {
 public:
  explicit TransferLine(DeviceSession& session);

  // Writes all of `bytes`; false when no line is open or it went away.
  bool Write(std::string_view bytes);
  // The first of the characters `wanted` within `ms`; what came before it is dropped (and
  // counted in *skipped when given).
  WaitStatus NextOf(std::string_view wanted, long ms, char& found, std::size_t* skipped = nullptr);
  // `count` bytes within `ms`, moved into `out`.
  WaitStatus Take(std::size_t count, long ms, std::vector<std::uint8_t>& out);
  // Drops what was received: from the line and from what was read and not yet taken.
  void Purge();
  void Pause(long ms);

  DeviceSession& Session() { return session_; }

 private:
  DeviceSession& session_;
  ReceiveBuffer received_;
};

// How a wait that did not end with its answer ends the transfer: 980 for silence, 986 for a
// lost line, 901 for a cancel.
Status WaitFailure(WaitStatus status, const char* what);

// The finish of both directions: "$END" until the device answers "%" ("?" asks for it again;
// `endSkipLimit` other characters end the wait as well). NoAnswer with text 985 when the
// device never confirms.
Status FinishTransfer(TransferLine& line, const TransferTiming& timing);

// Reports a transfer's progress to the session: the percentage (acknowledged / size x 100,
// truncated) each time it changes, with the bytes done and in all.
class TransferProgress {
 public:
  TransferProgress(DeviceSession& session, std::uint64_t size) : session_(session), size_(size) {}
  void Update(std::uint64_t done);

 private:
  DeviceSession& session_;
  std::uint64_t size_;
  int shown_ = -1;
};

}  // namespace divuzo
