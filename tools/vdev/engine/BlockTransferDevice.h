#pragma once
// The virtual device's block-transfer personality (divuzo-vdev --block-transfer): it takes a
// start request ("$BEG", "$PMTK182*21" or the track-log page's logger command 5) with "!",
// receives a file after "$WRT" in checksummed blocks, serves its track log on "$TLG" with the
// size header, and ends on "$END" with "%". Sentences that are not part of a transfer go on to
// the sentence engine, so the device still identifies itself and keeps its logger settings.
// Fault options make it refuse, resend, abort, damage a block or fall silent.
#include "engine/DeviceIo.h"
#include "engine/VirtualDevice.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace divuzo::vdev {

struct BlockTransferOptions {
  bool enabled = false;
  bool lineRate = false;       // bytes take as long as on a real line at the port's rate, both ways
  bool silent = false;         // answers nothing at all
  std::string receivedPath;    // the data bytes of the accepted blocks, in order ("" for none)
  std::string trackLogPath;    // served on "$TLG" (whole 512-byte blocks); none: "$TLG" is refused
  bool refuseStart = false;    // "$" to the start request
  char kindReply = '!';        // the answer to "$WRT" and "$TLG": '!', '?' or '#'
  long atSignBlock = -1;       // block N (from 0) is answered with the at sign once
  long queryBlock = -1;        // block N is answered "?" first and accepted a little later
  long abortBlock = -1;        // "^" after block N (either direction)
  long badChecksumBlock = -1;  // track-log block N goes out once with a wrong checksum
  long silentBlock = -1;       // from block N on nothing is answered or sent
  int queryDelayMs = 100;      // between the "?" and the late "!"
};

class BlockTransferDevice {
 public:
  using Pass = std::function<void(const std::uint8_t* data, std::size_t size)>;

  BlockTransferDevice(const BlockTransferOptions& options, DeviceState& state);
  ~BlockTransferDevice();
  BlockTransferDevice(const BlockTransferDevice&) = delete;
  BlockTransferDevice& operator=(const BlockTransferDevice&) = delete;

  // Bytes from the host: transfer traffic is handled here, everything else goes to `pass`.
  void OnBytes(const std::uint8_t* data, std::size_t size, DeviceIo& io, const Pass& pass);

  // The data bytes of the blocks accepted since the last "$WRT".
  const std::vector<std::uint8_t>& Received() const { return received_; }

 private:
  enum class Mode { Command, Receiving, Sending };

  void Pace(std::size_t bytes, DeviceIo& io);
  void Say(std::string_view text, DeviceIo& io);
  // Length of the command line at the front of pending_, 0 while it is incomplete.
  std::size_t CommandLength() const;
  void OnLine(const std::string& line, DeviceIo& io, const Pass& pass);
  void OnKindLine(std::uint32_t size, DeviceIo& io);
  void OnTrackLogRequest(DeviceIo& io);
  // A block at the front of pending_; false while it is incomplete.
  bool TakeBlock(DeviceIo& io);
  void OnBlock(const std::vector<std::uint8_t>& data, std::uint8_t checksum, DeviceIo& io);
  void SendBlock(DeviceIo& io);
  void OnHostReply(char reply, DeviceIo& io);
  bool Silenced(long block, DeviceIo& io);
  void CloseReceivedFile();

  BlockTransferOptions options_;
  DeviceState& state_;
  Mode mode_ = Mode::Command;
  bool silent_ = false;
  bool pacingSet_ = false;
  DeviceIo::TimePoint lineFree_{};
  std::vector<std::uint8_t> pending_;

  // Receiving a file.
  std::uint32_t expected_ = 0;
  long acceptedBlocks_ = 0;
  std::vector<std::uint8_t> received_;
  std::FILE* receivedFile_ = nullptr;
  bool atSignDone_ = false;
  bool queryDone_ = false;

  // Sending the track log.
  std::vector<std::uint8_t> trackLog_;
  long sendIndex_ = 0;
  bool badChecksumDone_ = false;
};

}  // namespace divuzo::vdev
