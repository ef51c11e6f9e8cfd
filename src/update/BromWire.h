#pragma once
// The boot-ROM line protocol's building blocks, shared by the library (host side) and the
// virtual device's boot ROM: byte order helpers, the sync bytes, frame layout, frame types,
// the frame encoder and a stream decoder that resynchronises after damaged bytes.
//
// Frame: A5 5A | type | seq (LE16) | length (LE16) | CRC-8 of the 7 bytes before |
//        payload (length bytes, at most kMaxPayload) | CRC-32 (LE) of header and payload.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace divuzo::bromwire {

inline void PutLe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint16_t GetLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t GetLe32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

// Handshake: the host sends kSync[i] and waits for kSyncReply[i] before the next byte. All of
// them have the top bit set, so they never occur in the device's sentence traffic.
inline constexpr std::uint8_t kSync[4] = {0xD7, 0xB4, 0xE1, 0x9A};
inline constexpr std::uint8_t kSyncReply[4] = {0xB9, 0xC6, 0x8F, 0xF2};

inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::size_t kTrailerSize = 4;
inline constexpr std::size_t kMaxPayload = 4096;

enum Type : std::uint8_t {
  // host -> device
  kHello = 0x01,       // bootOption u32                       -> kInfo
  kAgentBegin = 0x02,  // chip u32, version u32, address u32, length u32, crc u32 -> kAck/kNak
  kData = 0x03,        // seq = packet number; payload = bytes  -> kDataAck/kDataNak
  kAgentRun = 0x04,    // (empty)                               -> kReady/kNak
  kSpeed = 0x05,       // baud u32                              -> kAck, then both switch
  kPing = 0x06,        // (empty)                               -> kPong
  kImageBegin = 0x07,  // address u32, length u32, crc u32, packet size u32 -> kAck/kNak
  kImageEnd = 0x08,    // (empty)                               -> kAck/kNak
  kVerify = 0x09,      // address u32, length u32               -> kVerifyResult
  kRestart = 0x0A,     // (empty)                               -> kAck, device leaves boot mode
  // device -> host
  kInfo = 0x81,        // chip u32, boot ROM version u32, flash size u32, bootOption u32
  kReady = 0x82,       // agent version u32
  kPong = 0x86,
  kVerifyResult = 0x89,  // crc u32, length u32
  kAck = 0xA0,         // seq = the command's seq
  kNak = 0xA1,         // seq = the command's seq; reason u8
  kDataAck = 0xA2,     // seq = next packet expected (all before it are stored)
  kDataNak = 0xA3,     // seq = next packet expected; reason u8
};

enum Reason : std::uint8_t {
  kReasonBadFrame = 1,     // checksum wrong or packet missing: send again from seq
  kReasonRefused = 2,      // the device would not take this packet
  kReasonWrongChip = 3,    // agent made for another chip
  kReasonBadAddress = 4,   // address outside memory or flash
  kReasonTooLarge = 5,
  kReasonBadChecksum = 6,  // whole agent or image checksum differs
  kReasonNoAgent = 7,      // image command before the agent runs
  kReasonIncomplete = 8,   // end of transfer with bytes missing
  kReasonBadCommand = 9,   // unknown or malformed command
  kReasonBadSpeed = 10,
};

// Appends one frame to `out`.
void AppendFrame(std::vector<std::uint8_t>& out, std::uint8_t type, std::uint16_t seq,
                 const void* payload, std::size_t length);
std::vector<std::uint8_t> EncodeFrame(std::uint8_t type, std::uint16_t seq,
                                      const void* payload = nullptr, std::size_t length = 0);
std::uint8_t HeaderCrc8(const std::uint8_t* header7);

struct Frame {
  std::uint8_t type = 0;
  std::uint16_t seq = 0;
  std::vector<std::uint8_t> payload;
};

// Payloads are sequences of little-endian 32-bit words.
std::vector<std::uint8_t> Words(std::initializer_list<std::uint32_t> values);
// The payload's word at `index`, or 0 when the payload is shorter.
std::uint32_t Word(const Frame& frame, std::size_t index);

// Takes bytes as they arrive and hands out what they form, in order.
class Decoder {
public:
  enum class Event {
    None,      // need more bytes
    Frame,     // a good frame is in `frame`
    BadFrame,  // a frame with a sound header but a wrong checksum; its seq/type in `frame`
    Skipped,   // one byte outside any frame, in `skipped`
  };
  void Feed(const std::uint8_t* data, std::size_t size);
  Event Next();
  void Clear() { buffer_.clear(); start_ = 0; }

  Frame frame;
  std::uint8_t skipped = 0;

private:
  std::vector<std::uint8_t> buffer_;
  std::size_t start_ = 0;  // bytes before start_ are consumed
};

} // namespace divuzo::bromwire
