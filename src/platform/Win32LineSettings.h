#pragma once
// The line settings of the serial channel in a Windows device-control block, apart from the port
// so that they can be checked without one. Included only by Windows sources.
#include <windows.h>

namespace divuzo {

// Sets `dcb` to `baud`, 8N1, binary, DTR and RTS raised and held, no flow control (neither
// CTS/DSR nor XON/XOFF), no DSR sensitivity, no null stripping, no abort on error. Parity
// checking, continue-on-XOFF and error-character replacement stay as the port reported them.
inline void ApplyLineSettings(DCB& dcb, unsigned baud) {
  dcb.BaudRate = baud;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = FALSE;
}

// Read time-outs that make a read return at once with what is queued; writes have no time-out.
inline COMMTIMEOUTS ImmediateReadTimeouts() {
  return COMMTIMEOUTS{MAXDWORD, 0, 0, 0, 0};
}

}  // namespace divuzo
