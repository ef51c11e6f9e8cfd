// The Win32 serial port without a device: port names, the user's words for Windows errors, the
// line settings block, and a port that does not exist.
#include "platform/Win32LineSettings.h"
#include "platform/Win32Port.h"
#include "serial/DeviceSession.h"
#include "serial/PortChoice.h"
#include "serial/SerialPortList.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace divuzo;

TEST(Win32Port, PortNamesBecomeDevicePaths) {
  EXPECT_EQ(Win32PortDevicePath("COM3"), "\\\\.\\COM3");
  // The port list's names for ports 10 and up carry "//.//", which CreateFileW does not take.
  EXPECT_EQ(Win32PortDevicePath(ComPortOpenName(9)), "\\\\.\\COM10");
  EXPECT_EQ(Win32PortDevicePath(ComPortOpenName(8)), "\\\\.\\COM9");
  EXPECT_EQ(Win32PortDevicePath("\\\\.\\COM12"), "\\\\.\\COM12");
}

TEST(Win32Port, WindowsErrorsInTheUsersWords) {
  // Access denied while opening: another program holds the port (Wine does not refuse a second
  // open, so this is checked here rather than with two handles).
  PortError busy = DescribeWin32PortError(ERROR_ACCESS_DENIED, "COM3", true);
  EXPECT_EQ(busy.kind, PortError::Kind::Busy);
  EXPECT_NE(busy.message.find("COM3 is in use by another program"), std::string::npos)
      << busy.message;
  EXPECT_EQ(DescribeWin32PortError(ERROR_SHARING_VIOLATION, "COM3", true).kind,
            PortError::Kind::Busy);
  // A port that is not there.
  PortError missing = DescribeWin32PortError(ERROR_FILE_NOT_FOUND, "//.//COM12", true);
  EXPECT_EQ(missing.kind, PortError::Kind::NotFound);
  EXPECT_NE(missing.message.find("There is no serial port COM12"), std::string::npos)
      << missing.message;
  // The same codes while the line is in use, and the others an unplugged adapter gives: lost.
  for (DWORD code :
       {DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_OPERATION_ABORTED}, DWORD{ERROR_BAD_COMMAND},
        DWORD{ERROR_DEVICE_NOT_CONNECTED}, DWORD{ERROR_GEN_FAILURE}, DWORD{ERROR_FILE_NOT_FOUND},
        DWORD{ERROR_NOT_READY}, DWORD{ERROR_BROKEN_PIPE}}) {
    SCOPED_TRACE(code);
    const PortError lost = DescribeWin32PortError(code, "COM3", false);
    EXPECT_EQ(lost.kind, PortError::Kind::Gone);
    EXPECT_NE(lost.message.find("The connection on COM3 was lost"), std::string::npos)
        << lost.message;
    EXPECT_EQ(lost.errnoValue, static_cast<int>(code));
  }
  // Anything else keeps the system's own sentence.
  const PortError other = DescribeWin32PortError(ERROR_NOT_ENOUGH_MEMORY, "COM3", false);
  EXPECT_EQ(other.kind, PortError::Kind::Other);
  EXPECT_EQ(other.message.rfind("Cannot use COM3: ", 0), 0u) << other.message;
  EXPECT_GT(other.message.size(), std::strlen("Cannot use COM3: .")) << other.message;
  EXPECT_EQ(DescribeWin32PortError(ERROR_SUCCESS, "COM3", true).kind, PortError::Kind::None);
}

