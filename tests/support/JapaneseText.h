#pragma once
// Whether a UTF-8 text holds Japanese: kana, CJK ideographs or full-width forms. For the tests
// that check an English text or window for leftovers.
#include <string_view>

namespace divuzo::test {

inline bool IsJapaneseCodePoint(char32_t c) {
  return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF);
}

inline bool HasJapanese(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    if (IsJapaneseCodePoint(c)) return true;
    i += length;
  }
  return false;
}

}  // namespace divuzo::test
