#pragma once
// Makes small but complete camera-style JPEG files for the photo tests and the benchmark, laid
// out the way Canon and Sony cameras write them: SOI, optional APP0 (JFIF), APP1 "Exif" with
// IFD0, the Exif directory with the maker note, the interoperability directory, IFD1 with an
// embedded thumbnail JPEG, then the image itself. Every directory holds its tags in ascending
// order and the tags a JPEG's EXIF block must carry; every offset is even, as TIFF asks; the
// directories follow one another in the cameras' order, each with its data right behind it.
// Maker notes keep their makers' conventions: Canon's is a directory whose offsets count from
// the TIFF header and that ends in an 8-byte footer (byte-order mark and the note's own
// offset); Sony's is a "SONY DSC " header and then such a directory; Sony's IFD0 carries a
// PrintIM block after the Exif pointer. Little- or big-endian. Header-only.
#include <algorithm>
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
  bool canonFooter = true;    // Canon maker note ends in its footer
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
    case 3: case 8: return 2;
    case 4: case 9: return 4;
    case 5: case 10: return 8;
    default: return 1;
  }
}

class TiffWriter {
public:
  explicit TiffWriter(bool big) : big_(big) {}

  bool big() const { return big_; }
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
  // ASCII in a fixed-size field, zero filled (Canon's names and versions).
  TiffField AsciiField(std::uint16_t tag, const std::string& text, std::uint32_t size) const {
    std::string bytes = text;
    bytes.resize(size, '\0');
    return {tag, 2, size, [bytes](std::uint32_t) { return bytes; }};
  }
  TiffField Short(std::uint16_t tag, std::vector<std::uint16_t> values) const {
    return {tag, 3, static_cast<std::uint32_t>(values.size()), [this, values](std::uint32_t) {
              std::string s;
              for (auto v : values) s += U16(v);
              return s;
            }};
  }
  TiffField LongValue(std::uint16_t tag, std::uint32_t value) const {
    return {tag, 4, 1, [this, value](std::uint32_t) { return U32(value); }};
  }
  // A LONG whose value is read from `target` when the field is written.
  TiffField Long(std::uint16_t tag, const std::uint32_t* target) const {
    return {tag, 4, 1, [this, target](std::uint32_t) { return U32(*target); }};
  }
  TiffField Rational(std::uint16_t tag, std::vector<std::pair<std::uint32_t, std::uint32_t>> v,
                     std::uint16_t type = 5) const {
    return {tag, type, static_cast<std::uint32_t>(v.size()), [this, v](std::uint32_t) {
              std::string s;
              for (auto [n, d] : v) s += U32(n) + U32(d);
              return s;
            }};
  }
  TiffField SRational(std::uint16_t tag, std::int32_t n, std::int32_t d) const {
    return Rational(tag, {{static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(d)}}, 10);
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
  // The directory placed at offset `at`, its data right behind its table, its tags in
  // ascending order.
  std::string Directory(std::uint32_t at, std::vector<TiffField> fields,
                        std::uint32_t next) const {
    std::stable_sort(fields.begin(), fields.end(),
                     [](const TiffField& a, const TiffField& b) { return a.tag < b.tag; });
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

// Canon's maker note: a directory whose data offsets count from the TIFF header, then the
// footer: the TIFF byte-order mark and the offset at which the note was written.
inline TiffField CanonMakerNote(const TiffWriter& w, bool footer) {
  const std::vector<TiffField> note = {
      w.Short(0x0001, {20, 2, 0, 4, 0, 0, 1, 0, 3, 1}),  // camera settings, size in bytes first
      w.Short(0x0002, {0, 50, 33, 23}),                   // focal length
      w.AsciiField(0x0006, "Canon EOS 5D", 32),           // image type
      w.AsciiField(0x0007, "Firmware 1.1.1", 32),         // firmware version
      w.AsciiField(0x0009, "", 32),                       // owner name
      w.LongValue(0x0010, 0x80000213)};                   // model id
  const std::uint32_t size = TiffWriter::DirectorySize(note) + (footer ? 8 : 0);
  return {37500, 7, size, [w, note, footer](std::uint32_t at) {
            std::string bytes = w.Directory(at, note, 0);
            if (footer) bytes += std::string(w.big() ? "MM\0*" : "II*\0", 4) + w.U32(at);
            return bytes;
          }};
}

// Sony's: "SONY DSC " and three zero bytes, then a directory with offsets from the TIFF header.
inline TiffField SonyMakerNote(const TiffWriter& w) {
  const std::vector<TiffField> note = {
      w.LongValue(0x0102, 2),               // quality
      w.SRational(0x0104, 0, 10),           // flash exposure compensation
      w.LongValue(0x0115, 0),               // white balance
      w.Ascii(0xB020, "Standard"),          // creative style
      w.Short(0xB040, {0}),                 // macro
      w.Short(0xB041, {1})};                // exposure mode
  const std::string header("SONY DSC \0\0\0", 12);
  const std::uint32_t size = 12 + TiffWriter::DirectorySize(note);
  return {37500, 7, size, [w, note, header](std::uint32_t at) {
            return header + w.Directory(at + 12, note, 0);
          }};
}

// Fujifilm's: a header and a little-endian directory with offsets from the note's own start.
inline TiffField FujifilmMakerNote(const TiffWriter& w) {
  const TiffWriter little(false);
  const std::vector<TiffField> note = {little.Undefined(0, "0130"),
                                       little.Ascii(0x1000, "NORMAL ")};
  return w.Undefined(37500,
                     std::string("FUJIFILM") + little.U32(12) + little.Directory(12, note, 0));
}

// PrintIM block as Sony writes it into IFD0: header, version, two entries.
inline std::string PrintImBlock(const TiffWriter& w) {
  std::string bytes("PrintIM\0" "0300\0\0", 14);
  bytes += w.U16(2);
  bytes += w.U16(0x0001) + w.U32(0x00160016);
  bytes += w.U16(0x0002) + w.U32(0x00000001);
  return bytes;
}

} // namespace detail

// The TIFF block (byte order mark onwards) of the photo.
inline std::string MakeTestTiff(const TestPhoto& photo) {
  using detail::TiffField;
  using detail::TiffWriter;
  const TiffWriter w(photo.bigEndian);
  const bool sony = photo.make.rfind("SONY", 0) == 0;
  std::uint32_t exifAt = 0, interopAt = 0, ifd1At = 0, thumbAt = 0;
  const std::uint32_t thumbLength = static_cast<std::uint32_t>(TestThumbnailJpeg().size());

  std::vector<TiffField> ifd0 = {
      w.Ascii(271, photo.make), w.Ascii(272, photo.model), w.Short(274, {1}),
      w.Rational(282, {{72, 1}}), w.Rational(283, {{72, 1}}), w.Short(296, {2}),
      w.Ascii(306, photo.dateTime), w.Short(531, {2})};
  if (sony) {
    ifd0.push_back(w.Ascii(270, std::string(31, ' ')));
    ifd0.push_back(w.Ascii(305, "DSC-RX100 v1.00"));
    ifd0.push_back(w.Undefined(50341, detail::PrintImBlock(w)));
  }
  if (photo.exifDirectory) ifd0.push_back(w.Long(34665, &exifAt));

  std::vector<TiffField> exif = {
      w.Rational(33434, {{1, 125}}), w.Rational(33437, {{56, 10}}), w.Short(34850, {2}),
      w.Short(34855, {200}),         w.Undefined(36864, "0230"),
      w.Ascii(36868, photo.dateTime), w.Undefined(37121, std::string("\x01\x02\x03\x00", 4)),
      w.SRational(37380, 0, 3),      w.Short(37383, {5}),
      w.Short(37385, {16}),          w.Rational(37386, {{50, 1}}),
      w.Undefined(40960, "0100"),    w.Short(40961, {1}),
      w.Short(40962, {16}),          w.Short(40963, {12})};
  if (!photo.dateTimeOriginal.empty()) exif.push_back(w.Ascii(36867, photo.dateTimeOriginal));
  switch (photo.makerNote) {
    case MakerNoteKind::None: break;
    case MakerNoteKind::Canon: exif.push_back(detail::CanonMakerNote(w, photo.canonFooter)); break;
    case MakerNoteKind::Sony: exif.push_back(detail::SonyMakerNote(w)); break;
    case MakerNoteKind::Fujifilm: exif.push_back(detail::FujifilmMakerNote(w)); break;
  }
  // Canon leaves an empty user comment of 264 bytes (character code and text all zero).
  if (photo.makerNote == MakerNoteKind::Canon) {
    exif.push_back(w.Undefined(37510, std::string(264, '\0')));
  }
  if (photo.interop) exif.push_back(w.Long(40965, &interopAt));
  const std::vector<TiffField> interop = {w.Ascii(1, "R98"), w.Undefined(2, "0100")};

  std::vector<TiffField> ifd1;
  if (photo.thumbnail) {
    ifd1 = {w.Short(259, {6}), w.Rational(282, {{72, 1}}), w.Rational(283, {{72, 1}}),
            w.Short(296, {2}), w.Long(513, &thumbAt), w.Long(514, &thumbLength)};
  }

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
