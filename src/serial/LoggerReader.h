#pragma once
// Reading the logger's memory off the line: one read command for a range, then its data
// sentences, one chunk of 2048 bytes each, in address order. The reader waits on the link
// (LinkWait.h), so a download is bound by the line: every chunk is taken as soon as its last
// byte arrives. It owns the buffer it reads into; nothing else reads the line meanwhile.
//
// A chunk is taken only in order: the one at the next expected address, with a good checksum
// and exactly 2048 bytes of hexadecimal data. A chunk that fails its checksum leaves a gap and
// the reader goes on with the next; a chunk that comes under another address (dropped or
// mislabelled) means the device is out of step with the request, and nothing more is taken
// from it. The range ends when every chunk was taken, when the device acknowledges the read
// command after some of its data (it has sent all it will), when a sentence for the range's
// last chunk came, or when no chunk came for the watchdog's time
// (LinkTiming::loggerWatchdogMs). Data sentences for addresses outside the range are late
// ones of an earlier read and are passed over.
#include "platform/LinkWait.h"
#include "serial/LoggerProtocol.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace divuzo {

class DeviceSession;

class LoggerReader {
 public:
  explicit LoggerReader(DeviceSession& session);

  // What WaitForDataChunk found.
  enum class ChunkEvent {
    Chunk,      // the expected chunk, decoded into the output
    Rejected,   // a data sentence that is not the expected chunk; `address` tells what it claimed
    ReadDone,   // the device acknowledged the read command
    Timeout,    // nothing of the above before the deadline
    Lost,       // the line went away
    Cancelled,  // the session's work was cancelled
  };
  // Waits for the next memory data sentence for an address within `range` (other sentences,
  // and data for addresses outside it, are passed over) or the read command's
  // acknowledgement. `expected` is the address and `size` the byte count of the chunk wanted;
  // its bytes go to `out`. `address` receives the address a data sentence claimed.
  ChunkEvent WaitForDataChunk(std::uint32_t expected, std::uint32_t size, std::uint8_t* out,
                              MemoryRange range, LinkClock::TimePoint deadline,
                              std::uint32_t* address = nullptr);

  enum class RangeEnd { Complete, Incomplete, Stalled, Lost, Cancelled };
  struct RangeResult {
    RangeEnd end = RangeEnd::Incomplete;
    std::uint32_t chunksTaken = 0;
    bool dataSeen = false;  // any data sentence came, taken or not
  };
  // Called for each chunk taken, with its address.
  using ChunkTaken = std::function<void(std::uint32_t address)>;
  // Sends the read command for [start, start + size) (whole chunks) and takes its chunks into
  // `image`, which holds the memory from `imageBase` on; `taken` gets a mark for each chunk
  // (index (address - imageBase) / 2048).
  RangeResult ReadRange(std::uint32_t start, std::uint32_t size, std::uint8_t* image,
                        std::uint32_t imageBase, std::vector<bool>& taken,
                        const ChunkTaken& onChunk = {});
  // The range the last ReadRange asked for (empty when its read command did not go out).
  MemoryRange LastRange() const { return lastRange_; }

  // After a cancel: lets the device finish sending what the last read command asked for
  // (nothing more is taken), so that the commands after it reach a device that listens and
  // are not lost when the line is let go. Ends at the read's acknowledgement, at the sentence
  // for the last chunk of `range`, after a second without a whole sentence, or at the
  // watchdog's time.
  void FinishRange(MemoryRange range);

  // Sentences that were passed over since the reader was made (other traffic on the line).
  long PassedOver() const { return passedOver_; }

 private:
  // Takes complete sentences off the front of the buffer until one decides the wait; false
  // when the buffer holds no deciding sentence yet.
  bool Scan(std::uint32_t expected, std::uint32_t size, std::uint8_t* out, MemoryRange range,
            ChunkEvent& event, std::uint32_t& address);

  DeviceSession& session_;
  ReceiveBuffer received_;
  MemoryRange lastRange_;
  long passedOver_ = 0;
};

}  // namespace divuzo
