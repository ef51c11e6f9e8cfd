// The termios port on a real pseudo-terminal served by divuzo-vdev.
#include "VdevProcess.h"

#include "platform/TermiosPort.h"
#include "serial/DeviceSession.h"

#include <gtest/gtest.h>

#include <string>
#include <termios.h>
#include <unistd.h>

namespace divuzo {
namespace {

using test::VdevProcess;

// The line settings as the kernel holds them now.
struct termios KernelSettings(const TermiosPort& port) {
  struct termios tio {};
  EXPECT_EQ(tcgetattr(port.Fd(), &tio), 0);
  return tio;
}

TEST(TermiosPort, OpensRawExclusiveAtTheAskedSpeed) {
  VdevProcess vdev;
  ASSERT_TRUE(vdev.Started());
  TermiosPort port;
  ASSERT_TRUE(port.Open(vdev.PortPath(), 115200)) << port.LastError().message;
  EXPECT_EQ(port.Baud(), 115200u);
  struct termios tio = KernelSettings(port);
  EXPECT_EQ(cfgetospeed(&tio), B115200);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);

  // The high-speed rate has no place in the old rate list, yet reads back exactly.
  ASSERT_TRUE(port.Configure(921600)) << port.LastError().message;
  EXPECT_EQ(port.Baud(), 921600u);
  tio = KernelSettings(port);
  EXPECT_EQ(cfgetospeed(&tio), B921600);
  // A rate without a B-constant goes through as a number.
  ASSERT_TRUE(port.Configure(250000)) << port.LastError().message;
  EXPECT_EQ(port.Baud(), 250000u);

  // A second opener is told that the port is taken, in words a user can act on.
  TermiosPort other;
  EXPECT_FALSE(other.Open(vdev.PortPath(), 115200));
  EXPECT_EQ(other.LastError().kind, PortError::Kind::Busy);
  EXPECT_NE(other.LastError().message.find("another program"), std::string::npos);
  EXPECT_NE(other.LastError().message.find(vdev.PortPath()), std::string::npos);
  port.Close();
  EXPECT_TRUE(other.Open(vdev.PortPath(), 115200)) << other.LastError().message;
}

TEST(TermiosPort, IdleReadReturnsAtOnceAndBytesPassUntouched) {
  VdevProcess vdev({"--echo-only"});
  ASSERT_TRUE(vdev.Started());
  TermiosPort port;
  ASSERT_TRUE(port.Open(vdev.PortPath(), 115200));
  char buffer[64];
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0);
  EXPECT_FALSE(port.WaitReadable(0));
  EXPECT_TRUE(port.IsOpen());

