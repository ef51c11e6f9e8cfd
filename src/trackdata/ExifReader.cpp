#include "trackdata/ExifReader.h"

#include "trackdata/ExifTiff.h"
#include "trackdata/PhotoTexts.h"

#include "platform/InputFile.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace divuzo {

namespace {

PhotoTimeResult Failure(std::string message) {
  PhotoTimeResult result;
  result.message = std::move(message);
  return result;
}

bool Digits(const char* text, int count, int& out) {
  out = 0;
  for (int i = 0; i < count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    out = out * 10 + (text[i] - '0');
  }
  return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days from 1970-01-01 to the given proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

} // namespace

bool LocalCalendarToUtc(int year, int month, int day, int hour, int minute, int second,
                        int timeZoneHours, std::int64_t& out) {
  static constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1900 || month < 1 || month > 12 || day < 1) return false;
  const int monthDays = kMonthDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
  if (day > monthDays || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
      second > 59) {
    return false;
  }
  out = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
        hour * 3600 + minute * 60 + second - std::int64_t{timeZoneHours} * 3600;
  return true;
}

PhotoTimeResult ReadPhotoTimeFromBytes(const std::uint8_t* data, std::size_t size,
                                       int timeZoneHours) {
  using namespace exif;
  ExifLocation location;
  TiffView tiff;
  Ifd ifd0;
  if (!OpenFirstIfd(data, size, location, tiff, ifd0)) {
    return Failure(kNotExifFormat);
  }
  const IfdEntry* pointer = ifd0.Find(kTagExifPointer);
  if (pointer == nullptr) return Failure(PhotoText(kPhotoTextNoDate));
  Ifd exifIfd;
  if (!ReadIfd(tiff, pointer->value, exifIfd)) return Failure(kNotExifFormat);
  const IfdEntry* original = exifIfd.Find(kTagDateTimeOriginal);
  if (original == nullptr) return Failure(PhotoText(kPhotoTextNoDate));

  // "YYYY:MM:DD HH:MM:SS": 19 characters, then a terminator.
  constexpr std::size_t kDateLength = 19;
  if (original->type != 2 || original->count < kDateLength ||
      !tiff.Contains(original->DataOffset(), kDateLength)) {
    return Failure(PhotoText(kPhotoTextBadDate));
  }
  const char* text = reinterpret_cast<const char*>(tiff.data() + original->DataOffset());
  int year, month, day, hour, minute, second;
  PhotoTimeResult result;
  if (!Digits(text, 4, year) || !Digits(text + 5, 2, month) || !Digits(text + 8, 2, day) ||
      !Digits(text + 11, 2, hour) || !Digits(text + 14, 2, minute) ||
      !Digits(text + 17, 2, second) ||
      !LocalCalendarToUtc(year, month, day, hour, minute, second, timeZoneHours, result.time)) {
    return Failure(PhotoText(kPhotoTextBadDate));
  }
  result.ok = true;
  return result;
}

PhotoTimeResult ReadPhotoTime(const std::filesystem::path& photo, int timeZoneHours) {
  InputFile file(photo);
  if (!file.ok()) return Failure(file.error());
  // The EXIF block sits in the first segments; read a leading part and widen it only when the
  // segments before the block are longer than that, up to a bound no camera comes near.
  constexpr std::size_t kFirstRead = 128 * 1024;
  constexpr std::size_t kMostRead = 16 * 1024 * 1024;
  std::vector<std::uint8_t> bytes;
  bool atEnd = false;
  for (std::size_t want = kFirstRead;; want *= 4) {
    std::size_t got = bytes.size();
    bytes.resize(want);
    while (got < want) {
      const ssize_t n = ::read(file.fd(), bytes.data() + got, want - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        atEnd = true;
        break;
      }
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    PhotoTimeResult result = ReadPhotoTimeFromBytes(bytes.data(), bytes.size(), timeZoneHours);
    if (result.ok || atEnd || want >= kMostRead) return result;
    exif::ExifLocation location;
    if (exif::LocateExif(bytes.data(), bytes.size(), location)) return result;
  }
}

} // namespace divuzo
