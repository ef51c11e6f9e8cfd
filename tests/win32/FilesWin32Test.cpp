// Files, paths and system facts on Windows: atomic replacement with MoveFileExW, Windows paths in
// the image check and the conversions, file and folder names in Japanese, file-name patterns, the
// program's own file, version resources of other files, and the computer's time zone.
#include "ImageFixtures.h"
#include "TempDir.h"
#include "app/FileVersionInfo.h"
#include "platform/AtomicFile.h"
#include "platform/FileIo.h"
#include "platform/InputFile.h"
#include "platform/System.h"
#include "platform/Utf8Path.h"
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
    names.push_back(Utf8FromPath(entry.path().filename()));
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

namespace {

// Whether a file or folder of that wide name exists, asked of the system itself.
bool ExistsByWideName(const std::wstring& name) {
  return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

TEST(FilesWin32, JapaneseFolderAndFileNamesThroughTheCoreFunctions) {
  TempDir dir;
  const std::wstring wideFolder = dir.path().native() + L"\\\u5199\u771F";  // 写真
  const std::wstring wideFile = wideFolder + L"\\\u6B69\u304F.trl";         // 歩く.trl
  const std::string folder = Utf8FromPath(dir.path()) + "\\写真";
  const std::string file = folder + "\\歩く.trl";
  ASSERT_TRUE(CreateDirectoryW(wideFolder.c_str(), nullptr));

  std::string error;
  ASSERT_TRUE(WriteFileAtomically(PathFromUtf8(file), "track", &error)) << error;
  EXPECT_TRUE(ExistsByWideName(wideFile));
  EXPECT_EQ(Names(PathFromUtf8(folder)), std::vector<std::string>{"歩く.trl"});

  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(ReadInputFile(PathFromUtf8(file), 100, bytes, &error)) << error;
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "track");
  std::FILE* stream = OpenFileStream(PathFromUtf8(file), "rb");
  ASSERT_NE(stream, nullptr);
  std::fclose(stream);
  std::time_t changed = 0;
  EXPECT_TRUE(FileModificationTime(PathFromUtf8(file), changed));
  EXPECT_GT(changed, 0);

  EXPECT_TRUE(RemoveFile(PathFromUtf8(file)));
  EXPECT_FALSE(ExistsByWideName(wideFile));
  EXPECT_TRUE(RemoveEmptyFolder(PathFromUtf8(folder)));
  EXPECT_FALSE(ExistsByWideName(wideFolder));
}

TEST(FilesWin32, ImageCheckInAJapaneseFolder) {
  TempDir dir;
  const std::wstring wideFolder = dir.path().native() + L"\\\u5199\u771F";  // 写真
  ASSERT_TRUE(CreateDirectoryW(wideFolder.c_str(), nullptr));
  const std::string folder = Utf8FromPath(dir.path()) + "\\写真";
  const std::string image = folder + "\\ZID310_V124_PLM.bin";
  const std::vector<std::uint8_t> payload = test::MakePayload(2048);
  test::WriteImageFile(PathFromUtf8(image), test::Headerless(payload));

  const std::string temp = TempImagePathFor(folder);
  const ExtractResult r = ExtractImage(image, ImageForm::Headerless, temp);
  ASSERT_EQ(r.status, ExtractStatus::Ok) << r.detail;
  EXPECT_EQ(ReadFileBytes(wideFolder + L"\\Raded_FW_Temp.bin"), test::AsString(payload));
  EXPECT_TRUE(DeleteTempImage(temp));
  EXPECT_FALSE(ExistsByWideName(wideFolder + L"\\Raded_FW_Temp.bin"));
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
