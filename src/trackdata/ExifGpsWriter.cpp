#include "trackdata/ExifGpsWriter.h"

#include "trackdata/ExifTiff.h"
#include "trackdata/PhotoTexts.h"

#include "platform/AtomicFile.h"
#include "platform/FileIo.h"
#include "platform/InputFile.h"
#include "platform/Utf8Path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>
#include <system_error>

namespace divuzo {

namespace {

using namespace exif;

constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kMaxSegmentLength = 0xFFFF;
// The largest photo copied; far beyond any camera's JPEG.
constexpr std::uint64_t kMostPhotoBytes = std::uint64_t{1} << 30;

GpsPhotoResult Fail(std::string message) {
  GpsPhotoResult result;
  result.status = GpsPhotoStatus::Failed;
  result.message = std::move(message);
  return result;
}

// A rational degree value as degrees/1, minutes/1, hundredths of seconds/100, each taken whole
// (truncated). The hemisphere goes into the reference letter, so the parts are stored unsigned.
struct Dms {
  std::uint32_t degrees, minutes, hundredths;
};

Dms ToDms(double value) {
  const double magnitude = std::fabs(value);
  const double degrees = std::trunc(magnitude);
  const double minutesExact = (magnitude - degrees) * 60.0;
  const double minutes = std::floor(minutesExact);
  const double hundredths = std::floor((minutesExact - minutes) * 60.0 * 100.0);
  return {static_cast<std::uint32_t>(degrees), static_cast<std::uint32_t>(minutes),
          static_cast<std::uint32_t>(hundredths)};
}

// Reference letter of a signed coordinate: positive, negative, or a zero byte for exactly 0.
char Hemisphere(double value, char positive, char negative) {
  if (value > 0) return positive;
  if (value < 0) return negative;
  return 0;
}

class DirectoryWriter {
public:
  DirectoryWriter(std::uint8_t* base, ByteOrder order) : base_(base), order_(order) {}

