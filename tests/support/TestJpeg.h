#pragma once
// Makes small but complete camera-style JPEG files for the photo tests and the benchmark:
// SOI, optional APP0 (JFIF), APP1 "Exif" with IFD0 (Make, Model, resolutions, DateTime, Exif
// pointer), the Exif directory (exposure, version, DateTimeOriginal, CreateDate, maker note,
// interoperability pointer), the interoperability directory, IFD1 with an embedded thumbnail
// JPEG, then the image itself. Little- or big-endian. Header-only, no test framework needed.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace divuzo::test {

enum class MakerNoteKind { None, Canon, Sony, Fujifilm };

struct TestPhoto {
  bool bigEndian = false;
  std::string make = "Canon";
  std::string model = "Canon EOS 5D";
  std::string dateTime = "2012:04:02 19:15:00";          // IFD0 DateTime (tag 306)
  std::string dateTimeOriginal = "2012:04:02 19:15:00";  // empty: tag left out
  MakerNoteKind makerNote = MakerNoteKind::Canon;
  bool exifDirectory = true;  // false: no Exif pointer in IFD0
  bool interop = true;
  bool thumbnail = true;      // false: no IFD1 and no thumbnail
  bool jfifFirst = false;     // an APP0 JFIF segment before the APP1
};

// The embedded thumbnail (an 8x8 JPEG) and the main image (16x12), made once with ImageMagick
// and kept here without their JFIF APP0 segments.
inline const std::string& TestThumbnailJpeg() {
  static const std::string bytes(
    "\xff\xd8\xff\xdb\x00\x43\x00\x10\x0b\x0c\x0e\x0c\x0a\x10\x0e\x0d\x0e\x12\x11\x10\x13\x18\x28\x1a"
    "\x18\x16\x16\x18\x31\x23\x25\x1d\x28\x3a\x33\x3d\x3c\x39\x33\x38\x37\x40\x48\x5c\x4e\x40\x44\x57"
    "\x45\x37\x38\x50\x6d\x51\x57\x5f\x62\x67\x68\x67\x3e\x4d\x71\x79\x70\x64\x78\x5c\x65\x67\x63\xff"
    "\xdb\x00\x43\x01\x11\x12\x12\x18\x15\x18\x2f\x1a\x1a\x2f\x63\x42\x38\x42\x63\x63\x63\x63\x63\x63"
    "\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63"
    "\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\xff\xc0\x00\x11"
    "\x08\x00\x08\x00\x08\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01\xff\xc4\x00\x15\x00\x01\x01\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x04\xff\xc4\x00\x14\x10\x01\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xc4\x00\x14\x01\x01\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x05\xff\xc4\x00\x14\x11\x01\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\xff\xda\x00\x0c\x03\x01\x00\x02\x11\x03\x11\x00\x3f\x00\x80\x03"
    "\x83\xdf\xff\xd9",
      268);
  return bytes;
}

inline const std::string& TestBodyJpeg() {
  static const std::string bytes(
    "\xff\xd8\xff\xdb\x00\x43\x00\x10\x0b\x0c\x0e\x0c\x0a\x10\x0e\x0d\x0e\x12\x11\x10\x13\x18\x28\x1a"
    "\x18\x16\x16\x18\x31\x23\x25\x1d\x28\x3a\x33\x3d\x3c\x39\x33\x38\x37\x40\x48\x5c\x4e\x40\x44\x57"
    "\x45\x37\x38\x50\x6d\x51\x57\x5f\x62\x67\x68\x67\x3e\x4d\x71\x79\x70\x64\x78\x5c\x65\x67\x63\xff"
    "\xdb\x00\x43\x01\x11\x12\x12\x18\x15\x18\x2f\x1a\x1a\x2f\x63\x42\x38\x42\x63\x63\x63\x63\x63\x63"
    "\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63"
    "\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\xff\xc0\x00\x11"
    "\x08\x00\x0c\x00\x10\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01\xff\xc4\x00\x16\x00\x01\x01\x01\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x04\x06\xff\xc4\x00\x19\x10\x00\x01\x05\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x12\x13\x51\x61\xff\xc4\x00\x14\x01\x01"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x05\xff\xc4\x00\x16\x11\x00\x03\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x03\x15\xff\xda\x00\x0c\x03\x01\x00\x02"
    "\x11\x03\x11\x00\x3f\x00\xcf\x4d\xa2\x6d\x20\x7a\xd8\x7a\xd8\xec\x75\x88\xd5\x61\xff\xd9",
      286);
  return bytes;
}

