#pragma once
// Why a serial port could not be opened or used.
#include <string>

namespace divuzo {

// What went wrong, in a form callers can branch on; `message` is a sentence for the user.
struct PortError {
  enum class Kind { None, PermissionDenied, Busy, NotFound, Gone, Other };
  Kind kind = Kind::None;
  int errnoValue = 0;  // errno on Linux; the system's error code on Windows
  std::string message;
};

} // namespace divuzo