  void Entry(std::size_t index, std::uint16_t tag, std::uint16_t type, std::uint32_t count) {
    std::uint8_t* at = base_ + 2 + index * kEntrySize;
    Put16(at, tag, order_);
    Put16(at + 2, type, order_);
    Put32(at + 4, count, order_);
  }
  std::uint8_t* ValueField(std::size_t index) { return base_ + 2 + index * kEntrySize + 8; }
  void Rational(std::size_t at, std::uint32_t numerator, std::uint32_t denominator) {
    Put32(base_ + at, numerator, order_);
    Put32(base_ + at + 4, denominator, order_);
  }
  void Long(std::uint8_t* at, std::uint32_t value) { Put32(at, value, order_); }
  void Short(std::size_t at, std::uint16_t value) { Put16(base_ + at, value, order_); }

private:
  std::uint8_t* base_;
  ByteOrder order_;
};

// The GPS directory at offset `position` of the TIFF block: nine entries, the next-directory
// offset (0: no directory follows), then the values, each starting on an even offset.
bool BuildGpsDirectory(const GpsFix& fix, ByteOrder order, std::uint32_t position,
                       std::uint8_t* out) {
  if (!std::isfinite(fix.latitude) || !std::isfinite(fix.longitude) ||
      !std::isfinite(fix.height) || std::fabs(fix.latitude) > 90.0 ||
      std::fabs(fix.longitude) > 180.0 || std::fabs(fix.height) > 1.0e7) {
    return false;
  }
  const std::time_t time = static_cast<std::time_t>(fix.time);
  std::tm utc{};
  if (gmtime_r(&time, &utc) == nullptr || utc.tm_year + 1900 < 0 || utc.tm_year + 1900 > 9999) {
    return false;
  }

  constexpr std::size_t kLatitude = 114, kLongitude = 138, kAltitude = 162, kTimeStamp = 170,
                        kDateStamp = 194;
  std::memset(out, 0, kGpsDirectorySize);
  DirectoryWriter dir(out, order);
  dir.Short(0, 9);

  dir.Entry(0, 0, 1, 4);  // version 2.2.0.0 (BYTE x 4)
  std::memcpy(dir.ValueField(0), "\x02\x02\x00\x00", 4);

  dir.Entry(1, 1, 2, 2);
  dir.ValueField(1)[0] = static_cast<std::uint8_t>(Hemisphere(fix.latitude, 'N', 'S'));
  dir.Entry(2, 2, 5, 3);
  dir.Long(dir.ValueField(2), position + kLatitude);

  dir.Entry(3, 3, 2, 2);
  dir.ValueField(3)[0] = static_cast<std::uint8_t>(Hemisphere(fix.longitude, 'E', 'W'));
  dir.Entry(4, 4, 5, 3);
  dir.Long(dir.ValueField(4), position + kLongitude);

  // Height in centimetres, rounded half up; below sea level sets the reference to 1.
  const double centimetres = std::floor(fix.height * 100.0 + 0.5);
  dir.Entry(5, 5, 1, 1);
  dir.ValueField(5)[0] = centimetres < 0 ? 1 : 0;
  dir.Entry(6, 6, 5, 1);
  dir.Long(dir.ValueField(6), position + kAltitude);

  dir.Entry(7, 7, 5, 3);
  dir.Long(dir.ValueField(7), position + kTimeStamp);
  dir.Entry(8, 29, 2, 11);
  dir.Long(dir.ValueField(8), position + kDateStamp);

  const Dms latitude = ToDms(fix.latitude);
  dir.Rational(kLatitude, latitude.degrees, 1);
  dir.Rational(kLatitude + 8, latitude.minutes, 1);
  dir.Rational(kLatitude + 16, latitude.hundredths, 100);
  const Dms longitude = ToDms(fix.longitude);
  dir.Rational(kLongitude, longitude.degrees, 1);
  dir.Rational(kLongitude + 8, longitude.minutes, 1);
  dir.Rational(kLongitude + 16, longitude.hundredths, 100);
  dir.Rational(kAltitude, static_cast<std::uint32_t>(std::fabs(centimetres)), 100);
  dir.Rational(kTimeStamp, static_cast<std::uint32_t>(utc.tm_hour), 1);
  dir.Rational(kTimeStamp + 8, static_cast<std::uint32_t>(utc.tm_min), 1);
  dir.Rational(kTimeStamp + 16, static_cast<std::uint32_t>(utc.tm_sec), 1);
  char date[48];
  std::snprintf(date, sizeof date, "%04d:%02d:%02d", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday);
  std::memcpy(out + kDateStamp, date, 10);  // the eleventh byte stays zero
  return true;
}

// Collects the places that hold offsets into the TIFF block, so that they can be moved when
// bytes are inserted. A place is the position of a 4-byte value field.
class OffsetPlan {
public:
  explicit OffsetPlan(const TiffView& tiff) : tiff_(tiff) {}

  // Every entry whose data lies elsewhere; false when that data is outside the block.
  bool AddDirectory(const Ifd& ifd) {
    for (const auto& entry : ifd.entries) {
      if (!entry.HasOffsetData()) continue;
      if (!DataFits(tiff_, entry)) return false;
      places_.insert(entry.ValueFieldPosition());
      blocks_.push_back({entry.value, entry.dataSize});
    }
    return true;
  }
  // A pointer entry (directory or thumbnail offset) whose value is an offset.
  bool AddPointer(const IfdEntry& entry) {
    if (entry.value > tiff_.size()) return false;
    places_.insert(entry.ValueFieldPosition());
    return true;
  }
  void AddPlace(std::size_t position) { places_.insert(position); }
  void AddBlock(std::uint64_t offset, std::uint64_t length) { blocks_.push_back({offset, length}); }

