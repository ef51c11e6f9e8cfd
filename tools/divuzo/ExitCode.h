#pragma once
// Exit statuses of every command, as `divuzo --help` and the manual page list them.

namespace divuzo::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;     // the command line could not be parsed
inline constexpr int kExitNoDevice = 3;  // no device found, or the device does not answer

}  // namespace divuzo::cli
