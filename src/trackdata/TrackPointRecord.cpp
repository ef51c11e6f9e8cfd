#include "trackdata/TrackPointRecord.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace divuzo {

namespace {

std::uint32_t LoadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void StoreLe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

bool AllEqual(const std::uint8_t* p, std::size_t n, std::uint8_t value) {
  for (std::size_t i = 0; i < n; ++i)
    if (p[i] != value) return false;
  return true;
}

} // namespace

std::uint8_t RecordChecksum(const TrackPointRecord& record) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < 15; ++i) sum ^= record.bytes[i];
  return sum;
}

bool IsValidRecord(const TrackPointRecord& record) {
  if (RecordChecksum(record) != record.bytes[15]) return false;
  // Erased memory (all 0xFF) passes the checksum; its numbers, like any that are not finite,
  // are no position.
  const TrackPoint point = DecodeRecord(record);
  return std::isfinite(point.latitude) && std::isfinite(point.longitude) &&
         std::isfinite(point.height);
}

float DecodeHeight(std::uint8_t b12, std::uint8_t b13, std::uint8_t b14) {
  const std::uint8_t four[4] = {0, b12, b13, b14};
  return std::bit_cast<float>(LoadLe32(four));
}

void EncodeHeight(float height, std::uint8_t out[3]) {
  std::uint8_t four[4];
  StoreLe32(four, std::bit_cast<std::uint32_t>(height));
  out[0] = four[1];
  out[1] = four[2];
  out[2] = four[3];
}

TrackPoint DecodeRecord(const TrackPointRecord& record) {
  const std::uint8_t* b = record.bytes.data();
  TrackPoint point;
  point.time = static_cast<std::int32_t>(LoadLe32(b));
  point.latitude = std::bit_cast<float>(LoadLe32(b + 4));
  point.longitude = std::bit_cast<float>(LoadLe32(b + 8));
  point.height = DecodeHeight(b[12], b[13], b[14]);
  return point;
}

TrackPointRecord EncodeRecord(std::int32_t time, float latitude, float longitude, float height) {
  TrackPointRecord record;
  std::uint8_t* b = record.bytes.data();
  StoreLe32(b, static_cast<std::uint32_t>(time));
  StoreLe32(b + 4, std::bit_cast<std::uint32_t>(latitude));
  StoreLe32(b + 8, std::bit_cast<std::uint32_t>(longitude));
  EncodeHeight(height, b + 12);
  b[15] = RecordChecksum(record);
  return record;
}

TrackPointRecord RecordFromBytes(const std::uint8_t* bytes) {
  TrackPointRecord record;
  std::memcpy(record.bytes.data(), bytes, kTrackRecordSize);
  return record;
}

bool IsSeparatorSlot(const std::uint8_t* slot) { return std::memcmp(slot, kSeparatorSlot, 16) == 0; }

bool IsWaypointMarkerSlot(const std::uint8_t* slot) {
  return std::memcmp(slot, kWaypointMarkerSlot, 16) == 0;
}

bool IsFillerSlot(const std::uint8_t* slot) { return AllEqual(slot, 7, 0xAA) && AllEqual(slot + 12, 4, 0xBB); }

bool IsErasedSlot(const std::uint8_t* slot) { return AllEqual(slot, 16, 0xFF); }

} // namespace divuzo
