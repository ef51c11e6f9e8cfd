#pragma once
// The 16-byte track point record of logger memory and ".trl" files, little-endian:
//   0..3   time, signed seconds since 1970-01-01 UTC
//   4..7   latitude, single precision degrees (north positive)
//   8..11  longitude, single precision degrees (east positive)
//   12..14 height: the upper three bytes of a single precision value in metres
//   15     checksum: exclusive-or of bytes 0..14
// Logger memory also holds special 16-byte slots (separator, waypoint marker, filler, erased)
// that never appear in a ".trl" file written by this program.
#include <array>
#include <cstddef>
#include <cstdint>

namespace divuzo {

inline constexpr std::size_t kTrackRecordSize = 16;

struct TrackPointRecord {
  std::array<std::uint8_t, kTrackRecordSize> bytes{};
};

// A record's contents, widened to double for formatting.
struct TrackPoint {
  std::int32_t time = 0;  // UTC seconds since 1970
  double latitude = 0;
  double longitude = 0;
  double height = 0;
};

std::uint8_t RecordChecksum(const TrackPointRecord& record);
// The checksum holds and latitude, longitude and height are finite numbers (an erased slot,
// sixteen 0xFF bytes, passes the checksum but holds none).
bool IsValidRecord(const TrackPointRecord& record);
TrackPoint DecodeRecord(const TrackPointRecord& record);

// Builds a record with its checksum. The height keeps only its upper three bytes.
TrackPointRecord EncodeRecord(std::int32_t time, float latitude, float longitude, float height);

// Height from the three stored bytes (the dropped low byte reads as zero), and back.
float DecodeHeight(std::uint8_t b12, std::uint8_t b13, std::uint8_t b14);
void EncodeHeight(float height, std::uint8_t out[3]);

// Record view of 16 bytes (no alignment needed).
TrackPointRecord RecordFromBytes(const std::uint8_t* bytes);

// Special slots of logger memory.
inline constexpr char kSeparatorSlot[] = "PELMOTR410LOGGER";
inline constexpr char kWaypointMarkerSlot[] = "PELMOTR410WAYPNT";
bool IsSeparatorSlot(const std::uint8_t* slot);
bool IsWaypointMarkerSlot(const std::uint8_t* slot);
// Bytes 0..6 all 0xAA and bytes 12..15 all 0xBB.
bool IsFillerSlot(const std::uint8_t* slot);
// All sixteen bytes 0xFF.
bool IsErasedSlot(const std::uint8_t* slot);

} // namespace divuzo
