#include "app/StdioFileEx.h"

#include "ScopedEnv.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using divuzo::CStdioFileEx;
using divuzo::test::ReadFileBytes;
using divuzo::test::ScopedEnv;
using divuzo::test::TempDir;
using divuzo::test::WriteFileBytes;

namespace {

// Whether this system converts to `codePage` at all (Wine, for one, lacks ISO-2022-JP and GB18030).
bool CodePageAvailable(int codePage) { return !CStdioFileEx::ToAnsi(u"A", codePage).empty(); }

} // namespace

namespace {

// UTF-16LE bytes of `text`, encoded here by hand so the file does not depend on the code under test.
std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

std::vector<std::string> ReadAllLines(CStdioFileEx& file) {
  std::vector<std::string> lines;
  std::string line;
  while (file.ReadString(line)) lines.push_back(line);
  return lines;
}

const std::u16string kNihon = u"\u65E5\u672C"; // 日本

} // namespace

TEST(StdioFileEx, ReadsUtf16FileWithMarkAsLinesWithoutEnds) {
  TempDir dir;
  auto path = dir / "photo.kml";
  std::string bytes = "\xFF\xFE" + Utf16Le(u"<a>\u65E5\u672C</a>\r\nsecond\nthird\r\nlast\r");
  WriteFileBytes(path, bytes);
  ASSERT_TRUE(CStdioFileEx::HasUnicodeMark(path));

  CStdioFileEx file;
  ASSERT_TRUE(file.Open(path, CStdioFileEx::modeRead | CStdioFileEx::typeText)) << file.LastError();
  EXPECT_TRUE(file.IsUnicode());
  EXPECT_EQ(file.GetOpenFlags(), CStdioFileEx::modeRead | CStdioFileEx::typeBinary);
  EXPECT_EQ(file.CharacterCount(), static_cast<std::int64_t>(bytes.size() - 2) / 2);
  EXPECT_EQ(ReadAllLines(file), (std::vector<std::string>{"<a>日本</a>", "second", "third", "last"}));
}

TEST(StdioFileEx, UnicodeDetectionOnlyForTextReading) {
  TempDir dir;
  auto path = dir / "marked.txt";
  WriteFileBytes(path, "\xFF\xFE" + Utf16Le(u"x"));

  CStdioFileEx binary;
  ASSERT_TRUE(binary.Open(path, CStdioFileEx::modeRead | CStdioFileEx::typeBinary));
  EXPECT_FALSE(binary.IsUnicode());
  EXPECT_EQ(binary.CharacterCount(), 4);
  binary.Close();

  CStdioFileEx writing;
  ASSERT_TRUE(writing.Open(path, CStdioFileEx::modeWrite | CStdioFileEx::typeText));
  EXPECT_FALSE(writing.IsUnicode());
  EXPECT_EQ(writing.GetOpenFlags() & CStdioFileEx::typeText, CStdioFileEx::typeText);
  ASSERT_TRUE(writing.Close());

  EXPECT_FALSE(CStdioFileEx::HasUnicodeMark(dir / "missing.txt"));
  WriteFileBytes(dir / "one.txt", "\xFF");
  EXPECT_FALSE(CStdioFileEx::HasUnicodeMark(dir / "one.txt"));
  WriteFileBytes(dir / "be.txt", "\xFE\xFF");
  EXPECT_FALSE(CStdioFileEx::HasUnicodeMark(dir / "be.txt"));
}

TEST(StdioFileEx, WriteUnicodePutsMarkOnceAndReadsBack) {
  TempDir dir;
  auto path = dir / "out.kml";
  {
    CStdioFileEx file;
    ASSERT_TRUE(file.Open(path, CStdioFileEx::modeCreate | CStdioFileEx::modeWrite |
                                    CStdioFileEx::modeWriteUnicode));
    ASSERT_TRUE(file.WriteString("A日本\r\n"));
    ASSERT_TRUE(file.WriteString("B"));
    EXPECT_EQ(file.CharacterCount(), 6);
    ASSERT_TRUE(file.Close()) << file.LastError();
  }
  EXPECT_EQ(ReadFileBytes(path), "\xFF\xFE" + Utf16Le(u"A" + kNihon + u"\r\nB"));

  CStdioFileEx reader(path, CStdioFileEx::modeRead | CStdioFileEx::typeText);
  ASSERT_TRUE(reader.IsOpen());
  EXPECT_EQ(ReadAllLines(reader), (std::vector<std::string>{"A日本", "B"}));
}

