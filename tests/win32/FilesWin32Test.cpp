// Files, paths and system facts on Windows: atomic replacement with MoveFileExW, Windows paths in
// the image check and the conversions, file-name patterns, the program's own file, version
// resources of other files, and the computer's time zone.
#include "TempDir.h"
#include "app/FileVersionInfo.h"
#include "platform/AtomicFile.h"
#include "platform/FileIo.h"
#include "platform/System.h"
#include "update/ImageValidation.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <cerrno>
#include <cstdlib>

using namespace divuzo;
using divuzo::test::ReadFileBytes;
using divuzo::test::TempDir;
using divuzo::test::WriteFileBytes;

namespace {

// File names in `folder`.
std::vector<std::string> Names(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

}  // namespace

TEST(FilesWin32, AtomicWriteReplacesAnExistingFileAndLeavesNoTemporary) {
  TempDir dir;
  const auto target = dir / "out.txt";
  WriteFileBytes(target, "old contents");
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(target, "new\r\ncontents\n", &error)) << error;
  // Binary: the line ends are written as given.
  EXPECT_EQ(ReadFileBytes(target), "new\r\ncontents\n");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"out.txt"});
}

TEST(FilesWin32, TargetHeldOpenByAnotherProgramIsLeftAsItWas) {
  TempDir dir;
  const auto target = dir / "held.txt";
  WriteFileBytes(target, "old contents");
  // Another program has the file open without allowing it to be deleted or renamed over.
  HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string error;
  const bool written = WriteFileAtomically(target, "new contents", &error);
  CloseHandle(held);
  EXPECT_FALSE(written);
  EXPECT_NE(error.find("held.txt"), std::string::npos) << error;
  EXPECT_EQ(ReadFileBytes(target), "old contents");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"held.txt"});
}

TEST(FilesWin32, TemporaryCanBeRenamedWhileStillOpen) {
  // The caller publishes before it closes (StdioFileEx, AtomicTextFile): that must work here too.
  TempDir dir;
  std::filesystem::path temp;
  std::string error;
  const int fd = CreateTempBeside(dir / "late.txt", temp, &error);
  ASSERT_GE(fd, 0) << error;
  ASSERT_EQ(::_write(fd, "abc", 3), 3);
  EXPECT_TRUE(PublishTemp(fd, temp, dir / "late.txt", &error)) << error;
  ::_close(fd);
  EXPECT_EQ(ReadFileBytes(dir / "late.txt"), "abc");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"late.txt"});
  // A batch's renames, and a missing file to remove.
  WriteFileBytes(dir / ".late.txt.tmp-batch", "def");
  EXPECT_TRUE(SyncFilesIn(dir.path()));
  EXPECT_TRUE(RenameOver(dir / ".late.txt.tmp-batch", dir / "late.txt"));
  EXPECT_EQ(ReadFileBytes(dir / "late.txt"), "def");
  EXPECT_FALSE(RemoveFile(dir / "nothing.txt"));
  EXPECT_EQ(errno, ENOENT);
}

TEST(FilesWin32, WindowsPathsInTheImageCheck) {
  EXPECT_EQ(FolderOf("C:\\Firmware\\ZID310_V124_PLM.bin"), "C:\\Firmware");
  EXPECT_EQ(FolderOf("C:\\ZID310_V124_PLM.bin"), "C:\\");
  EXPECT_EQ(FolderOf("C:ZID310_V124_PLM.bin"), "C:");
  EXPECT_EQ(FolderOf("\\\\server\\share\\fw/ZID310_V124_PLM.bin"), "\\\\server\\share\\fw");
  EXPECT_EQ(FolderOf("ZID310_V124_PLM.bin"), ".");
  EXPECT_EQ(TempImagePathFor("C:\\Firmware"), "C:\\Firmware\\Raded_FW_Temp.bin");
  EXPECT_EQ(TempImagePathFor("C:\\"), "C:\\Raded_FW_Temp.bin");
  EXPECT_EQ(TempImagePathFor("C:"), "C:Raded_FW_Temp.bin");
  EXPECT_EQ(FileNameStart("C:\\tracks\\day1.trl"), 10u);
  EXPECT_EQ(FileNameStart("D:day1.trl"), 2u);
}

TEST(FilesWin32, PatternsMatchAsWindowsSearchesDo) {
  EXPECT_TRUE(MatchesFilePattern("DA_MT3329_*.bin", "DA_MT3329_V100.bin"));
  EXPECT_TRUE(MatchesFilePattern("DA_MT3329_*.bin", "da_mt3329_v100.BIN"));  // no case on Windows
  EXPECT_FALSE(MatchesFilePattern("DA_MT3329_*.bin", "MTK_AllInOne_DA_MT3329_V100.bin"));
  EXPECT_TRUE(MatchesFilePattern("scat.tx?", "scat.txt"));
  EXPECT_FALSE(MatchesFilePattern("scat.tx?", "scat.txt2"));
}

TEST(FilesWin32, ProgramFileAndVersionResourcesOfOtherFiles) {
  const std::filesystem::path exe = ProgramFilePath();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe.filename(), "test_win32.exe");
  EXPECT_TRUE(std::filesystem::exists(exe));

  // This program's file carries the resource windres compiled into it.
  CFileVersionInfo own;
  own.SetUserLanguage(0x0409);
  ASSERT_TRUE(own.Create(exe)) << own.LastError();
  EXPECT_EQ(own.GetProductName(), "DIVUZOvuzov");
  EXPECT_EQ(own.GetProductVersion(3), 1);

  // A system library has one of its own.
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  CFileVersionInfo library;
  ASSERT_TRUE(library.Create(std::filesystem::path(system) / "kernel32.dll"))
      << library.LastError();
  EXPECT_FALSE(library.GetFileVersion().empty());
  EXPECT_NE(library.GetProductName(), "DIVUZOvuzov");

  // A file without one.
  TempDir dir;
  WriteFileBytes(dir / "plain.txt", "no resource here");
  CFileVersionInfo none;
  EXPECT_FALSE(none.Create(dir / "plain.txt"));
  EXPECT_NE(none.LastError().find("no version resource"), std::string::npos) << none.LastError();
  EXPECT_EQ(none.GetProductVersion(3), 0);
  EXPECT_FALSE(none.Create(dir / "missing.exe"));
}

TEST(FilesWin32, StandardTimeBiasOfTheComputersZone) {
  // Wine takes the zone from TZ; ctest runs this with the zones below.
  const char* zone = std::getenv("TZ");
  ASSERT_NE(zone, nullptr) << "run with TZ set to a zone listed here";
  const std::string name = zone;
  int expected = 0;
  if (name == "Asia/Tokyo")
    expected = -540;
  else if (name == "America/New_York")
    expected = 300;  // in summer too: daylight saving left out
  else if (name == "Asia/Kolkata")
    expected = -330;
  else
    FAIL() << "no expected bias for TZ=" << name;
  EXPECT_EQ(StandardTimeBiasMinutes(), expected);
}