  // No data block may straddle an insertion point: the insertion would split it.
  bool NoBlockStraddles(std::uint64_t position) const {
    for (const auto& block : blocks_) {
      if (block.offset < position && position < block.offset + block.length) return false;
    }
    return true;
  }
  const std::set<std::size_t>& places() const { return places_; }

private:
  struct Block {
    std::uint64_t offset, length;
  };
  const TiffView& tiff_;
  std::set<std::size_t> places_;
  std::vector<Block> blocks_;
};

// A directory other than IFD0 (whose table receives the new entry) and its data.
bool AddIfdExtent(OffsetPlan& plan, const Ifd& ifd) {
  plan.AddBlock(ifd.offset, 2 + ifd.entries.size() * kEntrySize + 4);
  return plan.AddDirectory(ifd);
}

// The maker note as a directory: Canon's starts with its entry count, Sony's after a 12-byte
// header ("SONY DSC " and three zero bytes).
bool AddMakerNote(OffsetPlan& plan, const TiffView& tiff, const IfdEntry& note, bool sony) {
  if (note.type != 7 && note.type != 1) return true;  // not a block of bytes: nothing to follow
  if (!DataFits(tiff, note)) return false;
  std::uint64_t start = note.DataOffset();
  if (sony && note.dataSize >= 12 && std::memcmp(tiff.data() + start, "SONY", 4) == 0) start += 12;
  Ifd directory;
  if (!ReadIfd(tiff, start, directory)) return false;
  const std::uint64_t noteEnd = note.DataOffset() + note.dataSize;
  if (directory.nextPointerPosition > noteEnd) return false;
  // Canon's note may end in a footer: the TIFF byte-order mark and the offset at which the note
  // was written. Readers compare it with where they find the note, so it moves with the note.
  constexpr std::size_t kFooterSize = 8;
  if (!sony && noteEnd >= directory.nextPointerPosition + 4 + kFooterSize) {
    const std::uint8_t* footer = tiff.data() + noteEnd - kFooterSize;
    const char* mark = tiff.order() == ByteOrder::Little ? "II*\0" : "MM\0*";
    if (std::memcmp(footer, mark, 4) == 0) plan.AddPlace(noteEnd - 4);
  }
  return plan.AddDirectory(directory);
}

} // namespace

GpsPhotoResult BuildGpsPhoto(const std::uint8_t* data, std::size_t size, const GpsFix& fix,
                             std::vector<std::uint8_t>& out) {
  out.clear();
  ExifLocation location;
  TiffView tiff;
  Ifd ifd0;
  if (!OpenFirstIfd(data, size, location, tiff, ifd0)) {
    return Fail(kNotExifFormat);
  }

  // Camera maker: only these maker notes use offsets that this copy knows how to move.
  std::string make;
  const IfdEntry* makeEntry = ifd0.Find(kTagMake);
  if (makeEntry != nullptr) ReadAscii(tiff, *makeEntry, make);
  const bool canon = make.rfind("Canon", 0) == 0;
  const bool sony = make.rfind("SONY", 0) == 0;
  if (!canon && !sony) {
    GpsPhotoResult refused;
    refused.status = GpsPhotoStatus::MakerRefused;
    refused.message = PhotoText(kPhotoTextMakerRefused);
    return refused;
  }

  const IfdEntry* exifPointer = ifd0.Find(kTagExifPointer);
  if (exifPointer == nullptr) return Fail(kNoExifDirectory);
  const IfdEntry* oldGpsPointer = ifd0.Find(kTagGpsPointer);

  OffsetPlan plan(tiff);
  if (!plan.AddDirectory(ifd0) || !plan.AddPointer(*exifPointer)) return Fail(kNotExifFormat);
  if (ifd0.next != 0) plan.AddPlace(ifd0.nextPointerPosition);

  Ifd exifIfd;
  if (!ReadIfd(tiff, exifPointer->value, exifIfd) || !AddIfdExtent(plan, exifIfd)) {
    return Fail(kNotExifFormat);
  }
  if (const IfdEntry* note = exifIfd.Find(kTagMakerNote)) {
    if (!AddMakerNote(plan, tiff, *note, sony)) return Fail(kNotExifFormat);
  }
  if (const IfdEntry* interop = exifIfd.Find(kTagInteropPointer)) {
    Ifd interopIfd;
    if (!plan.AddPointer(*interop) || !ReadIfd(tiff, interop->value, interopIfd) ||
        !AddIfdExtent(plan, interopIfd)) {
      return Fail(kNotExifFormat);
    }
  }
  if (ifd0.next != 0) {
    Ifd ifd1;
    if (!ReadIfd(tiff, ifd0.next, ifd1) || !AddIfdExtent(plan, ifd1)) return Fail(kNotExifFormat);
    if (const IfdEntry* thumbnail = ifd1.Find(kTagThumbnailOffset)) {
      if (!plan.AddPointer(*thumbnail)) return Fail(kNotExifFormat);
    }
    if (ifd1.next != 0) plan.AddPlace(ifd1.nextPointerPosition);
  }

  // Insertion points: the new IFD0 entry goes in tag order, before the first entry with a
  // higher tag or else in front of IFD0's next pointer (unless the photo already has a GPS
  // pointer, which is then redirected); the GPS directory goes where IFD1 starts (at the end of
  // the block without IFD1), after a pad byte when that place is odd.
  std::size_t entryAt = ifd0.nextPointerPosition;
  for (const auto& entry : ifd0.entries) {
    if (entry.tag > kTagGpsPointer) {
      entryAt = entry.position;
      break;
    }
  }
  const std::size_t entryGrowth = oldGpsPointer != nullptr ? 0 : kEntrySize;
  const std::size_t gpsAt = ifd0.next != 0 ? ifd0.next : tiff.size();
  const std::size_t gpsPad = gpsAt % 2;
  const std::size_t gpsGrowth = gpsPad + kGpsDirectorySize;
  if (gpsAt < ifd0.nextPointerPosition + 4 || !plan.NoBlockStraddles(entryAt) ||
      !plan.NoBlockStraddles(gpsAt)) {
    return Fail(kNotExifFormat);
  }
  const std::size_t oldSegmentLength = location.segmentEnd - location.segmentStart - 2;
  const std::size_t newSegmentLength = oldSegmentLength + entryGrowth + gpsGrowth;
  if (newSegmentLength > kMaxSegmentLength) return Fail(kNotExifFormat);

  auto moved = [&](std::uint64_t offset) -> std::uint64_t {
    return offset + (offset >= entryAt ? entryGrowth : 0) + (offset >= gpsAt ? gpsGrowth : 0);
  };
  const std::uint32_t gpsPosition = static_cast<std::uint32_t>(gpsAt + entryGrowth + gpsPad);
  const ByteOrder order = tiff.order();

  std::uint8_t gps[kGpsDirectorySize];
  if (!BuildGpsDirectory(fix, order, gpsPosition, gps)) {
    return Fail(PhotoText(kPhotoTextPointOutOfRange));
  }

  // Assemble: everything before the segment, the segment with both insertions, the rest.
  const std::uint8_t* t = tiff.data();
  out.reserve(size + entryGrowth + gpsGrowth);
  out.insert(out.end(), data, data + location.segmentStart);
  out.push_back(0xFF);
  out.push_back(0xE1);
  out.push_back(static_cast<std::uint8_t>(newSegmentLength >> 8));
  out.push_back(static_cast<std::uint8_t>(newSegmentLength));
  out.insert(out.end(), data + location.segmentStart + 4, data + location.tiffStart);
  const std::size_t tiffOut = out.size();
  out.insert(out.end(), t, t + entryAt);
  if (entryGrowth != 0) {
    std::uint8_t entry[kEntrySize];
    Put16(entry, kTagGpsPointer, order);
    Put16(entry + 2, 4, order);
    Put32(entry + 4, 1, order);
    Put32(entry + 8, gpsPosition, order);
    out.insert(out.end(), entry, entry + kEntrySize);
  }
  out.insert(out.end(), t + entryAt, t + gpsAt);
  out.insert(out.end(), gpsPad, 0);
  out.insert(out.end(), gps, gps + kGpsDirectorySize);
  out.insert(out.end(), t + gpsAt, t + tiff.size());
  out.insert(out.end(), data + location.segmentEnd, data + size);

  std::uint8_t* newTiff = out.data() + tiffOut;
  if (entryGrowth != 0) {
    Put16(newTiff + ifd0.offset, static_cast<std::uint16_t>(ifd0.entries.size() + 1), order);
  } else {
    Put32(newTiff + moved(oldGpsPointer->ValueFieldPosition()), gpsPosition, order);
  }
  for (std::size_t place : plan.places()) {
    std::uint32_t value = 0;
    tiff.U32(place, value);
    Put32(newTiff + moved(place), static_cast<std::uint32_t>(moved(value)), order);
  }

  GpsPhotoResult result;
  result.status = GpsPhotoStatus::Written;
  return result;
}

std::filesystem::path GpsFolderFor(const std::filesystem::path& photoFolder) {
  return photoFolder / "GPS";
}

namespace {

// The copies' folder must be a folder of its own: never a link (which may lead anywhere, the
// originals' folder included) and never the photos' folder itself (a bind mount, say), so that
// no copy can take an original's place. A folder that does not exist yet is made later.
bool GpsFolderIsSafe(const std::filesystem::path& folder, const std::filesystem::path& photos) {
  std::error_code ec;
  const std::filesystem::file_status info = std::filesystem::symlink_status(folder, ec);
  if (ec || !std::filesystem::exists(info)) return true;  // missing, or the write will say why
  if (std::filesystem::is_symlink(info)) return false;
  return !std::filesystem::is_directory(info) || !std::filesystem::equivalent(folder, photos, ec);
}

GpsPhotoResult UnsafeGpsFolder(const std::filesystem::path& folder) {
  return Fail(PhotoText(kPhotoTextGpsFolderUnsafe) + Utf8FromPath(folder));
}

void RemoveIfEmptyFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec) && std::filesystem::is_empty(folder, ec) && !ec) {
    std::filesystem::remove(folder, ec);
  }
}

} // namespace

