#pragma once
// Text conversions between UTF-16 and a numbered code page, and the user's code page: iconv and
// the locale on Linux (CodePageIconv.cpp), the system's own conversions on Windows
// (CodePageWin32.cpp). Used by StdioFileEx, which states the rules callers see.
#include "app/StdioFileEx.h"

#include <optional>
#include <string>
#include <string_view>

namespace divuzo {

// kProgramCodePage (-1) stands for UTF-8, the code page of the program's own strings.
inline int ResolveCodePage(int codePage) {
  return codePage == CStdioFileEx::kProgramCodePage ? CStdioFileEx::kUtf8 : codePage;
}

// Bytes that are not valid in the code page become U+FFFD, one per byte. No value when the code
// page is unknown or the conversion fails (traced).
std::optional<std::u16string> ConvertToWide(std::string_view text, int codePage);
// A character the code page cannot hold (or a lone surrogate) becomes "#", U+FFFD in UTF-8; a
// surrogate pair counts as one character. No value when the code page is unknown or it fails.
std::optional<std::string> ConvertToAnsi(std::u16string_view wide, int codePage);

// The user's code page as a number; 0 when it cannot be told.
int SystemUserCodePage();

} // namespace divuzo
