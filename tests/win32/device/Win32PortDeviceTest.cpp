// The Win32 serial port against the virtual device: a Linux divuzo-vdev on a pseudo-terminal that
// Wine shows as a COM port (tests/wine/with-vdev.sh maps it). The first port answers as ZID310;
// the second hangs up after the first sentence it receives.
#include "platform/Win32Port.h"
#include "serial/DeviceIdentity.h"
#include "serial/DeviceSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

using namespace divuzo;

namespace {

constexpr const char* kQuery = "$PPLM810*38\r\n";
constexpr const char* kReply = "$PPLM852,ZID310*77\r\n";

// The COM ports with-vdev.sh mapped, in order.
std::vector<std::string> TestPorts() {
  std::vector<std::string> ports;
  const char* list = std::getenv("DIVUZO_TEST_PORTS");
  std::istringstream in(list ? list : "");
  for (std::string port; in >> port;) ports.push_back(port);
  return ports;
}

std::string Port(std::size_t index) {
  const auto ports = TestPorts();
  return index < ports.size() ? ports[index] : std::string();
}

// Reads until a line end arrives or `timeoutMs` passes; joins what comes in pieces.
std::string ReadLine(Win32Port& port, int timeoutMs) {
  std::string got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got.find("\r\n") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    port.WaitReadable(50);
    char buffer[64];
    const long n = port.Read(buffer, sizeof buffer);
    if (n < 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

class Win32PortDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TestPorts().size(), 2u) << "run through tests/wine/with-vdev.sh with two ports";
  }
};

}  // namespace

TEST_F(Win32PortDevice, IdleReadsReturnAtOnceAndRepliesAreJoined) {
  Win32Port port;
  ASSERT_TRUE(port.Open(Port(0), 115200)) << port.LastError().message;
  EXPECT_EQ(port.Baud(), 115200u);
  char buffer[64];
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0);
  EXPECT_FALSE(port.WaitReadable(30));
  ASSERT_EQ(port.Write(kQuery, 13), 13);
  port.Drain();
  EXPECT_EQ(ReadLine(port, 3000), kReply);
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0);
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(Win32PortDevice, SpeedChangesReadBackAndTheLineStillCarries) {
  Win32Port port;
  // The port list's spelling of a port name opens too.
  ASSERT_TRUE(port.Open("//.//" + Port(0), 115200)) << port.LastError().message;
  ASSERT_TRUE(port.Configure(921600)) << port.LastError().message;
  EXPECT_EQ(port.Baud(), 921600u);
  ASSERT_TRUE(port.Configure(115200)) << port.LastError().message;
  EXPECT_EQ(port.Baud(), 115200u);
  ASSERT_EQ(port.Write(kQuery, 13), 13);
  EXPECT_EQ(ReadLine(port, 3000), kReply);
}

TEST_F(Win32PortDevice, PurgeDropsWhatIsQueued) {
  Win32Port port;
  ASSERT_TRUE(port.Open(Port(0), 115200)) << port.LastError().message;
  ASSERT_EQ(port.Write(kQuery, 13), 13);
  ASSERT_TRUE(port.WaitReadable(3000));
  // Let the whole reply arrive, then throw it away.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  port.Purge();
  char buffer[64];
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0);
  EXPECT_FALSE(port.WaitReadable(100));
  EXPECT_TRUE(port.IsOpen());
}

TEST_F(Win32PortDevice, SessionIdentifiesTheDevice) {
  DeviceSession session;  // lines opened by OpenSerialLink: Win32Port
  const IdentifyResult result = IdentifyDevice(session, Port(0), -1);
  EXPECT_TRUE(result.ok) << result.portError.message;
  EXPECT_EQ(result.modelName, "ZID310");
  EXPECT_EQ(result.firmwareText, "V1.23");
  EXPECT_FALSE(session.IsOpen());
}

TEST_F(Win32PortDevice, LineThatHangsUpIsReportedGone) {
  Win32Port port;
  ASSERT_TRUE(port.Open(Port(1), 115200)) << port.LastError().message;
  ASSERT_EQ(port.Write(kQuery, 13), 13);
  // The device hangs up after these bytes: reading, waiting or writing finds the line gone.
  bool lost = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!lost && std::chrono::steady_clock::now() < deadline) {
    port.WaitReadable(50);
    char buffer[64];
    lost = port.Read(buffer, sizeof buffer) < 0 || port.Write(kQuery, 13) < 0;
  }
  EXPECT_TRUE(lost);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.LastError().kind, PortError::Kind::Gone) << port.LastError().message;
}
