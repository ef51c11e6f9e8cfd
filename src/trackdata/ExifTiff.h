#pragma once
// Bounds-checked access to the EXIF block of a JPEG: locating the APP1 "Exif" segment, the TIFF
// header with its byte order, and image file directories (IFDs). Every offset and length read
// from the photo is checked against the bytes at hand before it is used; a check that fails makes
// the call return false, never read past the data.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace divuzo::exif {

enum class ByteOrder { Little, Big };

// Tags this program reads or rewrites.
inline constexpr std::uint16_t kTagMake = 271;
inline constexpr std::uint16_t kTagThumbnailOffset = 513;  // JPEGInterchangeFormat
inline constexpr std::uint16_t kTagExifPointer = 34665;
inline constexpr std::uint16_t kTagGpsPointer = 34853;
inline constexpr std::uint16_t kTagDateTimeOriginal = 36867;
inline constexpr std::uint16_t kTagMakerNote = 37500;
inline constexpr std::uint16_t kTagInteropPointer = 40965;

// Size in bytes of one value of a TIFF field type; 0 for types this program does not know.
std::size_t TypeSize(std::uint16_t type);

// The TIFF block inside the APP1 segment. Offsets count from its first byte ("II" or "MM").
class TiffView {
public:
  TiffView() = default;
  TiffView(const std::uint8_t* data, std::size_t size, ByteOrder order)
      : data_(data), size_(size), order_(order) {}

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  ByteOrder order() const { return order_; }

  // True when [offset, offset + length) lies inside the block (no overflow).
  bool Contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  bool U16(std::uint64_t offset, std::uint16_t& out) const;
  bool U32(std::uint64_t offset, std::uint32_t& out) const;

private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  ByteOrder order_ = ByteOrder::Little;
};

struct IfdEntry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint32_t value = 0;      // the 4-byte value field read as a number
  std::size_t position = 0;     // where the 12-byte entry starts
  std::uint64_t dataSize = 0;   // count x type size (0 for an unknown type)

  // Data longer than 4 bytes lives elsewhere, and the value field holds its offset.
  bool HasOffsetData() const { return dataSize > 4; }
  std::size_t ValueFieldPosition() const { return position + 8; }
  // Where the data starts: the value field itself, or the offset it holds.
  std::uint64_t DataOffset() const { return HasOffsetData() ? value : ValueFieldPosition(); }
};

struct Ifd {
  std::size_t offset = 0;
  std::vector<IfdEntry> entries;
  std::size_t nextPointerPosition = 0;  // the 4-byte offset of the next directory
  std::uint32_t next = 0;

  const IfdEntry* Find(std::uint16_t tag) const;
};

// Reads the directory at `offset`. False when its count, entries or next pointer lie outside the
// block. The data that entries point to is not checked here (see DataFits).
bool ReadIfd(const TiffView& tiff, std::uint64_t offset, Ifd& out);

// True when the entry's data lies inside the block.
inline bool DataFits(const TiffView& tiff, const IfdEntry& entry) {
  return tiff.Contains(entry.DataOffset(), entry.dataSize);
}

// Where the EXIF block sits in a JPEG.
struct ExifLocation {
  std::size_t segmentStart = 0;  // the 0xFF 0xE1 marker of the APP1 segment
  std::size_t segmentEnd = 0;    // first byte after the segment
  std::size_t tiffStart = 0;     // first byte of the TIFF header (after "Exif\0\0")
};

// Walks the segments after the start-of-image marker: APP0 and non-EXIF APP1 segments are
// skipped by their lengths; the first APP1 whose data starts with "Exif\0\0" is taken. Any other
// marker, a bad length or a missing start-of-image marker gives false.
bool LocateExif(const std::uint8_t* data, std::size_t size, ExifLocation& out);

// The TIFF block at `location`: byte order "II" or "MM" and the number 42; false otherwise.
bool OpenTiff(const std::uint8_t* data, const ExifLocation& location, TiffView& out);

// The offset of IFD0 as stored in the TIFF header.
bool FirstIfdOffset(const TiffView& tiff, std::uint32_t& out);

// LocateExif, OpenTiff, FirstIfdOffset and ReadIfd in turn: the JPEG's EXIF block down to its
// IFD0. False when any step fails.
bool OpenFirstIfd(const std::uint8_t* data, std::size_t size, ExifLocation& location,
                  TiffView& tiff, Ifd& ifd0);

// Text of an ASCII entry (up to its first zero byte); false when it lies outside the block.
bool ReadAscii(const TiffView& tiff, const IfdEntry& entry, std::string& out);

// Writes 16- and 32-bit numbers in the given byte order.
void Put16(std::uint8_t* at, std::uint16_t value, ByteOrder order);
void Put32(std::uint8_t* at, std::uint32_t value, ByteOrder order);

} // namespace divuzo::exif