namespace detail {

struct TiffField {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  // The value bytes, given the offset where they will be placed (maker notes need it).
  std::function<std::string(std::uint32_t at)> data;
};

inline std::size_t FieldTypeSize(std::uint16_t type) {
  switch (type) {
    case 3: return 2;
    case 4: return 4;
    case 5: return 8;
    default: return 1;
  }
}

class TiffWriter {
public:
  explicit TiffWriter(bool big) : big_(big) {}

  std::string U16(std::uint32_t v) const {
    std::string s(2, '\0');
    s[big_ ? 0 : 1] = static_cast<char>(v >> 8);
    s[big_ ? 1 : 0] = static_cast<char>(v);
    return s;
  }
  std::string U32(std::uint32_t v) const {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[big_ ? 3 - i : i] = static_cast<char>(v >> (8 * i));
    return s;
  }

  TiffField Ascii(std::uint16_t tag, const std::string& text) const {
    const std::string bytes = text + std::string(1, '\0');
    return {tag, 2, static_cast<std::uint32_t>(bytes.size()),
            [bytes](std::uint32_t) { return bytes; }};
  }
  TiffField Short(std::uint16_t tag, std::vector<std::uint16_t> values) const {
    return {tag, 3, static_cast<std::uint32_t>(values.size()), [this, values](std::uint32_t) {
              std::string s;
              for (auto v : values) s += U16(v);
              return s;
            }};
  }
  // A LONG whose value is read from `target` when the field is written.
  TiffField Long(std::uint16_t tag, const std::uint32_t* target) const {
    return {tag, 4, 1, [this, target](std::uint32_t) { return U32(*target); }};
  }
  TiffField Rational(std::uint16_t tag, std::vector<std::pair<std::uint32_t, std::uint32_t>> v) const {
    return {tag, 5, static_cast<std::uint32_t>(v.size()), [this, v](std::uint32_t) {
              std::string s;
              for (auto [n, d] : v) s += U32(n) + U32(d);
              return s;
            }};
  }
  TiffField Undefined(std::uint16_t tag, const std::string& bytes) const {
    return {tag, 7, static_cast<std::uint32_t>(bytes.size()),
            [bytes](std::uint32_t) { return bytes; }};
  }

  static std::uint32_t DataSize(const TiffField& f) {
    return static_cast<std::uint32_t>(f.count * FieldTypeSize(f.type));
  }
  // Bytes a directory takes with its out-of-line data (each piece padded to an even length).
  static std::uint32_t DirectorySize(const std::vector<TiffField>& fields) {
    std::uint32_t size = 2 + 12 * static_cast<std::uint32_t>(fields.size()) + 4;
    for (const auto& f : fields) {
      const std::uint32_t n = DataSize(f);
      if (n > 4) size += n + (n & 1);
    }
    return size;
  }
  // The directory placed at offset `at`, its data right behind its table.
  std::string Directory(std::uint32_t at, const std::vector<TiffField>& fields,
                        std::uint32_t next) const {
    std::string table = U16(static_cast<std::uint32_t>(fields.size()));
    std::string data;
    std::uint32_t dataAt = at + 2 + 12 * static_cast<std::uint32_t>(fields.size()) + 4;
    for (const auto& f : fields) {
      const std::uint32_t n = DataSize(f);
      table += U16(f.tag) + U16(f.type) + U32(f.count);
      if (n > 4) {
        table += U32(dataAt);
        std::string bytes = f.data(dataAt);
        bytes.resize(n + (n & 1), '\0');
        data += bytes;
        dataAt += static_cast<std::uint32_t>(bytes.size());
      } else {
        std::string bytes = f.data(0);
        bytes.resize(4, '\0');
        table += bytes;
      }
    }
    return table + U32(next) + data;
  }

private:
  bool big_;
};

inline std::string Segment(std::uint8_t marker, const std::string& body) {
  const std::size_t length = body.size() + 2;
  std::string s;
  s += '\xFF';
  s += static_cast<char>(marker);
  s += static_cast<char>(length >> 8);
  s += static_cast<char>(length & 0xFF);
  return s + body;
}

} // namespace detail

