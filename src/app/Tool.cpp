#include "app/Tool.h"

#include "StringTable.h"

#include <cstdio>

namespace divuzo {

namespace {

// String-table entry holding the base key of the program's registry values.
constexpr int kRegistryBaseId = 112;
// Largest value a registry read takes: 256 bytes of text (its zero included) or a 4-byte number.
constexpr std::size_t kTextBufferSize = 256;
constexpr std::size_t kNumberBufferSize = 4;

constexpr std::int64_t kEraBase = 946684800;      // 2000-01-01 00:00:00
constexpr std::int64_t kCycleSeconds = 126230400; // 1461 days: one leap year and three others
constexpr std::int64_t kDay = 86400;

// Seconds from the start of a four-year cycle (starting with a leap year) to the first day of each
// month of year j of the cycle, and to the start of year j + 1.
constexpr std::int64_t kMonthStart[4][13] = {
    {0 * kDay, 31 * kDay, 60 * kDay, 91 * kDay, 121 * kDay, 152 * kDay, 182 * kDay, 213 * kDay, 244 * kDay,
     274 * kDay, 305 * kDay, 335 * kDay, 366 * kDay},
    {366 * kDay, 397 * kDay, 425 * kDay, 456 * kDay, 486 * kDay, 517 * kDay, 547 * kDay, 578 * kDay, 609 * kDay,
     639 * kDay, 670 * kDay, 700 * kDay, 731 * kDay},
    {731 * kDay, 762 * kDay, 790 * kDay, 821 * kDay, 851 * kDay, 882 * kDay, 912 * kDay, 943 * kDay, 974 * kDay,
     1004 * kDay, 1035 * kDay, 1065 * kDay, 1096 * kDay},
    {1096 * kDay, 1127 * kDay, 1155 * kDay, 1186 * kDay, 1216 * kDay, 1247 * kDay, 1277 * kDay, 1308 * kDay,
     1339 * kDay, 1369 * kDay, 1400 * kDay, 1430 * kDay, 1461 * kDay},
};

std::string ComposePath(std::string_view key, std::string_view name) {
  std::string path(key);
  path += '\\';
  path += name;
  return path;
}

// The stored bytes a registry read would receive.
std::size_t DataSize(const RegValue& value) {
  if (value.type == REG_SZ) return value.text.size() + 1;
  if (value.type == REG_DWORD) return 4;
  return value.text.size();
}

// Two characters as a decimal number; -1 when they are not two digits.
int TwoDigits(std::string_view text, std::size_t at) {
  char a = text[at], b = text[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
  return (a - '0') * 10 + (b - '0');
}

} // namespace

void Tool::SplitRegPath(std::string_view base, std::string_view path, std::string& key, std::string& name) {
  std::size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos) {
    key.assign(base);
    name.assign(path);
    return;
  }
  key.assign(base);
  if (!key.empty() && key.back() != '\\') key += '\\';
  key.append(path.substr(0, slash));
  name.assign(path.substr(slash + 1));
}

bool Tool::ReadValue(RegRoot root, std::string_view path, RegValue& value) {
  std::string key, name;
  SplitRegPath(LoadText(kRegistryBaseId), path, key, name);
  RegistryStore& store = Store();
  if (!store.OpenKey(root, key)) return false;
  return store.QueryValue(root, key, name, value);
}

bool Tool::WriteValue(RegRoot root, std::string_view path, const RegValue& value) {
  std::string key, name;
  SplitRegPath(LoadText(kRegistryBaseId), path, key, name);
  return Store().SetValue(root, key, name, value);
}

bool Tool::ReadRegString(RegRoot root, std::string_view path, std::string& text) {
  RegValue value;
  if (!ReadValue(root, path, value)) return false;
  if (DataSize(value) > kTextBufferSize) {
    SetLastRegistryError(ERROR_MORE_DATA, "the stored value is longer than 255 bytes");
    return false;
  }
  if (value.type != REG_SZ) {
    SetLastRegistryError(ERROR_INVALID_DATA, "the stored value is not a text");
    return false;
  }
  text = value.text.substr(0, value.text.find('\0'));
  return true;
}

bool Tool::ReadRegString(RegRoot root, std::string_view key, std::string_view name, std::string& text) {
  return ReadRegString(root, ComposePath(key, name), text);
}

bool Tool::ReadRegString(RegRoot root, std::string_view key, int nameId, std::string& text) {
  return ReadRegString(root, ComposePath(key, LoadText(nameId)), text);
}

bool Tool::WriteRegString(RegRoot root, std::string_view path, std::string_view text) {
  RegValue value;
  value.type = REG_SZ;
  value.text.assign(text.substr(0, text.find('\0')));
  return WriteValue(root, path, value);
}

bool Tool::WriteRegString(RegRoot root, std::string_view key, std::string_view name, std::string_view text) {
  return WriteRegString(root, ComposePath(key, name), text);
}

bool Tool::WriteRegString(RegRoot root, std::string_view key, int nameId, std::string_view text) {
  return WriteRegString(root, ComposePath(key, LoadText(nameId)), text);
}

bool Tool::ReadRegDword(RegRoot root, std::string_view path, std::uint32_t& number) {
  RegValue value;
  if (!ReadValue(root, path, value)) return false;
  if (DataSize(value) > kNumberBufferSize) {
    SetLastRegistryError(ERROR_MORE_DATA, "the stored value is larger than a number");
    return false;
  }
  if (value.type != REG_DWORD) {
    SetLastRegistryError(ERROR_INVALID_DATA, "the stored value is not a number");
    return false;
  }
  number = value.number;
  return true;
}

bool Tool::ReadRegDword(RegRoot root, std::string_view key, std::string_view name, std::uint32_t& number) {
  return ReadRegDword(root, ComposePath(key, name), number);
}

bool Tool::ReadRegDword(RegRoot root, std::string_view key, int nameId, std::uint32_t& number) {
  return ReadRegDword(root, ComposePath(key, LoadText(nameId)), number);
}

bool Tool::WriteRegDword(RegRoot root, std::string_view path, std::uint32_t number) {
  RegValue value;
  value.type = REG_DWORD;
  value.number = number;
  return WriteValue(root, path, value);
}

bool Tool::WriteRegDword(RegRoot root, std::string_view key, std::string_view name, std::uint32_t number) {
  return WriteRegDword(root, ComposePath(key, name), number);
}

bool Tool::WriteRegDword(RegRoot root, std::string_view key, int nameId, std::uint32_t number) {
  return WriteRegDword(root, ComposePath(key, LoadText(nameId)), number);
}

DeviceDate Tool::SecondsToDate(std::int64_t seconds) {
  DeviceDate date;
  const std::int64_t s = seconds - kEraBase;
  if (s < 1000) return date;
  const std::int64_t cycles = s / kCycleSeconds;
  std::int64_t r = s % kCycleSeconds;
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 12; ++i) {
      if (kMonthStart[j][i] <= r && r < kMonthStart[j][i + 1]) {
        date.year = static_cast<std::uint8_t>(j + 4 * cycles);
        date.month = static_cast<std::uint8_t>(i + 1);
        r -= kMonthStart[j][i];
        date.day = static_cast<std::uint8_t>(r / kDay + 1);
        date.hour = static_cast<std::uint8_t>((r % kDay) / 3600);
        date.minute = static_cast<std::uint8_t>((r % 3600) / 60);
        date.second = static_cast<std::uint8_t>(r % 60);
        return date;
      }
    }
  }
  return date; // not reached: the rows cover the whole cycle
}

