#include "app/FileVersionInfo.h"

#include "app/VersionResourceWriter.h"
#include "VersionResourceSamples.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

using namespace divuzo;
using divuzo::test::MadeUpResource;

namespace {

// Parses `bytes` from a heap copy of exactly their size, so that AddressSanitizer sees any read
// past the end.
bool CreateFromExactCopy(CFileVersionInfo& info, const std::string& bytes) {
  std::unique_ptr<unsigned char[]> copy(new unsigned char[bytes.size() + (bytes.empty() ? 1 : 0)]);
  std::memcpy(copy.get(), bytes.data(), bytes.size());
  return info.Create(copy.get(), bytes.size());
}

} // namespace

TEST(FileVersionInfo, ProgramsOwnResource) {
  CFileVersionInfo info;
  info.SetUserLanguage(0x0411); // a Japanese user still gets the only (English) table
  ASSERT_TRUE(info.Create()) << info.LastError();
  EXPECT_EQ(info.GetProductVersion(3), 1);
  EXPECT_EQ(info.GetProductVersion(2), 0);
  EXPECT_EQ(info.GetProductVersion(1), 0);
  EXPECT_EQ(info.GetProductVersion(0), 0);
  EXPECT_EQ(info.GetFileVersion(3), 1);
  EXPECT_EQ(info.GetProductVersion(4), 0);
  EXPECT_EQ(info.GetProductVersion(-1), 0);
  EXPECT_EQ(info.FixedBlock()[0], kFixedFileInfoSignature);
  EXPECT_EQ(info.ChosenTranslation(), 0x04B00409u);
  EXPECT_EQ(info.GetProductName(), "DIVUZOvuzov");
  EXPECT_EQ(info.GetProductVersion(), "1, 0, 0, 0");
  EXPECT_EQ(info.GetFileVersion(), "1, 0, 0, 0");
  // Names match without regard to case: the resource says "OriginalFilename".
  EXPECT_EQ(info.GetOriginalFileName(), "divuzovuzov");
  EXPECT_FALSE(info.GetCompanyName().empty());
  EXPECT_EQ(info.GetSpecialBuild(), "");
  EXPECT_EQ(info.GetFileType(), 1u);


  info.Reset();
  EXPECT_EQ(info.GetProductVersion(3), 0);
  EXPECT_EQ(info.GetProductName(), "");
  EXPECT_EQ(info.FixedBlock()[0], 0u);
}

TEST(FileVersionInfo, HandAssembledResourceIsRead) {
  // Lengths worked out by hand, independent of the writer.
  std::string r;
  auto u16 = [&](unsigned v) { r += static_cast<char>(v & 0xFF); r += static_cast<char>(v >> 8); };
  auto key = [&](const char* k) { for (; *k; ++k) u16(static_cast<unsigned char>(*k)); u16(0); };
  auto pad = [&] { while (r.size() % 4) r += '\0'; };
  u16(260); u16(52); u16(0); key("VS_VERSION_INFO"); pad();              // 0 .. 40
  for (std::uint32_t v : {0xFEEF04BDu, 0x10000u, 0x00050006u, 0x00070008u, 0x00010002u, 0x00030004u,
                          0x3Fu, 0u, 4u, 2u, 0u, 0x01D2C3B4u, 0xA5968778u}) {
    u16(v & 0xFFFF); u16(v >> 16);
  }                                                                      // .. 92
  u16(98); u16(0); u16(1); key("StringFileInfo");                        // .. 128
  u16(62); u16(0); u16(1); key("041104B0");                              // .. 152
  u16(38); u16(3); u16(1); key("ProductName"); pad(); u16('X'); u16('y'); u16(0); pad(); // .. 192
  u16(68); u16(0); u16(1); key("VarFileInfo"); pad();                    // .. 224
  u16(36); u16(4); u16(0); key("Translation"); pad(); u16(0x0411); u16(0x04B0); // .. 260
  ASSERT_EQ(r.size(), 260u);

  CFileVersionInfo info;
  info.SetUserLanguage(0x0409);
  ASSERT_TRUE(CreateFromExactCopy(info, r)) << info.LastError();
  EXPECT_EQ(info.GetProductName(), "Xy");
  EXPECT_EQ(info.GetProductVersion(3), 1);
  EXPECT_EQ(info.GetProductVersion(2), 2);
  EXPECT_EQ(info.GetProductVersion(1), 3);
  EXPECT_EQ(info.GetProductVersion(0), 4);
  EXPECT_EQ(info.GetFileVersion(3), 5);
  EXPECT_EQ(info.GetFileVersion(0), 8);
  EXPECT_EQ(info.GetFileOs(), 4u);
  EXPECT_EQ(info.GetFileType(), 2u);
  EXPECT_EQ(info.GetFileFlagsMask(), 0x3Fu);
  // 0x01D2C3B4A5968778 hundreds of nanoseconds since 1601.
  EXPECT_EQ(info.GetFileDate(), static_cast<std::time_t>((0x01D2C3B4A5968778ull - 116444736000000000ull) / 10000000ull));
}

