// Code-page conversions with the system's MultiByteToWideChar and WideCharToMultiByte; the
// user's code page from the user's locale (LOCALE_IDEFAULTANSICODEPAGE).
//
// The rules are those of the Linux build: an invalid byte becomes U+FFFD (one per byte), and a
// character the code page cannot hold becomes "#" rather than a look-alike ("best fit").
#include "app/CodePage.h"

#include "platform/Trace.h"

#include <windows.h>
#include <cwchar>

namespace divuzo {

namespace {

// Code pages that take no conversion flags and no default character (stateful encodings, UTF-7).
bool TakesNoFlags(UINT codePage) {
  return (codePage >= 50220 && codePage <= 50229) || (codePage >= 57002 && codePage <= 57011) ||
         codePage == 65000 || codePage == 42;
}

// Converts `bytes` strictly; false when the code page rejects them.
bool StrictToWide(UINT codePage, const char* bytes, int size, std::u16string& out) {
  const DWORD flags = TakesNoFlags(codePage) ? 0 : MB_ERR_INVALID_CHARS;
  const int n = MultiByteToWideChar(codePage, flags, bytes, size, nullptr, 0);
  if (n <= 0) return false;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(n));
  MultiByteToWideChar(codePage, flags, bytes, size, reinterpret_cast<wchar_t*>(out.data() + at), n);
  return true;
}

// Length of the UTF-16 character starting at `i`: 2 for a surrogate pair, else 1.
std::size_t CharacterUnits(std::u16string_view wide, std::size_t i) {
  return wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
                 wide[i + 1] <= 0xDFFF
             ? 2
             : 1;
}

// One conversion to `codePage`; `lostOut` tells whether a character was replaced.
bool ToCodePage(UINT codePage, std::u16string_view wide, std::string& out, bool& lostOut) {
  const auto* units = reinterpret_cast<const wchar_t*>(wide.data());
  const int size = static_cast<int>(wide.size());
  const bool utf8 = codePage == CP_UTF8;
  const bool plain = TakesNoFlags(codePage);
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : plain ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* used = utf8 || plain ? nullptr : &usedDefault;
  const char* defaultChar = utf8 || plain ? nullptr : "#";
  const int n = WideCharToMultiByte(codePage, flags, units, size, nullptr, 0, defaultChar, used);
  if (n <= 0) {
    lostOut = true;
    return GetLastError() == ERROR_NO_UNICODE_TRANSLATION;
  }
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(n));
  WideCharToMultiByte(codePage, flags, units, size, out.data() + at, n, defaultChar, used);
  lostOut = usedDefault != FALSE;
  if (plain) {
    // These code pages cannot report a replaced character: it shows as a failed round trip.
    std::u16string back;
    lostOut = !StrictToWide(codePage, out.data() + at, n, back) || back != wide;
  }
  return true;
}

}  // namespace

std::optional<std::u16string> ConvertToWide(std::string_view text, int codePage) {
  const UINT cp = static_cast<UINT>(ResolveCodePage(codePage));
  if (!IsValidCodePage(cp)) {
    TraceF("No converter for code page %d\n", codePage);
    return std::nullopt;
  }
  std::u16string wide;
  if (text.empty() || StrictToWide(cp, text.data(), static_cast<int>(text.size()), wide))
    return wide;
  // Some byte is invalid: take the characters one by one (the shortest prefix of up to four bytes
  // the code page accepts), an invalid byte giving U+FFFD.
  wide.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t length = 1;
    while (length <= 4 && i + length <= text.size() &&
           !StrictToWide(cp, text.data() + i, static_cast<int>(length), wide))
      ++length;
    if (length > 4 || i + length > text.size()) {
      wide += u'\uFFFD';
      length = 1;
    }
    i += length;
  }
  return wide;
}

std::optional<std::string> ConvertToAnsi(std::u16string_view wide, int codePage) {
  const UINT cp = static_cast<UINT>(ResolveCodePage(codePage));
  if (!IsValidCodePage(cp)) {
    TraceF("No converter for code page %d\n", codePage);
    return std::nullopt;
  }
  std::string out;
  bool lost = false;
  if (wide.empty()) return out;
  if (!ToCodePage(cp, wide, out, lost)) {
    TraceF("Error in WideCharToMultiByte: %lu\n", GetLastError());
    return std::nullopt;
  }
  if (!lost) return out;
  // A character was replaced: convert character by character so that each one the code page
  // lacks (a surrogate pair counting as one, a lone surrogate too) becomes one replacement.
  const char* replacement = cp == CP_UTF8 ? "\xEF\xBF\xBD" : "#";
  out.clear();
  for (std::size_t i = 0; i < wide.size();) {
    const std::size_t units = CharacterUnits(wide, i);
    std::string piece;
    bool pieceLost = false;
    if (ToCodePage(cp, wide.substr(i, units), piece, pieceLost) && !pieceLost)
      out += piece;
    else
      out += replacement;
    i += units;
  }
  return out;
}

int SystemUserCodePage() {
  wchar_t text[11] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, text, 10) == 0) return 0;
  return static_cast<int>(std::wcstol(text, nullptr, 10));
}

}  // namespace divuzo