bool Tool::DateToSeconds(const DeviceDate& d, std::int64_t& seconds) {
  if (d.day == 0 || d.day > 31 || d.month == 0 || d.month > 12) return false;
  seconds = kMonthStart[d.year % 4][d.month - 1] + (d.year / 4) * kCycleSeconds + (d.day - 1) * kDay +
            d.hour * 3600 + d.minute * 60 + d.second + kEraBase;
  return true;
}

std::string Tool::FormatTimeText(std::int64_t seconds) {
  const DeviceDate d = SecondsToDate(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%02d%02d20%02d %02d%02d%02d", d.month, d.day, d.year, d.hour, d.minute, d.second);
  return text;
}

std::string Tool::FormatUtcTimeText(std::int64_t seconds) {
  const DeviceDate d = SecondsToDate(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02dZ", d.year, d.month, d.day, d.hour, d.minute, d.second);
  return text;
}

std::optional<std::int64_t> Tool::ParseTimeText(std::string_view text) {
  if (text.size() < 15) return std::nullopt;
  const int fields[6] = {TwoDigits(text, 6), TwoDigits(text, 0), TwoDigits(text, 2),
                         TwoDigits(text, 9), TwoDigits(text, 11), TwoDigits(text, 13)};
  for (int f : fields) {
    if (f < 0) return std::nullopt;
  }
  DeviceDate date{static_cast<std::uint8_t>(fields[0]), static_cast<std::uint8_t>(fields[1]),
                  static_cast<std::uint8_t>(fields[2]), static_cast<std::uint8_t>(fields[3]),
                  static_cast<std::uint8_t>(fields[4]), static_cast<std::uint8_t>(fields[5])};
  std::int64_t seconds = 0;
  if (!DateToSeconds(date, seconds)) return std::nullopt;
  return seconds;
}

} // namespace divuzo