// The TIFF block (byte order mark onwards) of the photo.
inline std::string MakeTestTiff(const TestPhoto& photo) {
  using detail::TiffField;
  const detail::TiffWriter w(photo.bigEndian);
  std::uint32_t exifAt = 0, interopAt = 0, ifd1At = 0, thumbAt = 0;
  const std::uint32_t thumbLength = static_cast<std::uint32_t>(TestThumbnailJpeg().size());

  std::vector<TiffField> ifd0 = {
      w.Ascii(271, photo.make), w.Ascii(272, photo.model), w.Short(274, {1}),
      w.Rational(282, {{72, 1}}), w.Rational(283, {{72, 1}}), w.Short(296, {2}),
      w.Ascii(306, photo.dateTime)};
  if (photo.exifDirectory) ifd0.push_back(w.Long(34665, &exifAt));

  std::vector<TiffField> exif = {w.Rational(33434, {{1, 125}}), w.Undefined(36864, "0230")};
  if (!photo.dateTimeOriginal.empty()) exif.push_back(w.Ascii(36867, photo.dateTimeOriginal));
  exif.push_back(w.Ascii(36868, photo.dateTime));

  // Maker notes: Canon's is a directory with offsets from the TIFF header; Sony's the same
  // behind a 12-byte header; Fujifilm's a header and a little-endian directory with offsets
  // from the note's own start.
  switch (photo.makerNote) {
    case MakerNoteKind::None: break;
    case MakerNoteKind::Canon: {
      const std::vector<TiffField> note = {w.Short(1, {20, 2, 0, 4, 0, 0, 1, 0, 3, 1}),
                                           w.Ascii(6, "Canon EOS 5D"),
                                           w.Ascii(7, "Firmware 1.1.1"),
                                           w.Short(9, {1})};
      const std::uint32_t size = detail::TiffWriter::DirectorySize(note);
      exif.push_back({37500, 7, size, [w, note](std::uint32_t at) {
                        return w.Directory(at, note, 0);
                      }});
      break;
    }
    case MakerNoteKind::Sony: {
      const std::vector<TiffField> note = {w.Short(0x0102, {2}), w.Ascii(0xB020, "Standard"),
                                           w.Short(0xB041, {1}), w.Ascii(0x2003, "")};
      const std::string header("SONY DSC \0\0\0", 12);
      const std::uint32_t size = 12 + detail::TiffWriter::DirectorySize(note);
      exif.push_back({37500, 7, size, [w, note, header](std::uint32_t at) {
                        return header + w.Directory(at + 12, note, 0);
                      }});
      break;
    }
    case MakerNoteKind::Fujifilm: {
      const detail::TiffWriter little(false);
      const std::vector<TiffField> note = {little.Undefined(0, "0130"),
                                           little.Ascii(0x1000, "NORMAL ")};
      std::string bytes = std::string("FUJIFILM") + little.U32(12) + little.Directory(12, note, 0);
      exif.push_back(w.Undefined(37500, bytes));
      break;
    }
  }
  if (photo.interop) exif.push_back(w.Long(40965, &interopAt));
  const std::vector<TiffField> interop = {w.Ascii(1, "R98"), w.Undefined(2, "0100")};

  std::vector<TiffField> ifd1;
  if (photo.thumbnail) {
    ifd1 = {w.Short(259, {6}), w.Rational(282, {{72, 1}}), w.Rational(283, {{72, 1}}),
            w.Short(296, {2}), w.Long(513, &thumbAt), w.Long(514, &thumbLength)};
  }

  using detail::TiffWriter;
  const std::uint32_t ifd0At = 8;
  exifAt = photo.exifDirectory ? ifd0At + TiffWriter::DirectorySize(ifd0) : 0;
  const std::uint32_t afterExif =
      ifd0At + TiffWriter::DirectorySize(ifd0) +
      (photo.exifDirectory ? TiffWriter::DirectorySize(exif) : 0);
  interopAt = photo.exifDirectory && photo.interop ? afterExif : 0;
  const std::uint32_t afterInterop =
      afterExif + (interopAt != 0 ? TiffWriter::DirectorySize(interop) : 0);
  ifd1At = photo.thumbnail ? afterInterop : 0;
  thumbAt = photo.thumbnail ? afterInterop + TiffWriter::DirectorySize(ifd1) : 0;

  std::string tiff = photo.bigEndian ? std::string("MM") : std::string("II");
  tiff += w.U16(42) + w.U32(ifd0At);
  tiff += w.Directory(ifd0At, ifd0, ifd1At);
  if (photo.exifDirectory) tiff += w.Directory(exifAt, exif, 0);
  if (interopAt != 0) tiff += w.Directory(interopAt, interop, 0);
  if (photo.thumbnail) tiff += w.Directory(ifd1At, ifd1, 0) + TestThumbnailJpeg();
  return tiff;
}

// The whole JPEG file.
inline std::string MakeTestJpeg(const TestPhoto& photo) {
  std::string jpeg("\xFF\xD8", 2);
  if (photo.jfifFirst) {
    jpeg += detail::Segment(0xE0, std::string("JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14));
  }
  jpeg += detail::Segment(0xE1, std::string("Exif\0\0", 6) + MakeTestTiff(photo));
  jpeg += TestBodyJpeg().substr(2);  // the image after its own SOI
  return jpeg;
}

} // namespace divuzo::test
