// termios2 with BOTHER: the speed travels as a number, so rates without a B-constant work too.
// This file must not include <termios.h>.
#include "platform/LineSpeed.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace divuzo {

bool SetLineSpeed(int fd, unsigned baud) {
  if (baud == 0) {
    errno = EINVAL;
    return false;
  }
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = baud;
  tio.c_ospeed = baud;
  return ioctl(fd, TCSETS2, &tio) == 0;
}

unsigned GetLineSpeed(int fd) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return 0;
  return tio.c_ospeed;
}

} // namespace divuzo