TEST(StdioFileEx, EightBitLinesKeepInnerCrAndLoseOneLineEnd) {
  TempDir dir;
  auto path = dir / "log.txt";
  WriteFileBytes(path, "a\r\nb\nc\rd\r\n\r\n\ne\r");
  CStdioFileEx file(path, CStdioFileEx::modeRead | CStdioFileEx::typeText);
  ASSERT_TRUE(file.IsOpen());
  EXPECT_FALSE(file.IsUnicode());
  EXPECT_EQ(file.CharacterCount(), 15);
  EXPECT_EQ(ReadAllLines(file), (std::vector<std::string>{"a", "b", "c\rd", "", "", "e"}));
  std::string line = "stale";
  EXPECT_FALSE(file.ReadString(line));
  EXPECT_EQ(line, "");
}

TEST(StdioFileEx, FileCodePageConvertsBothWays) {
  TempDir dir;
  struct Case {
    int codePage;
    std::string bytes; // "日本 é" as the code page stores it; "#" where it cannot
  };
  const Case cases[] = {
      {932, "\x93\xFA\x96\x7B #"},
#ifdef _WIN32
      // Windows' own EUC-JP table writes JIS X 0212 characters in two bytes, without the 0x8F.
      {20932, "\xC6\xFC\xCB\xDC \xAB\x31"},
#else
      {20932, "\xC6\xFC\xCB\xDC \x8F\xAB\xB1"},
#endif
      {28591, "## \xE9"},
      {65001, "日本 é"},
      {CStdioFileEx::kProgramCodePage, "日本 é"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    auto path = dir / ("cp" + std::to_string(c.codePage) + ".txt");
    CStdioFileEx out;
    ASSERT_TRUE(out.Open(path, CStdioFileEx::modeCreate | CStdioFileEx::modeWrite | CStdioFileEx::typeText));
    out.SetFileCodePage(c.codePage);
    ASSERT_TRUE(out.WriteString("日本 é\r\n"));
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(ReadFileBytes(path), c.bytes + "\r\n");

    CStdioFileEx in(path, CStdioFileEx::modeRead | CStdioFileEx::typeText);
    in.SetFileCodePage(c.codePage);
    std::string line;
    ASSERT_TRUE(in.ReadString(line));
    std::string expected = c.codePage == 28591 ? "## é" : c.codePage == 932 ? "日本 #" : "日本 é";
    EXPECT_EQ(line, expected);
  }
}

TEST(StdioFileEx, CreateReplacesOnlyOnClose) {
  TempDir dir;
  auto path = dir / "track.txt";
  WriteFileBytes(path, "old contents\n");
  {
    CStdioFileEx file(path, CStdioFileEx::modeCreate | CStdioFileEx::modeWrite | CStdioFileEx::typeText);
    ASSERT_TRUE(file.IsOpen());
    ASSERT_TRUE(file.WriteString("new"));
    EXPECT_EQ(ReadFileBytes(path), "old contents\n");
    // Destroyed without Close: the export was abandoned.
  }
  EXPECT_EQ(ReadFileBytes(path), "old contents\n");
  {
    CStdioFileEx file(path, CStdioFileEx::modeCreate | CStdioFileEx::modeWrite | CStdioFileEx::typeText);
    ASSERT_TRUE(file.WriteString("new\n"));
    ASSERT_TRUE(file.Close());
  }
  EXPECT_EQ(ReadFileBytes(path), "new\n");
  // No temporary files are left beside the target.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(StdioFileEx, OpenFailuresAreReportedNotThrown) {
  TempDir dir;
  CStdioFileEx file;
  std::string error;
  EXPECT_FALSE(file.Open(dir / "none.txt", CStdioFileEx::modeRead | CStdioFileEx::typeText, &error));
  EXPECT_NE(error.find("none.txt"), std::string::npos) << error;
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.CharacterCount(), 0);
  std::string line;
  EXPECT_FALSE(file.ReadString(line));
  EXPECT_FALSE(file.WriteString("x"));

  EXPECT_FALSE(file.Open(dir.path(), CStdioFileEx::modeRead));
  EXPECT_FALSE(file.Open(dir / "no-folder" / "x.txt", CStdioFileEx::modeCreate | CStdioFileEx::modeWrite));
  EXPECT_FALSE(file.LastError().empty());
  // Write-Unicode needs a write mode.
  WriteFileBytes(dir / "r.txt", "r");
  EXPECT_FALSE(file.Open(dir / "r.txt", CStdioFileEx::modeRead | CStdioFileEx::modeWriteUnicode));
}

