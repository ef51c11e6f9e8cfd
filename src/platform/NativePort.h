#pragma once
// The serial port class of the system being built for: TermiosPort on Linux, Win32Port on
// Windows. Both have the same operations (Open, Configure, Read, WaitReadable, Write, Drain,
// Purge, Close, Path, LastError).
#ifdef _WIN32
#include "platform/Win32Port.h"
namespace divuzo {
using NativePort = Win32Port;
}
#else
#include "platform/TermiosPort.h"
namespace divuzo {
using NativePort = TermiosPort;
}
#endif
