// Port discovery: naming rules, and the list as the system and running virtual devices make it.
#include "CaptureOutput.h"
#include "FifoProbe.h"
#include "VdevProcess.h"

#include "platform/TermiosPort.h"
#include "serial/PortChoice.h"
#include "serial/SerialPortList.h"
#include "serial/VirtualPorts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sys/stat.h>
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
  // The names discovery gives here name the same bridges.
  list[0].friendlyName = MakeFriendlyName("cp210x", "10c4", "", "", "/dev/ttyUSB0");
  list[1].friendlyName =
      MakeFriendlyName("ftdi_sio", "0403", "FTDI", "FT232R USB UART", "/dev/ttyUSB1");
  portName = "/dev/ttyUSB0";
  EXPECT_TRUE(ConnectByBridgeName(list, portName));
  portName = "/dev/ttyUSB1";
  EXPECT_FALSE(ConnectByBridgeName(list, portName));
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

// The announcement folder steers Auto Detect, so only a folder of this user's own is used: one
// made when missing is private; a link, a folder of another user or one that others can write
// to is neither listed nor announced into, and the reason is told.
TEST(PortDiscovery, AnnouncementFolderMustBeThisUsersAlone) {
  TempDir base;
  const std::filesystem::path made = base / "runtime" / "divuzovuzov";
  {
    ScopedEnv unset("DIVUZO_VPORT_DIR", "");
    ScopedEnv runtime("XDG_RUNTIME_DIR", (base / "runtime").string());
    ASSERT_FALSE(AnnounceVirtualPort({"/dev/null", "Live Bridge (/dev/null)", getpid()}).empty());
    struct stat info {};
    ASSERT_EQ(::lstat(made.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(ListVirtualPorts().size(), 1u);
  }

  auto refused = [&](const std::filesystem::path& dir, const std::string& reason) {
    SCOPED_TRACE(dir.string());
    ScopedEnv env("DIVUZO_VPORT_DIR", dir.string());
    std::string problem;
    EXPECT_TRUE(ListVirtualPorts(&problem).empty());
    EXPECT_NE(problem.find(reason), std::string::npos) << problem;
    std::string error;
    EXPECT_TRUE(
        AnnounceVirtualPort({"/dev/null", "Planted (/dev/null)", getpid()}, &error).empty());
    EXPECT_NE(error.find(reason), std::string::npos) << error;
    // The command line says why no virtual port is listed.
    const auto ports =
        test::RunCliWithin(20, "ports", "DIVUZO_VPORT_DIR=" + test::ShellQuote(dir.string()));
    EXPECT_EQ(ports.out.find("Live Bridge"), std::string::npos) << ports.out;
    EXPECT_NE(ports.out.find(reason), std::string::npos) << ports.out;
  };
  std::filesystem::create_directory_symlink(made, base / "link");
  refused(base / "link", "is a symbolic link");
  for (mode_t mode : {0777, 0730, 0702}) {
    ASSERT_EQ(::chmod(made.c_str(), mode), 0);
    refused(made, "can be written by other users");
  }
  ASSERT_EQ(::chmod(made.c_str(), 0700), 0);
  // Another user's folder: as root one is made by handing it over; otherwise the system's own
  // folders belong to root.
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(made.c_str(), 65534, 65534), 0);
    refused(made, "belongs to user 65534");
    ASSERT_EQ(::chown(made.c_str(), 0, 0), 0);
  } else {
    refused("/usr", "belongs to user 0");
  }
  test::WriteFileBytes(base / "file", "");
  refused(base / "file", "is not a folder");
}

// Inside the folder only regular files are read, each up to a bound: a link to /dev/zero, a
// FIFO, a link to an announcement elsewhere and an oversized file are skipped, and nothing waits.
TEST(PortDiscovery, OnlyRegularAnnouncementsWithinABoundAreRead) {
  TempDir vports;
  ScopedEnv env("DIVUZO_VPORT_DIR", vports.path().string());
  ASSERT_FALSE(AnnounceVirtualPort({"/dev/null", "Live Bridge (/dev/null)", getpid()}).empty());
  const std::string planted =
      "path=/dev/null\nname=Planted Bridge (/dev/null)\npid=" + std::to_string(getpid()) + "\n";
  TempDir elsewhere;
  test::WriteFileBytes(elsewhere / "real.vport", planted);
  std::filesystem::create_symlink(elsewhere / "real.vport", vports / "link.vport");
  std::filesystem::create_symlink("/dev/zero", vports / "zero.vport");
  test::WriteFileBytes(vports / "big.vport", planted + std::string(kMaxAnnouncementBytes, '#'));
  ASSERT_TRUE(test::MakeFifo(vports / "fifo.vport"));

  std::vector<VirtualPortAnnouncement> ports;
  EXPECT_TRUE(
      test::ReturnsWithoutWriter(vports / "fifo.vport", [&] { ports = ListVirtualPorts(); }));
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].friendlyName, "Live Bridge (/dev/null)");
  // A new announcement clears stale ones away; it meets the same files and skips them too.
  EXPECT_TRUE(test::ReturnsWithoutWriter(vports / "fifo.vport", [] {
    EXPECT_FALSE(AnnounceVirtualPort({"/dev/zero", "Second (/dev/zero)", getpid()}).empty());
  }));
  EXPECT_EQ(ListVirtualPorts().size(), 2u);
}

} // namespace
} // namespace divuzo
