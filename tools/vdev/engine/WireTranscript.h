#pragma once
// A record of every byte that crosses the line, as the device sees it, in a form that stays
// the same however the bytes were cut into reads: each direction is read as one stream and
// split into sentences ("$...*CS" CR LF), boot-ROM frames and runs of other bytes.
//
// Lines: "> " host to device, "< " device to host, then one of
//   $PPLM810*38                                  a sentence (CR LF left off); one longer
//                                                than 200 characters (a logger's memory data)
//                                                as its first 40, its length and CRC-32, and
//                                                its checksum: "$PMTK182,8,... (4128
//                                                characters, crc 1A2B3C4D) ...*5E"
//   frame 03 seq 5 len 4096 crc 1A2B3C4D         a frame (type, seq, payload length, CRC-32 of
//                                                header and payload, its trailer when that
//                                                differs);
//   frame 01 seq 1 len 4 crc ... : 01 00 00 00   short payloads are shown in full
//   $WRT size 1024                               the block transfer's kind line
//   block cs 5A len 512 crc 1A2B3C4D             a block of the block transfer (checksum, data
//                                                length, CRC-32 of the data; short data in full)
//   bytes D7 B4 |..|                             other bytes, hex and text
// The order of lines across the two directions depends on timing; within one direction it
// does not. SameBytes compares two transcripts direction by direction.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace divuzo::vdev {

enum class WireDirection { HostToDevice, DeviceToHost };

class WireTranscript {
 public:
  void Record(WireDirection direction, const std::uint8_t* data, std::size_t size);
  // Ends both streams: bytes still waiting for the rest of a unit are written as they are.
  void Finish();
  const std::vector<std::string>& Lines() const { return lines_; }
  // Lines completed since the last call (for writing a file as the conversation goes on).
  std::vector<std::string> TakeNewLines();

 private:
  struct Stream {
    std::vector<std::uint8_t> pending;  // bytes not yet part of a complete unit
    std::vector<std::uint8_t> other;    // run of bytes that belong to no unit
  };
  void Parse(WireDirection direction, bool final);
  void Emit(WireDirection direction, const std::string& text);
  void FlushOther(WireDirection direction);

  Stream streams_[2];
  std::vector<std::string> lines_;
  std::size_t taken_ = 0;
};

// The lines of one direction ("> " or "< ").
std::vector<std::string> LinesOf(const std::vector<std::string>& lines, WireDirection direction);
// True when both transcripts carry the same bytes in each direction; `difference` tells the
// first line that differs.
bool SameBytes(const std::vector<std::string>& expected, const std::vector<std::string>& actual,
               std::string* difference = nullptr);

}  // namespace divuzo::vdev
