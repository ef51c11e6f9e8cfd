#pragma once
// Exit statuses of the commands that talk to a device (identify, update).
#include "Command.h"

#include "platform/TermiosPort.h"

namespace divuzo::cli {

// A device that was not identified: not found or not answering (3) - no such port, a line
// that went away, or silence - unless the port exists but could not be opened (1).
inline int UnidentifiedStatus(const PortError& error) {
  using Kind = PortError::Kind;
  const Kind kind = error.kind;
  return kind == Kind::PermissionDenied || kind == Kind::Busy || kind == Kind::Other
             ? kExitFailed
             : kExitNoDevice;
}

}  // namespace divuzo::cli
