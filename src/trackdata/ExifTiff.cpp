#include "trackdata/ExifTiff.h"

#include <cstring>

namespace divuzo::exif {

namespace {

constexpr std::uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};

std::uint16_t Get16(const std::uint8_t* p, ByteOrder order) {
  return order == ByteOrder::Little ? static_cast<std::uint16_t>(p[0] | (p[1] << 8))
                                    : static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t Get32(const std::uint8_t* p, ByteOrder order) {
  if (order == ByteOrder::Little) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  }
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

} // namespace

std::size_t TypeSize(std::uint16_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;   // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                   // SHORT, SSHORT
    case 4: case 9: case 11: case 13: return 4; // LONG, SLONG, FLOAT, IFD
    case 5: case 10: case 12: return 8;         // RATIONAL, SRATIONAL, DOUBLE
    default: return 0;
  }
}

bool TiffView::U16(std::uint64_t offset, std::uint16_t& out) const {
  if (!Contains(offset, 2)) return false;
  out = Get16(data_ + offset, order_);
  return true;
}

bool TiffView::U32(std::uint64_t offset, std::uint32_t& out) const {
  if (!Contains(offset, 4)) return false;
  out = Get32(data_ + offset, order_);
  return true;
}

const IfdEntry* Ifd::Find(std::uint16_t tag) const {
  for (const auto& entry : entries) {
    if (entry.tag == tag) return &entry;
  }
  return nullptr;
}

bool ReadIfd(const TiffView& tiff, std::uint64_t offset, Ifd& out) {
  out = Ifd{};
  std::uint16_t count = 0;
  if (!tiff.U16(offset, count)) return false;
  const std::uint64_t table = offset + 2;
  if (!tiff.Contains(table, std::uint64_t{count} * 12 + 4)) return false;
  out.offset = static_cast<std::size_t>(offset);
  out.entries.reserve(count);
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::size_t at = static_cast<std::size_t>(table + std::uint64_t{i} * 12);
    IfdEntry entry;
    entry.position = at;
    tiff.U16(at, entry.tag);
    tiff.U16(at + 2, entry.type);
    tiff.U32(at + 4, entry.count);
    tiff.U32(at + 8, entry.value);
    entry.dataSize = std::uint64_t{entry.count} * TypeSize(entry.type);
    out.entries.push_back(entry);
  }
  out.nextPointerPosition = static_cast<std::size_t>(table + std::uint64_t{count} * 12);
  tiff.U32(out.nextPointerPosition, out.next);
  return true;
}

bool LocateExif(const std::uint8_t* data, std::size_t size, ExifLocation& out) {
  if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) return false;
  std::size_t pos = 2;
  while (size - pos >= 4) {
    if (data[pos] != 0xFF) return false;
    const std::uint8_t marker = data[pos + 1];
    if (marker != 0xE0 && marker != 0xE1) return false;
    const std::size_t length = (static_cast<std::size_t>(data[pos + 2]) << 8) | data[pos + 3];
    if (length < 2 || length > size - pos - 2) return false;
    const std::size_t body = pos + 4;
    const std::size_t end = pos + 2 + length;
    if (marker == 0xE1 && end - body >= sizeof kExifHeader &&
        std::memcmp(data + body, kExifHeader, sizeof kExifHeader) == 0) {
      out.segmentStart = pos;
      out.segmentEnd = end;
      out.tiffStart = body + sizeof kExifHeader;
      return true;
    }
    pos = end;
  }
  return false;
}

bool OpenTiff(const std::uint8_t* data, const ExifLocation& location, TiffView& out) {
  const std::uint8_t* tiff = data + location.tiffStart;
  const std::size_t size = location.segmentEnd - location.tiffStart;
  if (size < 8) return false;
  ByteOrder order;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    order = ByteOrder::Little;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    order = ByteOrder::Big;
  } else {
    return false;
  }
  if (Get16(tiff + 2, order) != 42) return false;
  out = TiffView(tiff, size, order);
  return true;
}

bool FirstIfdOffset(const TiffView& tiff, std::uint32_t& out) { return tiff.U32(4, out); }

bool OpenFirstIfd(const std::uint8_t* data, std::size_t size, ExifLocation& location,
                  TiffView& tiff, Ifd& ifd0) {
  std::uint32_t ifd0Offset = 0;
  return LocateExif(data, size, location) && OpenTiff(data, location, tiff) &&
         FirstIfdOffset(tiff, ifd0Offset) && ReadIfd(tiff, ifd0Offset, ifd0);
}

bool ReadAscii(const TiffView& tiff, const IfdEntry& entry, std::string& out) {
  out.clear();
  if (entry.type != 2) return false;
  const std::uint64_t at = entry.DataOffset();
  if (!tiff.Contains(at, entry.count)) return false;
  const char* text = reinterpret_cast<const char*>(tiff.data() + at);
  out.assign(text, strnlen(text, entry.count));
  return true;
}

void Put16(std::uint8_t* at, std::uint16_t value, ByteOrder order) {
  if (order == ByteOrder::Little) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
  } else {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
  }
}

void Put32(std::uint8_t* at, std::uint32_t value, ByteOrder order) {
  for (int i = 0; i < 4; ++i) {
    const int shift = order == ByteOrder::Little ? 8 * i : 8 * (3 - i);
    at[i] = static_cast<std::uint8_t>(value >> shift);
  }
}

} // namespace divuzo::exif