TEST(FileVersionInfo, TranslationChoice) {
  CFileVersionInfo info;
  // Step 2: same primary language (low byte 0x11).
  info.SetUserLanguage(0x0411);
  ASSERT_TRUE(info.Create(MadeUpResource({0x04B00409, 0x04B00811}).data(), MadeUpResource({0x04B00409, 0x04B00811}).size()));
  EXPECT_EQ(info.ChosenTranslation(), 0x04B00811u);
  EXPECT_EQ(info.GetProductName(), "table 0811");
  EXPECT_EQ(info.GetComments(), "日本");
  EXPECT_EQ(info.GetProductVersion(3), 7);
  // Step 5: nothing matches, the first entry wins.
  const std::string german = MadeUpResource({0x04E40407});
  ASSERT_TRUE(info.Create(german.data(), german.size()));
  EXPECT_EQ(info.ChosenTranslation(), 0x04E40407u);
  EXPECT_EQ(info.GetProductName(), "table 0407");
  // Step 1: the exact language, even when listed last.
  info.SetUserLanguage(0x0809);
  const std::string english = MadeUpResource({0x04B00409, 0x04B00809});
  ASSERT_TRUE(info.Create(english.data(), english.size()));
  EXPECT_EQ(info.GetProductName(), "table 0809");

  const std::uint32_t table[] = {0x04B00407, 0x04B00809, 0x04B00000, 0x04B00411};
  EXPECT_EQ(CFileVersionInfo::ChooseTranslation(table, 4, 0x0411), 0x04B00411u);
  EXPECT_EQ(CFileVersionInfo::ChooseTranslation(table, 4, 0x0811), 0x04B00411u);
  EXPECT_EQ(CFileVersionInfo::ChooseTranslation(table, 3, 0x0411), 0x04B00000u); // step 3: neutral
  EXPECT_EQ(CFileVersionInfo::ChooseTranslation(table, 2, 0x0411), 0x04B00809u); // step 4: English
  EXPECT_EQ(CFileVersionInfo::ChooseTranslation(table, 1, 0x0411), 0x04B00407u);
  EXPECT_EQ(CFileVersionInfo::ChooseTranslation(table, 0, 0x0411), std::nullopt);
}

TEST(FileVersionInfo, MissingPartsLeaveFieldsEmptyButSucceed) {
  VersionResourceContents contents;
  FixedFileInfo fixed;
  fixed.productVersionMS = 0x00010002;
  contents.fixedBlock = FixedFileInfoBytes(fixed);
  contents.tables.push_back(VersionStringTable{0x0409, 0x04B0, {{u"ProductName", u"P"}}});
  CFileVersionInfo info;
  info.SetUserLanguage(0x0409);

  // No translation table.
  std::string bytes = BuildVersionResource(contents);
  ASSERT_TRUE(CreateFromExactCopy(info, bytes));
  EXPECT_EQ(info.GetProductVersion(3), 1);
  EXPECT_EQ(info.GetProductName(), "");
  // A translation whose table is missing.
  contents.translations = std::vector<std::uint32_t>{0x04E40407};
  ASSERT_TRUE(CreateFromExactCopy(info, BuildVersionResource(contents)));
  EXPECT_EQ(info.GetProductName(), "");
  // An empty translation table.
  contents.translations = std::vector<std::uint32_t>{};
  ASSERT_TRUE(CreateFromExactCopy(info, BuildVersionResource(contents)));
  EXPECT_EQ(info.ChosenTranslation(), std::nullopt);
  // A fixed block of another length is ignored.
  contents.translations = std::vector<std::uint32_t>{0x04B00409};
  contents.fixedBlock = FixedFileInfoBytes(fixed).substr(0, 48);
  ASSERT_TRUE(CreateFromExactCopy(info, BuildVersionResource(contents)));
  EXPECT_EQ(info.GetProductVersion(3), 0);
  EXPECT_EQ(info.FixedBlock()[0], 0u);
  EXPECT_EQ(info.GetProductName(), "P");
}

