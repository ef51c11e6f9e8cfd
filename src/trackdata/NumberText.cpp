#include "trackdata/NumberText.h"

#include <charconv>
#include <cstdio>

namespace divuzo {

void AppendFixed(std::string& out, double value, int decimals) {
  char buffer[400];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec == std::errc()) {
    out.append(buffer, result.ptr);
    return;
  }
  // Not reached for doubles widened from single precision; kept for completeness.
  int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  if (n > 0) out.append(buffer, static_cast<size_t>(n) < sizeof buffer ? n : sizeof buffer - 1);
}

char* WriteZeroPadded(char* out, long long value, int width) {
  char digits[24];
  const bool negative = value < 0;
  unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                          : static_cast<unsigned long long>(value);
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) *out++ = '-';
  for (int pad = count + (negative ? 1 : 0); pad < width; ++pad) *out++ = '0';
  while (count > 0) *out++ = digits[--count];
  return out;
}

void AppendZeroPadded(std::string& out, long long value, int width) {
  char text[48];
  const int clamped = width < 24 ? width : 24;
  out.append(text, WriteZeroPadded(text, value, clamped));
}

} // namespace divuzo
