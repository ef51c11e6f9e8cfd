// Port discovery: naming rules, and the list as the system and running virtual devices make it.
#include "VdevProcess.h"

#include "platform/TermiosPort.h"
#include "serial/PortChoice.h"
#include "serial/SerialPortList.h"
#include "serial/VirtualPorts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace divuzo {
namespace {

using test::ScopedEnv;
using test::TempDir;
using test::VdevProcess;

const SerialPortInfo* FindByPath(const SerialPortList& list, const std::string& path) {
  auto it = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.devicePath == path; });
  return it == list.end() ? nullptr : &*it;
}

TEST(PortNames, DescriptionIsCutBeforeTheTrailingBracket) {
  struct Case {
    const char* friendly;
    const char* port;
    const char* description;
  } cases[] = {
      {"USB Serial Port (COM4)", "COM4", "USB Serial Port"},
      {"Bridge (COM12)", "COM12", "Bridge"},
      {"(COM3)", "COM3", "(COM3)"},
      {"Port (COM3) x", "COM3", "Port (COM3) x"},
      {"Silicon Labs CP210x USB to UART Bridge (/dev/ttyUSB0)", "/dev/ttyUSB0",
       "Silicon Labs CP210x USB to UART Bridge"},
  };
  for (const auto& c : cases) {
    SerialPortInfo e;
    e.friendlyName = c.friendly;
    FinishPortEntry(e);
    EXPECT_EQ(e.description, c.description) << c.friendly;
    EXPECT_EQ(PortNameFromFriendlyName(c.friendly), c.port) << c.friendly;
  }
  SerialPortInfo empty;
  FinishPortEntry(empty);
  EXPECT_EQ(empty.friendlyName, "");
  SerialPortInfo named;
  named.portName = "/dev/ttyS1";
  named.description = "kept";
  FinishPortEntry(named);
  EXPECT_EQ(named.friendlyName, "/dev/ttyS1");
  EXPECT_EQ(named.description, "kept");
  EXPECT_EQ(PortNameFromFriendlyName("no brackets"), "");
  EXPECT_EQ(PortNameFromFriendlyName("odd ) order ("), "");
}

TEST(PortNames, FriendlyNamesByDriver) {
  EXPECT_EQ(MakeFriendlyName("cp210x", "10c4", "Silicon Labs", "CP2102", "/dev/ttyUSB0"),
            "Silicon Labs CP210x USB to UART Bridge (/dev/ttyUSB0)");
  EXPECT_EQ(MakeFriendlyName("pl2303", "067b", "", "", "/dev/ttyUSB1"),
            "Prolific USB-to-Serial Comm Port (/dev/ttyUSB1)");
  // No driver bound yet: the vendor id still names the bridge.
  EXPECT_EQ(MakeFriendlyName("", "10c4", "", "", "/dev/ttyUSB3"),
            "Silicon Labs CP210x USB to UART Bridge (/dev/ttyUSB3)");
  EXPECT_EQ(MakeFriendlyName("ftdi_sio", "0403", "FTDI", "FT232R USB UART", "/dev/ttyUSB2"),
            "FTDI FT232R USB UART (/dev/ttyUSB2)");
  EXPECT_EQ(MakeFriendlyName("cdc_acm", "0e8d", "", "", "/dev/ttyACM0"), "USB Serial Device (/dev/ttyACM0)");
  EXPECT_EQ(MakeFriendlyName("port", "", "", "", "/dev/ttyS0"), "Communications Port (/dev/ttyS0)");
}

TEST(PortNames, WindowsListNamesAndListEntries) {
  EXPECT_EQ(ComPortListName(0), "COM1");
  EXPECT_EQ(ComPortOpenName(8), "COM9");
  EXPECT_EQ(ComPortOpenName(9), "//.//COM10");
  EXPECT_EQ(ComPortOpenName(98), "//.//COM99");
  EXPECT_EQ(PortFromListEntry("/dev/ttyUSB3"), "/dev/ttyUSB3");
  EXPECT_EQ(PortFromListEntry("Prolific USB-to-Serial Comm Port (/dev/ttyUSB1)"), "/dev/ttyUSB1");
  EXPECT_EQ(PortFromListEntry("ttyUSB0"), "ttyUSB0");
}

