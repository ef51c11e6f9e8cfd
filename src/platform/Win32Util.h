#pragma once
// Helpers for the Windows implementations of the platform seams (the *Win32.cpp files only):
// the program's UTF-8 texts to and from the UTF-16 of the system calls, and the system's error
// codes as errno values and as sentences.
#include <string>
#include <string_view>

namespace divuzo {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// The errno value closest to a Windows error code (ENOENT for a missing file, EACCES for access
// denied or a file held open by another program, ...); EIO when none fits.
int ErrnoFromWin32(unsigned long code);

// The system's own sentence for an error code, without its line end; "error N" when it has none.
std::string Win32ErrorText(unsigned long code);

}  // namespace divuzo
