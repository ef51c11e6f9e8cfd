#include "WireTranscript.h"

#include "trackdata/BlockTransfer.h"
#include "update/BromWire.h"
#include "update/Crc32.h"

#include <algorithm>
#include <cstdio>
#include <span>

namespace divuzo::vdev {

namespace {

// Sentences up to this long are recognised (a logger's memory data sentence is about 4 KiB);
// those longer than kSentenceShown are shown by their head, length and CRC-32.
constexpr std::size_t kMaxSentence = 8192;
constexpr std::size_t kSentenceShown = 200;
constexpr std::size_t kSentenceHead = 40;
constexpr std::size_t kBytesPerLine = 32;
constexpr std::size_t kPayloadShown = 32;

const char* Prefix(WireDirection direction) {
  return direction == WireDirection::HostToDevice ? "> " : "< ";
}

bool Printable(std::uint8_t c) {
  return c >= 0x20 && c < 0x7F;
}

std::string Hex(const std::uint8_t* data, std::size_t size) {
  std::string out;
  char two[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(two, sizeof two, i == 0 ? "%02X" : " %02X", data[i]);
    out += two;
  }
  return out;
}

enum class Unit { Wait, Other, Sentence, Frame, KindLine, Block };

constexpr std::size_t kKindLineSize = 10;  // "$WRT", four size bytes, CR LF
constexpr std::size_t kFullBlock = 2 + transfer::kBlockData + 2;

// A block of the block transfer at the front of `b`: 0x01, checksum, data, CR LF. The host's
// data ends at the first CR LF (512 bytes at most); the device's is always 512 bytes.
Unit ClassifyBlock(const std::vector<std::uint8_t>& b, WireDirection direction, bool final,
                   std::size_t& length) {
  if (b.size() < 2) return final ? Unit::Other : Unit::Wait;
  if (b[1] >= 0x80) return Unit::Other;
  if (direction == WireDirection::HostToDevice) {
    for (std::size_t i = 2; i <= 2 + transfer::kBlockData && i + 1 < b.size(); ++i) {
      if (b[i] == '\r' && b[i + 1] == '\n') {
        length = i + 2;
        return Unit::Block;
      }
    }
  } else if (b.size() >= kFullBlock) {
    if (b[kFullBlock - 2] != '\r' || b[kFullBlock - 1] != '\n') return Unit::Other;
    length = kFullBlock;
    return Unit::Block;
  }
  return b.size() < kFullBlock && !final ? Unit::Wait : Unit::Other;
}

// What starts at the front of `b`, and how many bytes it takes.
Unit Classify(const std::vector<std::uint8_t>& b, WireDirection direction, bool final,
              std::size_t& length) {
  length = 1;
  static constexpr std::uint8_t kKind[] = {'$', 'W', 'R', 'T'};
  if (b.size() >= 4 && std::equal(kKind, kKind + 4, b.begin())) {
    if (b.size() < kKindLineSize) return final ? Unit::Other : Unit::Wait;
    if (b[8] != '\r' || b[9] != '\n') return Unit::Other;
    length = kKindLineSize;
    return Unit::KindLine;
  }
  if (b[0] == transfer::kBlockStart) return ClassifyBlock(b, direction, final, length);
  if (b[0] == '$') {
    for (std::size_t i = 1; i < b.size() && i < kMaxSentence; ++i) {
      if (b[i] == '\r') {
        if (i + 1 == b.size()) return final ? Unit::Other : Unit::Wait;
        if (b[i + 1] != '\n') return Unit::Other;
        length = i + 2;
        return Unit::Sentence;
      }
      if (!Printable(b[i])) return Unit::Other;
    }
    return b.size() < kMaxSentence && !final ? Unit::Wait : Unit::Other;
  }
  if (b[0] == 0xA5) {
    if (b.size() < bromwire::kHeaderSize) {
      if (b.size() >= 2 && b[1] != 0x5A) return Unit::Other;
      return final ? Unit::Other : Unit::Wait;
    }
    const std::size_t payload = bromwire::GetLe16(&b[5]);
    if (b[1] != 0x5A || payload > bromwire::kMaxPayload || bromwire::HeaderCrc8(b.data()) != b[7])
      return Unit::Other;
    length = bromwire::kHeaderSize + payload + bromwire::kTrailerSize;
    if (b.size() < length) return final ? Unit::Other : Unit::Wait;
    return Unit::Frame;
  }
  return Unit::Other;
}

std::string SentenceText(const std::uint8_t* s, std::size_t length) {
  if (length <= kSentenceShown) return std::string(s, s + length);
  char tail[80];
  std::snprintf(tail, sizeof tail, "... (%zu characters, crc %08X) ...", length, Crc32(s, length));
  // The head names the sentence; the checksum at the end stays readable.
  return std::string(s, s + kSentenceHead) + tail + std::string(s + length - 3, s + length);
}

std::string FrameText(const std::uint8_t* f, std::size_t size) {
  const std::size_t payload = bromwire::GetLe16(f + 5);
  // The CRC-32 of header and payload names the payload; a trailer that does not match it is
  // shown as well, so that every byte of the frame is accounted for.
  const std::size_t body = size - bromwire::kTrailerSize;
  const std::uint32_t crc = Crc32(f, body);
  const std::uint32_t stored = bromwire::GetLe32(f + body);
  char head[96];
  std::snprintf(head, sizeof head, "frame %02X seq %u len %zu crc %08X", f[2],
                static_cast<unsigned>(bromwire::GetLe16(f + 3)), payload, crc);
  std::string text = head;
  if (stored != crc) {
    std::snprintf(head, sizeof head, " (trailer %08X)", stored);
    text += head;
  }
  if (payload > 0 && payload <= kPayloadShown)
    text += " : " + Hex(f + bromwire::kHeaderSize, payload);
  return text;
}

std::string BlockText(const std::uint8_t* b, std::size_t size) {
  const std::span<const std::uint8_t> data(b + 2, size - 4);
  char head[96];
  std::snprintf(head, sizeof head, "block cs %02X len %zu crc %08X", b[1], data.size(),
                Crc32(data.data(), data.size()));
  std::string text = head;
  if (BlockChecksum(data) != b[1]) text += " (checksum wrong)";
  if (!data.empty() && data.size() <= kPayloadShown) text += " : " + Hex(data.data(), data.size());
  return text;
}

std::string KindLineText(const std::uint8_t* b) {
  const std::uint32_t size = b[4] | b[5] << 8 | b[6] << 16 | static_cast<std::uint32_t>(b[7]) << 24;
  return "$WRT size " + std::to_string(size);
}

}  // namespace

void WireTranscript::Record(WireDirection direction, const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  Stream& s = streams_[static_cast<int>(direction)];
  s.pending.insert(s.pending.end(), data, data + size);
  Parse(direction, false);
}

void WireTranscript::Finish() {
  for (WireDirection d : {WireDirection::HostToDevice, WireDirection::DeviceToHost}) {
    Parse(d, true);
    FlushOther(d);
  }
}

std::vector<std::string> WireTranscript::TakeNewLines() {
  std::vector<std::string> fresh(lines_.begin() + static_cast<std::ptrdiff_t>(taken_),
                                 lines_.end());
  taken_ = lines_.size();
  return fresh;
}

void WireTranscript::Emit(WireDirection direction, const std::string& text) {
  lines_.push_back(Prefix(direction) + text);
}

void WireTranscript::FlushOther(WireDirection direction) {
  std::vector<std::uint8_t>& other = streams_[static_cast<int>(direction)].other;
  for (std::size_t at = 0; at < other.size(); at += kBytesPerLine) {
    const std::size_t n = std::min(kBytesPerLine, other.size() - at);
    std::string text;
    for (std::size_t i = 0; i < n; ++i)
      text += Printable(other[at + i]) ? static_cast<char>(other[at + i]) : '.';
    Emit(direction, "bytes " + Hex(other.data() + at, n) + " |" + text + "|");
  }
  other.clear();
}

void WireTranscript::Parse(WireDirection direction, bool final) {
  Stream& s = streams_[static_cast<int>(direction)];
  std::size_t at = 0;
  while (at < s.pending.size()) {
    const std::size_t window = std::max(
        kMaxSentence, bromwire::kHeaderSize + bromwire::kMaxPayload + bromwire::kTrailerSize);
    const std::vector<std::uint8_t> rest(
        s.pending.begin() + static_cast<std::ptrdiff_t>(at),
        s.pending.begin() + static_cast<std::ptrdiff_t>(std::min(s.pending.size(), at + window)));
    std::size_t length = 1;
    const Unit unit = Classify(rest, direction, final, length);
    if (unit == Unit::Wait) break;
    if (unit == Unit::Other) {
      s.other.push_back(rest[0]);
      ++at;
      continue;
    }
    FlushOther(direction);
    if (unit == Unit::Sentence)
      Emit(direction, SentenceText(rest.data(), length - 2));
    else if (unit == Unit::Block)
      Emit(direction, BlockText(rest.data(), length));
    else if (unit == Unit::KindLine)
      Emit(direction, KindLineText(rest.data()));
    else
      Emit(direction, FrameText(rest.data(), length));
    at += length;
  }
  s.pending.erase(s.pending.begin(), s.pending.begin() + static_cast<std::ptrdiff_t>(at));
}

std::vector<std::string> LinesOf(const std::vector<std::string>& lines, WireDirection direction) {
  std::vector<std::string> out;
  for (const auto& line : lines)
    if (line.rfind(Prefix(direction), 0) == 0) out.push_back(line);
  return out;
}

bool SameBytes(const std::vector<std::string>& expected, const std::vector<std::string>& actual,
               std::string* difference) {
  for (WireDirection d : {WireDirection::HostToDevice, WireDirection::DeviceToHost}) {
    const auto e = LinesOf(expected, d);
    const auto a = LinesOf(actual, d);
    for (std::size_t i = 0; i < std::max(e.size(), a.size()); ++i) {
      const std::string want = i < e.size() ? e[i] : "(nothing)";
      const std::string got = i < a.size() ? a[i] : "(nothing)";
      if (want != got) {
        if (difference)
          *difference = "line " + std::to_string(i + 1) + " of direction '" + Prefix(d) +
                        "': expected '" + want + "', got '" + got + "'";
        return false;
      }
    }
  }
  return true;
}

}  // namespace divuzo::vdev
