// The port monitor: a virtual device that starts or stops while the monitor watches makes it
// readable and Changed(); the list then shows what is there.
#include "VdevProcess.h"

#include "serial/PortMonitor.h"
#include "serial/SerialPortList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <poll.h>

namespace divuzo {
namespace {

using test::ScopedEnv;
using test::TempDir;
using test::VdevProcess;

// Waits up to 5 s for the monitor's descriptor to become readable, then asks it.
bool ChangeSeen(PortMonitor& monitor) {
  pollfd fd{monitor.Fd(), POLLIN, 0};
  for (int i = 0; i < 50; ++i) {
    if (poll(&fd, 1, 100) > 0 && monitor.Changed()) return true;
  }
  return false;
}

bool Listed(const std::string& path) {
  SerialPortList ports;
  ListSerialPorts(ports, false);
  return std::any_of(ports.begin(), ports.end(),
                     [&](const auto& p) { return p.devicePath == path; });
}

TEST(PortMonitor, SeesVirtualPortsComeAndGo) {
  TempDir dir;
  // The folder does not exist yet: the monitor waits for it to be made.
  const std::string folder = (dir / "ports").string();
  ScopedEnv env("DIVUZO_VPORT_DIR", folder);
  PortMonitor monitor;
  ASSERT_GE(monitor.Fd(), 0);
  EXPECT_FALSE(monitor.Changed());

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    VdevProcess vdev({"--model", "ZID310"}, folder);
    ASSERT_TRUE(vdev.Started());
    ASSERT_TRUE(ChangeSeen(monitor));
    EXPECT_TRUE(Listed(vdev.PortPath()));
    const std::string path = vdev.PortPath();
    vdev.Stop();
    ASSERT_TRUE(ChangeSeen(monitor));
    EXPECT_FALSE(Listed(path));
  }
  // Nothing more happened.
  pollfd fd{monitor.Fd(), POLLIN, 0};
  while (poll(&fd, 1, 50) > 0) monitor.Changed();
  EXPECT_FALSE(monitor.Changed());
}

} // namespace
} // namespace divuzo
