// The user's words for an errno from opening or using a serial line: the termios port's errors,
// and those the in-process line to the virtual device gives in its place (on every system).
#include "platform/TermiosPort.h"

#include <cerrno>
#include <cstring>

namespace divuzo {

PortError DescribePortError(int err, const std::string& path) {
  PortError e;
  e.errnoValue = err;
  const std::string port = path.empty() ? std::string("the serial port") : path;
  switch (err) {
    case 0:
      e.kind = PortError::Kind::None;
      break;
    case EACCES:
    case EPERM:
      e.kind = PortError::Kind::PermissionDenied;
      e.textId = kTextPortPermission;
      e.message = "No permission to open " + port +
                  ". Add your user to the dialout group with "
                  "\"sudo usermod -aG dialout $USER\", then log out and log in again.";
      break;
    case EBUSY:
    case EWOULDBLOCK:
      e.kind = PortError::Kind::Busy;
      e.textId = kTextPortBusy;
      e.message = port +
                  " is in use by another program. Close that program and try again "
                  "(ModemManager and brltty are common culprits).";
      break;
    case ENOENT:
    case ENXIO:
    case ENODEV:
      e.kind = PortError::Kind::NotFound;
      e.textId = kTextPortNotFound;
      e.message = port + " does not exist. Check that the device is plugged in.";
      break;
    case EIO:
      e.kind = PortError::Kind::Gone;
      e.textId = kTextPortGone;
      e.message = "The connection on " + port + " was lost. Check that the device is plugged in.";
      break;
    case ENOTTY:
      e.kind = PortError::Kind::Other;
      e.textId = kTextPortNotSerial;
      e.message = port + " is not a serial port.";
      break;
    default:
      e.kind = PortError::Kind::Other;
      e.textId = kTextPortOther;
      e.message = "Cannot use " + port + ": " + std::strerror(err) + ".";
      break;
  }
  return e;
}

} // namespace divuzo
