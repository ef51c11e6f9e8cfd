#include "update/BromWire.h"

#include "update/Crc32.h"

#include <algorithm>

namespace divuzo::bromwire {

std::uint8_t HeaderCrc8(const std::uint8_t* header7) {
  std::uint8_t crc = 0;
  for (int i = 0; i < 7; ++i) {
    crc ^= header7[i];
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<std::uint8_t>((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
  }
  return crc;
}

void AppendFrame(std::vector<std::uint8_t>& out, std::uint8_t type, std::uint16_t seq,
                 const void* payload, std::size_t length) {
  const std::size_t at = out.size();
  out.resize(at + kHeaderSize + length + kTrailerSize);
  std::uint8_t* p = out.data() + at;
  p[0] = 0xA5;
  p[1] = 0x5A;
  p[2] = type;
  PutLe16(p + 3, seq);
  PutLe16(p + 5, static_cast<std::uint16_t>(length));
  p[7] = HeaderCrc8(p);
  if (length) std::copy_n(static_cast<const std::uint8_t*>(payload), length, p + kHeaderSize);
  PutLe32(p + kHeaderSize + length, Crc32(p, kHeaderSize + length));
}

std::vector<std::uint8_t> Words(std::initializer_list<std::uint32_t> values) {
  std::vector<std::uint8_t> out(values.size() * 4);
  std::size_t at = 0;
  for (std::uint32_t v : values) {
    PutLe32(&out[at], v);
    at += 4;
  }
  return out;
}

std::uint32_t Word(const Frame& frame, std::size_t index) {
  const std::size_t at = index * 4;
  return frame.payload.size() >= at + 4 ? GetLe32(&frame.payload[at]) : 0;
}

std::vector<std::uint8_t> EncodeFrame(std::uint8_t type, std::uint16_t seq, const void* payload,
                                      std::size_t length) {
  std::vector<std::uint8_t> out;
  AppendFrame(out, type, seq, payload, length);
  return out;
}

void Decoder::Feed(const std::uint8_t* data, std::size_t size) {
  if (start_ > 0 && start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  } else if (start_ > 65536) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  buffer_.insert(buffer_.end(), data, data + size);
}

Decoder::Event Decoder::Next() {
  const std::size_t avail = buffer_.size() - start_;
  if (avail == 0) return Event::None;
  const std::uint8_t* p = buffer_.data() + start_;
  if (p[0] != 0xA5) {
    skipped = p[0];
    ++start_;
    return Event::Skipped;
  }
  if (avail < 2) return Event::None;
  if (p[1] != 0x5A) {
    skipped = p[0];
    ++start_;
    return Event::Skipped;
  }
  if (avail < kHeaderSize) return Event::None;
  const std::size_t length = GetLe16(p + 5);
  if (HeaderCrc8(p) != p[7] || length > kMaxPayload) {
    // Not a header after all: give up the first byte and hunt again from the next.
    skipped = p[0];
    ++start_;
    return Event::Skipped;
  }
  const std::size_t total = kHeaderSize + length + kTrailerSize;
  if (avail < total) return Event::None;
  frame.type = p[2];
  frame.seq = GetLe16(p + 3);
  frame.payload.assign(p + kHeaderSize, p + kHeaderSize + length);
  const bool good = GetLe32(p + kHeaderSize + length) == Crc32(p, kHeaderSize + length);
  start_ += total;
  return good ? Event::Frame : Event::BadFrame;
}

} // namespace divuzo::bromwire
