#pragma once
// Line speed of an open tty as a plain number, any rate the driver accepts (921600 included).
// Kept apart from TermiosPort.cpp: the kernel's termios2 header clashes with <termios.h>.

namespace divuzo {

// Sets input and output speed of the tty on fd; false with errno set on failure.
bool SetLineSpeed(int fd, unsigned baud);
// The output speed the driver reports for fd now; 0 with errno set on failure.
unsigned GetLineSpeed(int fd);

} // namespace divuzo