  // CR, LF and the checksum characters come back exactly as sent (no CR/LF translation).
  const std::string line = "$PPLM810*38\r\n";
  ASSERT_EQ(port.Write(line.data(), line.size()), static_cast<long>(line.size()));
  std::string got;
  while (got.size() < line.size() && port.WaitReadable(2000)) {
    const long n = port.Read(buffer, sizeof buffer);
    ASSERT_GE(n, 0);
    got.append(buffer, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(got, line);
}

TEST(TermiosPort, LineThatHangsUpIsDropped) {
  VdevProcess vdev({"--hangup-after", "4"});
  ASSERT_TRUE(vdev.Started());
  TermiosPort port;
  ASSERT_TRUE(port.Open(vdev.PortPath(), 115200));
  EXPECT_EQ(port.State(), LineState::Open);
  ASSERT_EQ(port.Write("$PPL", 4), 4);
  // The device closes its side; the next reads report the line gone and drop the handle.
  char buffer[16];
  long n = 0;
  for (int i = 0; i < 200 && n == 0; ++i) {
    port.WaitReadable(20);
    n = port.Read(buffer, sizeof buffer);
  }
  EXPECT_EQ(n, -1);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.LastError().kind, PortError::Kind::Gone);
  EXPECT_EQ(port.State(), LineState::Lost);
  EXPECT_EQ(port.Read(buffer, sizeof buffer), -1);
  EXPECT_EQ(port.Write("x", 1), -1);
  // A line closed on purpose is closed, not lost.
  TermiosPort other;
  VdevProcess second;
  ASSERT_TRUE(other.Open(second.PortPath(), 115200));
  other.Close();
  EXPECT_EQ(other.State(), LineState::Closed);
}

TEST(TermiosPort, OpenFailuresSayWhatToDo) {
  TermiosPort port;
  EXPECT_FALSE(port.Open("/dev/ttyDIVUZO-missing", 115200));
  EXPECT_EQ(port.LastError().kind, PortError::Kind::NotFound);
  EXPECT_NE(port.LastError().message.find("/dev/ttyDIVUZO-missing"), std::string::npos);
  EXPECT_NE(port.LastError().message.find("plugged in"), std::string::npos);
  EXPECT_FALSE(port.IsOpen());

  EXPECT_FALSE(port.Open("/dev/null", 115200));
  EXPECT_EQ(port.LastError().kind, PortError::Kind::Other);
  EXPECT_NE(port.LastError().message.find("not a serial port"), std::string::npos);

  // Permission errors cannot be provoked as root; the wording is what the user gets.
  const PortError denied = DescribePortError(EACCES, "/dev/ttyUSB0");
  EXPECT_EQ(denied.kind, PortError::Kind::PermissionDenied);
  EXPECT_NE(denied.message.find("dialout"), std::string::npos);
  EXPECT_NE(denied.message.find("sudo usermod -aG dialout $USER"), std::string::npos);
  EXPECT_NE(denied.message.find("log in again"), std::string::npos);
  const PortError busy = DescribePortError(EBUSY, "/dev/ttyUSB0");
  EXPECT_EQ(busy.kind, PortError::Kind::Busy);
  EXPECT_NE(busy.message.find("ModemManager"), std::string::npos);
  EXPECT_NE(busy.message.find("brltty"), std::string::npos);
  EXPECT_EQ(DescribePortError(ENOENT, "/dev/ttyUSB0").kind, PortError::Kind::NotFound);
  EXPECT_EQ(DescribePortError(0, "/dev/ttyUSB0").kind, PortError::Kind::None);
}

TEST(SerialChannel, OpenCloseAndSelection) {
  VdevProcess vdev;
  ASSERT_TRUE(vdev.Started());
  DeviceSession channel;
  EXPECT_EQ(channel.portName, "COM1");
  EXPECT_EQ(channel.baudRate, 115200u);
  EXPECT_FALSE(channel.Close());
  EXPECT_FALSE(channel.Reconfigure());

  // No rate selected: 115200 stays; the port is opened and portOpen says so.
  channel.SelectFromLists("Silicon Labs CP210x USB to UART Bridge (" + vdev.PortPath() + ")", 7);
  EXPECT_TRUE(channel.portOpen.load());
  EXPECT_TRUE(channel.IsOpen());
  EXPECT_EQ(channel.portName, vdev.PortPath());
  EXPECT_EQ(channel.baudRate, 115200u);
  const Link* line = channel.Line();
  EXPECT_TRUE(channel.EnsureOpen());
  EXPECT_EQ(channel.Line(), line);  // not reopened
  // The session's line is the platform's serial port.
  const auto* port = dynamic_cast<const TermiosPort*>(line);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->Path(), vdev.PortPath());

  EXPECT_TRUE(channel.ReconfigureHighSpeed());
  EXPECT_EQ(channel.Line()->Baud(), 921600u);
  EXPECT_EQ(KernelSettings(*port).c_cflag & CBAUD, static_cast<tcflag_t>(B921600));
  EXPECT_EQ(channel.baudRate, 115200u);
  EXPECT_TRUE(channel.Reconfigure());
  EXPECT_EQ(channel.Line()->Baud(), 115200u);

  // A rate from the list applies on the next selection.
  channel.SelectFromLists(vdev.PortPath(), 4);
  EXPECT_EQ(channel.baudRate, 38400u);
  EXPECT_TRUE(channel.Close());
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(channel.portName, "COM1");

  // Selecting a missing port leaves portOpen false and the reason readable.
  channel.SelectFromLists("/dev/ttyDIVUZO-missing", -1);
  EXPECT_FALSE(channel.portOpen.load());
  EXPECT_EQ(channel.LastError().kind, PortError::Kind::NotFound);

  // Choosing another port while one is open moves the line there.
  VdevProcess second;
  ASSERT_TRUE(second.Started());
  channel.SelectFromLists(vdev.PortPath(), -1);
  ASSERT_TRUE(channel.IsOpen());
  channel.SelectFromLists(second.PortPath(), -1);
  EXPECT_TRUE(channel.IsOpen());
  EXPECT_EQ(channel.Line()->Path(), second.PortPath());
  channel.Reset();
  EXPECT_FALSE(channel.IsOpen());
}

} // namespace
} // namespace divuzo