TEST(Win32Port, LineSettingsChangeOnlyTheirFields) {
  // Every bit set first: what the settings leave alone stays set.
  DCB dcb;
  std::memset(&dcb, 0xFF, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  ApplyLineSettings(dcb, 921600);
  EXPECT_EQ(dcb.BaudRate, 921600u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_EQ(dcb.fBinary, 1u);
  EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
  EXPECT_EQ(dcb.fOutxDsrFlow, 0u);
  EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
  EXPECT_EQ(dcb.fDsrSensitivity, 0u);
  EXPECT_EQ(dcb.fOutX, 0u);
  EXPECT_EQ(dcb.fInX, 0u);
  EXPECT_EQ(dcb.fNull, 0u);
  EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
  EXPECT_EQ(dcb.fAbortOnError, 0u);
  EXPECT_EQ(dcb.fParity, 1u);
  EXPECT_EQ(dcb.fTXContinueOnXoff, 1u);
  EXPECT_EQ(dcb.fErrorChar, 1u);

  const COMMTIMEOUTS t = ImmediateReadTimeouts();
  EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 0u);
}

TEST(Win32Port, PortThatDoesNotExistIsNotFound) {
  Win32Port port;
  EXPECT_FALSE(port.Open("COM199", 115200));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.LastError().kind, PortError::Kind::NotFound);
  EXPECT_NE(port.LastError().message.find("COM199"), std::string::npos) << port.LastError().message;
  char byte;
  EXPECT_EQ(port.Read(&byte, 1), -1);
  EXPECT_EQ(port.Write("x", 1), -1);
  EXPECT_FALSE(port.WaitReadable(10));

  // The session's channel says the same and leaves no line open.
  DeviceSession session;
  EXPECT_TRUE(session.SelectFromLists("COM199", 6));
  EXPECT_FALSE(session.IsOpen());
  EXPECT_FALSE(session.portOpen);
  EXPECT_EQ(session.LastError().kind, PortError::Kind::NotFound);
  PortError error;
  EXPECT_EQ(OpenSerialLink("COM199", 115200, error), nullptr);
  EXPECT_EQ(error.kind, PortError::Kind::NotFound);
}

TEST(Win32PortList, AutomaticChoiceWithTheNamesWindowsGives) {
  // As SetupAPI reports them: the port name in brackets at the end of the friendly name.
  SerialPortList list(3);
  list[0].portName = "COM1";
  list[0].friendlyName = "Communications Port (COM1)";
  list[1].portName = "COM3";
  list[1].friendlyName = "Silicon Labs CP210x USB to UART Bridge (COM3)";
  list[2].portName = "COM12";
  list[2].friendlyName = "Prolific USB-to-Serial Comm Port (COM12)";
  FinishPortList(list, false);
  EXPECT_EQ(list[1].description, "Silicon Labs CP210x USB to UART Bridge");
  std::string port;
  ASSERT_TRUE(FindKnownBridgePort(list, port));
  EXPECT_EQ(port, "COM3");  // the first port in list order with a known name
  list.erase(list.begin() + 1);
  ASSERT_TRUE(FindKnownBridgePort(list, port));
  EXPECT_EQ(port, "COM12");
  // A port typed or picked from the list opens by its device path.
  EXPECT_EQ(PortFromListEntry("Silicon Labs CP210x USB to UART Bridge (COM3)"), "COM3");
  EXPECT_EQ(PortFromListEntry("COM7"), "COM7");
  EXPECT_EQ(Win32PortDevicePath(PortFromListEntry(list[1].friendlyName)), "\\\\.\\COM12");
}

TEST(Win32PortList, PortsTheSystemKnows) {
  SerialPortList list;
  ASSERT_NO_THROW(ListSerialPorts(list, false));
  if (list.empty()) GTEST_SKIP() << "this system lists no serial ports";
  for (const auto& entry : list) {
    SCOPED_TRACE(entry.portName);
    ASSERT_GT(entry.portName.size(), 3u);
    EXPECT_EQ(entry.portName.substr(0, 3), "COM");
    EXPECT_EQ(entry.devicePath, "\\\\.\\" + entry.portName);
    EXPECT_FALSE(entry.friendlyName.empty());  // the port name where Windows gives none
    EXPECT_FALSE(entry.description.empty());
  }
}
