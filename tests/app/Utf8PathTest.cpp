// File names as UTF-8 text and as paths: the same characters both ways, and files named in
// Japanese found again by those names.
#include "TempDir.h"
#include "platform/AtomicFile.h"
#include "platform/InputFile.h"
#include "platform/Utf8Path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace divuzo;

TEST(Utf8Path, CharactersOutsideAsciiKeepTheirMeaning) {
  const std::filesystem::path path = PathFromUtf8("写真/歩く.trl");
  // The standard library's own UTF-8 conversion agrees.
  EXPECT_EQ(path, std::filesystem::path(u8"写真/歩く.trl"));
  EXPECT_EQ(Utf8FromPath(path), "写真/歩く.trl");
  EXPECT_EQ(Utf8FromPath(path.parent_path()), "写真");
  EXPECT_EQ(Utf8FromPath(path.filename()), "歩く.trl");
  EXPECT_EQ(Utf8FromPath(path.extension()), ".trl");
#ifdef _WIN32
  EXPECT_EQ(PathFromUtf8("写真").native(), L"\u5199\u771F");
  EXPECT_EQ(Utf8FromPath(std::filesystem::path(L"C:\\\u5199\u771F")), "C:\\写真");
#else
  EXPECT_EQ(PathFromUtf8("写真").native(), "\xE5\x86\x99\xE7\x9C\x9F");
#endif
  EXPECT_TRUE(PathFromUtf8("").empty());
  EXPECT_EQ(Utf8FromPath(std::filesystem::path()), "");
}

TEST(Utf8Path, BytesThatAreNotUtf8) {
  const std::string bytes = "\xFF\xFEname";
#ifdef _WIN32
  // No Windows file name holds them: they become U+FFFD, and nothing is thrown. A lone surrogate
  // (possible in a Windows name, not in UTF-8) likewise.
  EXPECT_EQ(PathFromUtf8(bytes).native(), L"\uFFFD\uFFFDname");
  const wchar_t lone[] = {L'a', wchar_t(0xD800), L'b', 0};
  EXPECT_EQ(Utf8FromPath(std::filesystem::path(lone)),
            "a\xEF\xBF\xBD"
            "b");
#else
  // A Linux file name is bytes: kept as they are.
  EXPECT_EQ(PathFromUtf8(bytes).native(), bytes);
  EXPECT_EQ(Utf8FromPath(PathFromUtf8(bytes)), bytes);
#endif
}

TEST(Utf8Path, FileInAJapaneseFolderIsWrittenListedAndReadByItsName) {
  test::TempDir dir;
  const std::string folder = Utf8FromPath(dir.path() / PathFromUtf8("写真"));
  std::filesystem::create_directory(PathFromUtf8(folder));
  const std::string file = folder + "/歩く.trl";
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(PathFromUtf8(file), "track", &error)) << error;

  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(folder)))
    names.push_back(Utf8FromPath(entry.path().filename()));
  EXPECT_EQ(names, std::vector<std::string>{"歩く.trl"});

  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(ReadInputFile(PathFromUtf8(file), 100, bytes, &error)) << error;
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "track");
  // A missing file is named in the error as it was given.
  InputFile missing(PathFromUtf8(folder + "/無い.trl"));
  EXPECT_FALSE(missing.ok());
  EXPECT_NE(missing.error().find("写真/無い.trl"), std::string::npos) << missing.error();
}
