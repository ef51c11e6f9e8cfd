#pragma once
// Small shared helpers of the pages: named registry values under a root key, and conversions
// between device time (seconds since 1970, as the device counts them) and the fixed-width time
// texts of the track files.
#include "platform/RegistryStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace divuzo {

// Broken-down device time: year 0 = 2000.
struct DeviceDate {
  std::uint8_t year = 0;
  std::uint8_t month = 0; // 1..12
  std::uint8_t day = 0;   // 1..31
  std::uint8_t hour = 0;
  std::uint8_t minute = 0;
  std::uint8_t second = 0;
  bool operator==(const DeviceDate&) const = default;
};

class Tool {
public:
  // Registry values go to `store`, or to the per-user store when none is given.
  explicit Tool(RegistryStore* store = nullptr) : store_(store) {}
  virtual ~Tool() = default;

  // Registry values. Each returns true on success; on failure the cause is in
  // GetLastRegistryError() (ERROR_FILE_NOT_FOUND for a value never stored, ERROR_INVALID_DATA for
  // a value of another type, ERROR_MORE_DATA for a text of more than 255 bytes).
  // `path` is "name" (directly under the base key) or "key\\...\\name".
  bool ReadRegString(RegRoot root, std::string_view path, std::string& text);
  bool ReadRegString(RegRoot root, std::string_view key, std::string_view name, std::string& text);
  bool ReadRegString(RegRoot root, std::string_view key, int nameId, std::string& text);
  // Writes the text up to its first zero byte.
  bool WriteRegString(RegRoot root, std::string_view path, std::string_view text);
  bool WriteRegString(RegRoot root, std::string_view key, std::string_view name, std::string_view text);
  bool WriteRegString(RegRoot root, std::string_view key, int nameId, std::string_view text);
  bool ReadRegDword(RegRoot root, std::string_view path, std::uint32_t& value);
  bool ReadRegDword(RegRoot root, std::string_view key, std::string_view name, std::uint32_t& value);
  bool ReadRegDword(RegRoot root, std::string_view key, int nameId, std::uint32_t& value);
  bool WriteRegDword(RegRoot root, std::string_view path, std::uint32_t value);
  bool WriteRegDword(RegRoot root, std::string_view key, std::string_view name, std::uint32_t value);
  bool WriteRegDword(RegRoot root, std::string_view key, int nameId, std::uint32_t value);

  // Splits a value path into key and value name below `base`: no backslash -> the key is the
  // base; else base + "\" + the part before the last backslash. The registry calls use the
  // base key of the string table (entry 112).
  static void SplitRegPath(std::string_view base, std::string_view path, std::string& key, std::string& name);

  // Device time is counted in seconds since 1970-01-01 00:00:00 as the device reports it (no time
  // zone). It is carried in 64 bits so that 32-bit counts, signed or not, convert without overflow.
  // The formatters are re-entrant: any thread may call them at any time.

  // "MMDD20YY hhmmss" (15 characters, 16 bytes with a terminating zero, for the years 2000-2099),
  // e.g. "01012000 001640".
  static std::string FormatTimeText(std::int64_t seconds);
  static void FormatTimeText(std::int64_t seconds, std::string& text) { text = FormatTimeText(seconds); }
  // "YYMMDDhhmmssZ" (13 characters for the years 2000-2099).
  static std::string FormatUtcTimeText(std::int64_t seconds);
  static void FormatUtcTimeText(std::int64_t seconds, std::string& text) { text = FormatUtcTimeText(seconds); }
  // Seconds from a text in the FormatTimeText layout; no value when the text is shorter than
  // 15 characters, a field is not two decimal digits, or the date is impossible (see DateToSeconds).
  static std::optional<std::int64_t> ParseTimeText(std::string_view text);

  // Times before 2000-01-01 00:16:40 give all fields 0. Years follow the four-year leap rule
  // without the century exception (so dates after 28 February 2100 come out one day off); the
  // year is kept in 8 bits.
  static DeviceDate SecondsToDate(std::int64_t seconds);
  static void SecondsToDate(std::int64_t seconds, DeviceDate& date) { date = SecondsToDate(seconds); }
  // False (and `seconds` untouched) for a day of 0 or above 31, or a month of 0 or above 12.
  static bool DateToSeconds(const DeviceDate& date, std::int64_t& seconds);

private:
  RegistryStore& Store() const { return store_ ? *store_ : RegistryStore::Default(); }
  bool ReadValue(RegRoot root, std::string_view path, RegValue& value);
  bool WriteValue(RegRoot root, std::string_view path, const RegValue& value);

  RegistryStore* store_;
};

} // namespace divuzo