TEST(StdioFileEx, UnicodeReaderHandlesOddByteAndLongLines) {
  TempDir dir;
  auto path = dir / "long.txt";
  std::u16string longLine(5000, u'x');
  WriteFileBytes(path, "\xFF\xFE" + Utf16Le(longLine + u"\r\ny") + "\x41");
  CStdioFileEx file(path, CStdioFileEx::modeRead | CStdioFileEx::typeText);
  auto lines = ReadAllLines(file);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(5000, 'x'));
  EXPECT_EQ(lines[1], "y");

  // Only the mark: no lines.
  WriteFileBytes(path, "\xFF\xFE");
  CStdioFileEx empty(path, CStdioFileEx::modeRead | CStdioFileEx::typeText);
  EXPECT_TRUE(empty.IsUnicode());
  EXPECT_EQ(empty.CharacterCount(), 0);
  EXPECT_TRUE(ReadAllLines(empty).empty());
}

TEST(StdioFileExConversion, SizedBuffersCountWithoutTerminator) {
  char16_t wide[8];
  EXPECT_EQ(CStdioFileEx::ToWide("A日本", wide, 8, 65001), 3);
  EXPECT_EQ(std::u16string(wide), u"A" + kNihon);
  // Three units plus the terminator need four.
  EXPECT_EQ(CStdioFileEx::ToWide("A日本", wide, 4, 65001), 3);
  EXPECT_EQ(CStdioFileEx::ToWide("A日本", wide, 3, 65001), 0);
  EXPECT_EQ(wide[0], u'\0');
  EXPECT_EQ(CStdioFileEx::ToWide(nullptr, wide, 8, 65001), 0);
  EXPECT_EQ(CStdioFileEx::ToWide("A", nullptr, 8, 65001), 0);
  EXPECT_EQ(CStdioFileEx::ToWide("A", wide, 8, 12345), 0);

  const std::u16string text = u"A" + kNihon;
  EXPECT_EQ(CStdioFileEx::AnsiSizeFor(text.c_str(), 932), 6);
  EXPECT_EQ(CStdioFileEx::AnsiSizeFor(text.c_str(), 65001), 8);
  char ansi[8];
  EXPECT_EQ(CStdioFileEx::ToAnsi(text.c_str(), ansi, 6, 932), 5);
  EXPECT_EQ(std::string(ansi), "A\x93\xFA\x96\x7B");
  EXPECT_EQ(CStdioFileEx::ToAnsi(text.c_str(), ansi, 5, 932), 0);
  EXPECT_EQ(ansi[0], '\0');
  EXPECT_EQ(CStdioFileEx::ToAnsi(text.c_str(), ansi, 0, 932), 0);
  EXPECT_EQ(CStdioFileEx::ToAnsi(nullptr, ansi, 8, 932), 0);
}

TEST(StdioFileExConversion, UnmappableAndInvalidInput) {
  // One "#" per character, a surrogate pair included.
  EXPECT_EQ(CStdioFileEx::ToAnsi(u"A\u65E5\u20AC\U0001F600z", 28591), "A###z");
  EXPECT_EQ(CStdioFileEx::ToAnsi(u"\u20AC", 1252), "\x80");
  EXPECT_EQ(CStdioFileEx::ToAnsi(u"\u00E9", 20127), "#");
  // A lone surrogate cannot be UTF-8: it becomes U+FFFD.
  std::u16string lone = u"a";
  lone += static_cast<char16_t>(0xD800);
  lone += u'b';
  EXPECT_EQ(CStdioFileEx::ToAnsi(lone, 65001), "a\xEF\xBF\xBD" "b");
  // Bytes that are not UTF-8 become U+FFFD, the rest survives.
  EXPECT_EQ(CStdioFileEx::ToWide("a\xFF" "b", 65001), u"a\uFFFDb");
  EXPECT_EQ(CStdioFileEx::ToWide("a\xE6\x97", 65001), u"a\uFFFD\uFFFD");
  EXPECT_EQ(CStdioFileEx::ToAnsi(u"x", 99999), "");
}

