// Named input on Windows: only regular files are read; a folder, a device and a pipe are refused
// without waiting on them.
#include "platform/InputFile.h"

#include "FifoProbe.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace divuzo {
namespace {

TEST(InputFileWin32, RegularFilesAreReadWholeWithinTheirLimit) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "ten", "01234\r\n789");
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(ReadInputFile(dir / "ten", 10, bytes, &error)) << error;
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "01234\r\n789");  // binary: no line-end changes
  EXPECT_FALSE(ReadInputFile(dir / "ten", 9, bytes, &error));
  EXPECT_EQ(error, (dir / "ten").string() + " holds more than 9 bytes");
}

TEST(InputFileWin32, OtherKindsAreRefusedWithoutWaiting) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "folder");
  InputFile folder(dir / "folder");
  EXPECT_EQ(folder.status(), InputFile::Status::NotRegular);
  EXPECT_EQ(folder.error(), (dir / "folder").string() + " is a folder, not a regular file");

  InputFile device("NUL");
  EXPECT_EQ(device.status(), InputFile::Status::NotRegular);
  EXPECT_EQ(device.error(), "NUL is a character device, not a regular file");

  // A pipe whose server never writes: refused, not read.
  const wchar_t* name = L"\\\\.\\pipe\\divuzo-input-file-test";
  HANDLE server =
      CreateNamedPipeW(name, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  std::string pipeError;
  EXPECT_TRUE(test::ReturnsWithoutWriter(name, [&] {
    InputFile pipe{std::filesystem::path(name)};
    EXPECT_EQ(pipe.status(), InputFile::Status::NotRegular);
    pipeError = pipe.error();
  }));
  CloseHandle(server);
  EXPECT_NE(pipeError.find("is a pipe, not a regular file"), std::string::npos) << pipeError;

  InputFile missing(dir / "missing");
  EXPECT_EQ(missing.status(), InputFile::Status::CannotOpen);
  EXPECT_EQ(missing.error(),
            "cannot open " + (dir / "missing").string() + ": No such file or directory");
}

}  // namespace
}  // namespace divuzo