TEST(FileVersionInfo, DamagedResourcesFailCleanly) {
  const std::string good = MadeUpResource({0x04B00409});
  const std::uint16_t rootLength = static_cast<std::uint16_t>(static_cast<unsigned char>(good[0]) | (static_cast<unsigned char>(good[1]) << 8));
  CFileVersionInfo info;
  info.SetUserLanguage(0x0409);
  // Every cut short of the root block's length fails with a message.
  for (std::size_t n = 0; n < rootLength; ++n) {
    ASSERT_FALSE(CreateFromExactCopy(info, good.substr(0, n))) << n;
    ASSERT_FALSE(info.LastError().empty());
    ASSERT_EQ(info.GetProductVersion(3), 0);
  }
  EXPECT_TRUE(CreateFromExactCopy(info, good.substr(0, rootLength)));
  EXPECT_TRUE(info.LastError().empty());

  std::string wrongRoot = good;
  wrongRoot[6] = 'X';
  EXPECT_FALSE(CreateFromExactCopy(info, wrongRoot));
  EXPECT_NE(info.LastError().find("not a version resource"), std::string::npos) << info.LastError();
  std::string tiny = good;
  tiny[0] = 4, tiny[1] = 0;
  EXPECT_FALSE(CreateFromExactCopy(info, tiny));
  // A name that never ends inside its block.
  std::string r;
  auto u16 = [&](unsigned v) { r += static_cast<char>(v & 0xFF); r += static_cast<char>(v >> 8); };
  u16(12); u16(0); u16(0); u16('V'); u16('S'); u16('_');
  EXPECT_FALSE(CreateFromExactCopy(info, r));
  // A binary value longer than its block.
  r.clear();
  u16(40); u16(52); u16(0);
  for (char c : std::string("VS_VERSION_INFO")) u16(static_cast<unsigned char>(c));
  u16(0);
  r.resize(40, '\0');
  EXPECT_FALSE(CreateFromExactCopy(info, r));
  EXPECT_FALSE(info.Create(nullptr, 10));

  // Random damage never reads outside the input or crashes; the result may go either way.
  std::mt19937 random(20261208);
  int accepted = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string bad = good;
    const int flips = 1 + static_cast<int>(random() % 6);
    for (int f = 0; f < flips; ++f) bad[random() % bad.size()] = static_cast<char>(random() & 0xFF);
    if (CreateFromExactCopy(info, bad)) ++accepted;
    else ASSERT_FALSE(info.LastError().empty());
  }
  EXPECT_GT(accepted, 0); // damage to string contents alone is still a readable resource
}

TEST(FileVersionInfo, LanguageIdsOfLocales) {
  EXPECT_EQ(CFileVersionInfo::LanguageIdForLocale("ja_JP.UTF-8"), 0x0411);
  EXPECT_EQ(CFileVersionInfo::LanguageIdForLocale("ja_JP.eucJP"), 0x0411);
  EXPECT_EQ(CFileVersionInfo::LanguageIdForLocale("en_US.UTF-8"), 0x0409);
  EXPECT_EQ(CFileVersionInfo::LanguageIdForLocale("en_GB"), 0x0809);
  EXPECT_EQ(CFileVersionInfo::LanguageIdForLocale("de_DE.UTF-8@euro"), 0x0407);
  EXPECT_EQ(CFileVersionInfo::LanguageIdForLocale("de_AT"), 0x0C07);
  EXPECT_EQ(CFileVersionInfo::LanguageIdForLocale("de"), 0x0407);
  EXPECT_EQ(CFileVersionInfo::LanguageIdForLocale("zh_TW.UTF-8"), 0x0404);
  EXPECT_EQ(CFileVersionInfo::LanguageIdForLocale("C.UTF-8"), 0x0409);
  EXPECT_EQ(CFileVersionInfo::LanguageIdForLocale("POSIX"), 0x0409);
  EXPECT_EQ(CFileVersionInfo::LanguageIdForLocale("tlh_XX"), 0);
}