TEST(StdioFileExConversion, StatefulCodePageReturnsToItsBaseStateBeforeAReplacement) {
  if (!CodePageAvailable(50220)) GTEST_SKIP() << "this system has no ISO-2022-JP converter";
  std::string jis = CStdioFileEx::ToAnsi(u"\u65E5\u20AC\u672C", 50220);
  EXPECT_EQ(CStdioFileEx::ToWide(jis, 50220), u"\u65E5#\u672C");
}

TEST(StdioFileExConversion, RoundTripsThroughJapaneseCodePages) {
  const std::u16string text = u"GPS\u30ED\u30B0 \u65E5\u672C\u8A9E \uFF21\uFF22 123";
  std::string missing;
  for (int codePage : {932, 20932, 50220, 54936, 65001}) {
    SCOPED_TRACE(codePage);
    if (!CodePageAvailable(codePage)) {
      missing += " " + std::to_string(codePage);
      continue;
    }
    std::string bytes = CStdioFileEx::ToAnsi(text, codePage);
    ASSERT_FALSE(bytes.empty());
    // ISO-2022-JP carries 0x23 inside its two-byte codes, so only the others are searched.
    if (codePage != 50220) {
      EXPECT_EQ(bytes.find('#'), std::string::npos);
    }
    EXPECT_EQ(CStdioFileEx::ToWide(bytes, codePage), text);
  }
  if (!missing.empty()) GTEST_SKIP() << "this system has no converter for code page" << missing;
}

TEST(StdioFileExCodePage, CodesetNamesAndUserLocale) {
  EXPECT_EQ(CStdioFileEx::CodePageForCodeset("UTF-8"), 65001);
  EXPECT_EQ(CStdioFileEx::CodePageForCodeset("utf8"), 65001);
  EXPECT_EQ(CStdioFileEx::CodePageForCodeset("EUC-JP"), 20932);
  EXPECT_EQ(CStdioFileEx::CodePageForCodeset("SHIFT_JIS"), 932);
  EXPECT_EQ(CStdioFileEx::CodePageForCodeset("CP932"), 932);
  EXPECT_EQ(CStdioFileEx::CodePageForCodeset("ISO-8859-1"), 28591);
  EXPECT_EQ(CStdioFileEx::CodePageForCodeset("ANSI_X3.4-1968"), 20127);
  EXPECT_EQ(CStdioFileEx::CodePageForCodeset("KOI8-Z"), 0);
  EXPECT_EQ(CStdioFileEx::CodePageForCodeset(""), 0);
  // Every number a character set maps to has a converter.
  for (const char* codeset : {"UTF-8", "EUC-JP", "SJIS", "ISO-8859-15", "GB18030", "BIG5", "EUC-KR", "KOI8-R"}) {
    EXPECT_FALSE(CStdioFileEx::IconvNameForCodePage(CStdioFileEx::CodePageForCodeset(codeset)).empty()) << codeset;
  }

#ifndef _WIN32
  // On Linux the user's code page is the locale's character set (Windows: win32/ tests).
  ScopedEnv lang("LC_ALL", "C.UTF-8");
  EXPECT_EQ(CStdioFileEx::UserAnsiCodePage(), 65001);
  divuzo::test::SetEnv("LC_ALL", "C");
  EXPECT_EQ(CStdioFileEx::UserAnsiCodePage(), 20127);
  divuzo::test::SetEnv("LC_ALL", "xx_NOWHERE.NOPE");
  EXPECT_EQ(CStdioFileEx::UserAnsiCodePage(), 0);
#endif
}