GpsPhotoResult WriteGpsPhoto(const std::filesystem::path& photo, const GpsFix& fix) {
  GpsPhotoBatch batch;
  GpsPhotoResult result = batch.Add(photo, fix);
  if (result.status != GpsPhotoStatus::Written) return result;
  std::vector<GpsPhotoResult> failures = batch.Commit();
  return failures.empty() ? result : failures.front();
}

GpsPhotoBatch::~GpsPhotoBatch() { Discard(); }

GpsPhotoResult GpsPhotoBatch::Add(const std::filesystem::path& photo, const GpsFix& fix) {
  const std::filesystem::path photos = photo.has_parent_path() ? photo.parent_path() : ".";
  const std::filesystem::path folder = GpsFolderFor(photos);
  if (!GpsFolderIsSafe(folder, photos)) return UnsafeGpsFolder(folder);
  std::vector<std::uint8_t> original;
  std::string readError;
  if (!ReadInputFile(photo, kMostPhotoBytes, original, &readError)) {
    RemoveIfEmptyFolder(folder);
    return Fail(readError);
  }
  std::vector<std::uint8_t> copy;
  GpsPhotoResult result = BuildGpsPhoto(original.data(), original.size(), fix, copy);
  if (result.status != GpsPhotoStatus::Written) {
    RemoveIfEmptyFolder(folder);
    return result;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::filesystem::path target = folder / photo.filename();
  std::filesystem::path temp;
  std::string error;
  const int fd = ec ? -1 : CreateTempBeside(target, temp, &error);
  if (fd < 0) {
    RemoveIfEmptyFolder(folder);
    return Fail(ec ? ec.message() : error);
  }
  std::size_t done = 0;
  while (done < copy.size()) {
    const ssize_t n = ::write(fd, copy.data() + done, copy.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const int writeError = done == copy.size() ? 0 : errno;
  if (::close(fd) != 0 || writeError != 0) {
    RemoveFile(temp);
    RemoveIfEmptyFolder(folder);
    return Fail(SystemErrorText("cannot write", target, writeError != 0 ? writeError : errno));
  }
  staged_.push_back({temp, target});
  if (std::find(folders_.begin(), folders_.end(), folder) == folders_.end()) {
    folders_.push_back(folder);
  }
  result.output = target;
  return result;
}

std::vector<GpsPhotoResult> GpsPhotoBatch::Commit() {
  std::vector<GpsPhotoResult> failures;
  if (staged_.empty()) return failures;
  // One flush puts every staged copy on disk before any of them takes its name.
  int syncError = 0;
  for (const auto& folder : folders_) {
    if (!SyncFilesIn(folder)) syncError = errno;
  }
  for (const auto& staged : staged_) {
    // The folder is checked again: it may have been replaced since the copy was staged.
    const std::filesystem::path folder = staged.target.parent_path();
    const bool safe = GpsFolderIsSafe(folder, folder.parent_path());
    if (safe && syncError == 0 && RenameOver(staged.temp, staged.target)) {
      continue;
    }
    const int err = syncError != 0 ? syncError : errno;
    if (safe) RemoveFile(staged.temp);
    GpsPhotoResult failure = safe ? Fail(SystemErrorText("cannot write", staged.target, err))
                                  : UnsafeGpsFolder(folder);
    failure.output = staged.target;
    failures.push_back(std::move(failure));
  }
  staged_.clear();
  for (const auto& folder : folders_) {
    SyncFolder(folder);  // makes the renames durable
    RemoveIfEmptyFolder(folder);
  }
  folders_.clear();
  return failures;
}

void GpsPhotoBatch::Discard() {
  for (const auto& staged : staged_) RemoveFile(staged.temp);
  staged_.clear();
  for (const auto& folder : folders_) RemoveIfEmptyFolder(folder);
  folders_.clear();
}

} // namespace divuzo
