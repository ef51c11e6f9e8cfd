// Version resources in files on Linux: the program's own in its ELF executable, bare resource
// files, and the user's language taken from the locale variables.
#include "app/FileVersionInfo.h"

#include "ScopedEnv.h"
#include "TempDir.h"
#include "VersionResourceSamples.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace divuzo;
using divuzo::test::MadeUpResource;
using divuzo::test::ScopedEnv;
using divuzo::test::TempDir;
using divuzo::test::WriteFileBytes;

TEST(FileVersionInfo, OwnResourceIsInTheExecutableFile) {
  CFileVersionInfo info;
  info.SetUserLanguage(0x0409);
  ASSERT_TRUE(info.Create()) << info.LastError();
  CFileVersionInfo fromFile;
  fromFile.SetUserLanguage(0x0409);
  ASSERT_TRUE(fromFile.Create(std::filesystem::path("/proc/self/exe"))) << fromFile.LastError();
  EXPECT_EQ(fromFile.FixedBlock(), info.FixedBlock());
  EXPECT_EQ(fromFile.GetProductName(), "DIVUZOvuzov");
}

TEST(FileVersionInfo, Files) {
  TempDir dir;
  CFileVersionInfo info;
  info.SetUserLanguage(0x0411);
  const std::string resource = MadeUpResource({0x04B00411});
  WriteFileBytes(dir / "bare.res", resource);
  ASSERT_TRUE(info.Create(dir / "bare.res")) << info.LastError();
  EXPECT_EQ(info.GetProductName(), "table 0411");

  EXPECT_FALSE(info.Create(dir / "missing.exe"));
  EXPECT_NE(info.LastError().find("missing.exe"), std::string::npos);
  EXPECT_FALSE(info.Create(dir.path()));
  WriteFileBytes(dir / "empty", "");
  EXPECT_FALSE(info.Create(dir / "empty"));
  // An executable without the resource, and one cut short in its headers.
  EXPECT_FALSE(info.Create(std::filesystem::path("/bin/true")));
  EXPECT_NE(info.LastError().find("no version resource"), std::string::npos) << info.LastError();
  std::string head(200, '\0');
  std::ifstream("/proc/self/exe", std::ios::binary).read(head.data(), 200);
  WriteFileBytes(dir / "cut.elf", head);
  EXPECT_FALSE(info.Create(dir / "cut.elf"));
  EXPECT_FALSE(info.LastError().empty());
  WriteFileBytes(dir / "garbage.res", std::string(64, '\x7F'));
  EXPECT_FALSE(info.Create(dir / "garbage.res"));
}

TEST(FileVersionInfo, UserLanguageFromTheLocale) {
  ScopedEnv all("LC_ALL", "ja_JP.UTF-8");
  ScopedEnv messages("LC_MESSAGES", "de_DE.UTF-8");
  ScopedEnv lang("LANG", "en_US.UTF-8");
  EXPECT_EQ(CFileVersionInfo::UserDefaultLanguageId(), 0x0411);
  ::setenv("LC_ALL", "", 1); // empty counts as unset
  EXPECT_EQ(CFileVersionInfo::UserDefaultLanguageId(), 0x0407);
  ::unsetenv("LC_MESSAGES");
  EXPECT_EQ(CFileVersionInfo::UserDefaultLanguageId(), 0x0409);

  // Without an injected language the locale decides.
  ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
  const std::string resource = MadeUpResource({0x04B00409, 0x04B00411});
  CFileVersionInfo info;
  ASSERT_TRUE(info.Create(resource.data(), resource.size()));
  EXPECT_EQ(info.GetProductName(), "table 0411");
}