TEST(PortNames, KnownBridgeChoiceTakesTheFirstMatch) {
  SerialPortList list(4);
  list[0].friendlyName = "Communications Port (/dev/ttyS0)";
  list[1].friendlyName = "GPS USB Serial Interface Driver";  // known, but no brackets
  list[2].friendlyName = "Prolific USB-to-Serial Comm Port (/dev/ttyUSB1)";
  list[3].friendlyName = "Silicon Labs CP210x USB to UART Bridge (/dev/ttyUSB0)";
  std::string port = "unchanged";
  ASSERT_TRUE(FindKnownBridgePort(list, port));
  EXPECT_EQ(port, "");
  list.erase(list.begin() + 1);
  ASSERT_TRUE(FindKnownBridgePort(list, port));
  EXPECT_EQ(port, "/dev/ttyUSB1");
  list.erase(list.begin() + 1, list.end());
  EXPECT_FALSE(FindKnownBridgePort(list, port));
}

TEST(PortNames, ConnectByBridgeNameAcceptsTheSelectedBridge) {
  SerialPortList list(2);
  list[0].friendlyName = "Silicon Labs CP210x USB to UART Bridge Controller (/dev/ttyUSB0)";
  list[1].friendlyName = "Prolific USB-to-Serial Comm Port (/dev/ttyUSB1)";
  std::string portName = "/dev/ttyUSB1";
  EXPECT_TRUE(ConnectByBridgeName(list, portName));
  EXPECT_EQ(portName, "/dev/ttyUSB1");
  portName = "//.///dev/ttyUSB0";
  EXPECT_TRUE(ConnectByBridgeName(list, portName));
  EXPECT_EQ(portName, "/dev/ttyUSB0");
  portName = "";
  EXPECT_TRUE(ConnectByBridgeName(list, portName));
  EXPECT_EQ(portName, "/dev/ttyUSB0");
  portName = "/dev/ttyUSB7";
  EXPECT_FALSE(ConnectByBridgeName(list, portName));
  EXPECT_EQ(portName, "/dev/ttyUSB7");
}

TEST(PortDiscovery, VirtualDevicesAreListedWithTheirNamesUntilTheyStop) {
  TempDir vports;
  ScopedEnv env("DIVUZO_VPORT_DIR", vports.path().string());
  VdevProcess first({}, vports.path().string());
  VdevProcess second({"--name", "GPS Receiver on {path} (test)"}, vports.path().string());
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(second.Started());

  SerialPortList list;
  ListSerialPorts(list, false);
  const SerialPortInfo* a = FindByPath(list, first.PortPath());
  const SerialPortInfo* b = FindByPath(list, second.PortPath());
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->friendlyName, "Silicon Labs CP210x USB to UART Bridge (" + first.PortPath() + ")");
  EXPECT_EQ(a->portName, first.PortPath());
  EXPECT_EQ(a->description, "Silicon Labs CP210x USB to UART Bridge");
  EXPECT_EQ(b->friendlyName, "GPS Receiver on " + second.PortPath() + " (test)");
  EXPECT_EQ(b->description, "GPS Receiver on " + second.PortPath());

  // The automatic choice finds the virtual bridge (no real bridge is plugged in here, and
  // the virtual ones come after the hardware ports).
  std::string chosen;
  ASSERT_TRUE(FindKnownBridgePort(list, chosen));
  EXPECT_EQ(chosen, first.PortPath());

  // A port held by a program is dropped when busy ports are left out.
  TermiosPort holder;
  ASSERT_TRUE(holder.Open(first.PortPath(), 115200));
  ListSerialPorts(list, true);
  EXPECT_EQ(FindByPath(list, first.PortPath()), nullptr);
  EXPECT_NE(FindByPath(list, second.PortPath()), nullptr);
  holder.Close();

  EXPECT_EQ(first.Stop(), 0);
  ListSerialPorts(list, false);
  EXPECT_EQ(FindByPath(list, first.PortPath()), nullptr);
  EXPECT_NE(FindByPath(list, second.PortPath()), nullptr);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(vports.path()), {}), 1);
}

TEST(PortDiscovery, StaleAnnouncementsAreIgnored) {
  TempDir vports;
  ScopedEnv env("DIVUZO_VPORT_DIR", vports.path().string());
  // A process that has ended, announcing a path that exists.
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  ASSERT_FALSE(AnnounceVirtualPort({"/dev/null", "Dead Bridge (/dev/null)", dead}).empty());
  // A live process announcing a path that does not exist.
  ASSERT_FALSE(AnnounceVirtualPort({"/dev/pts/99999", "Gone Bridge (/dev/pts/99999)", getpid()}).empty());
  // A live one with a real path is listed.
  ASSERT_FALSE(AnnounceVirtualPort({"/dev/null", "Live Bridge (/dev/null)", getpid()}).empty());
  const auto ports = ListVirtualPorts();
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].friendlyName, "Live Bridge (/dev/null)");
  EXPECT_EQ(ports[0].pid, getpid());
  // The dead process's file was cleared away by the later announcements; the live ones stay.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(vports.path()), {}), 2);
}

} // namespace
} // namespace divuzo
