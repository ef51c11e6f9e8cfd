#include "app/Tool.h"

#include "StringTable.h"
#include "ScratchRegistry.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>

#include <atomic>
#include <ctime>
#include <thread>
#include <vector>

using namespace divuzo;
using divuzo::test::TempDir;

namespace {

constexpr std::int64_t kEra = 946684800; // 2000-01-01 00:00:00 UTC

// Seconds for a UTC date, from the standard library's calendar (independent of the code under test).
std::int64_t Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  using namespace std::chrono;
  const sys_days date{std::chrono::year(year) / month / day};
  return date.time_since_epoch() / seconds(1) + hour * 3600 + minute * 60 + second;
}

DeviceDate Date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return DeviceDate{static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(mo), static_cast<std::uint8_t>(d),
                    static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(mi), static_cast<std::uint8_t>(s)};
}

DeviceDate FromLibc(std::int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  ::gmtime_r(&t, &tm);
  return Date(tm.tm_year - 100, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

std::string Strftime(std::int64_t seconds, const char* format) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  ::gmtime_r(&t, &tm);
  char text[64];
  std::strftime(text, sizeof text, format, &tm);
  return text;
}

} // namespace

TEST(ToolTime, EdgesOfTheEra) {
  EXPECT_EQ(Tool::FormatTimeText(kEra + 1000), "01012000 001640");
  EXPECT_EQ(Tool::FormatUtcTimeText(kEra + 1000), "000101001640Z");
  EXPECT_EQ(Tool::SecondsToDate(kEra + 1000), Date(0, 1, 1, 0, 16, 40));
  // Before 00:16:40 on the first day every field is 0.
  for (std::int64_t t : {kEra + 999, kEra, std::int64_t{0}, std::int64_t{-5}}) {
    EXPECT_EQ(Tool::SecondsToDate(t), DeviceDate{}) << t;
    EXPECT_EQ(Tool::FormatTimeText(t), "00002000 000000") << t;
    EXPECT_EQ(Tool::FormatUtcTimeText(t), "000000000000Z") << t;
  }
  EXPECT_EQ(Tool::FormatTimeText(kEra + 1000).size(), 15u);
  EXPECT_EQ(Tool::FormatUtcTimeText(kEra + 1000).size(), 13u);
}

TEST(ToolTime, MonthTableRowsAndLeapDays) {
  // Last second of the leap year 2000 (row 0) and the first of 2001 (row 1).
  EXPECT_EQ(Tool::SecondsToDate(Utc(2000, 12, 31, 23, 59, 59)), Date(0, 12, 31, 23, 59, 59));
  EXPECT_EQ(Tool::SecondsToDate(Utc(2001, 1, 1)), Date(1, 1, 1));
  // 29 February 2004: row 0 of the second cycle.
  EXPECT_EQ(Tool::SecondsToDate(Utc(2004, 2, 29, 12)), Date(4, 2, 29, 12));
  // 1 March 2001 is day 59 of its year (row 1).
  EXPECT_EQ(Tool::SecondsToDate(Utc(2001, 3, 1)), Date(1, 3, 1));
  EXPECT_EQ((Utc(2001, 3, 1) - Utc(2001, 1, 1)) / 86400, 59);
  EXPECT_EQ(Tool::SecondsToDate(Utc(2003, 12, 31, 23, 59, 59)), Date(3, 12, 31, 23, 59, 59));
  EXPECT_EQ(Tool::SecondsToDate(Utc(2004, 1, 1)), Date(4, 1, 1));
}

TEST(ToolTime, AgreesWithTheCLibraryUntil2100AndDriftsOneDayAfter) {
  // Every 7919 seconds (a prime, so all times of day come round) from 2000 to 2038.
  for (std::int64_t t = kEra + 1000; t < Utc(2038, 1, 19); t += 7919 * 37) {
    const DeviceDate date = Tool::SecondsToDate(t);
    ASSERT_EQ(date, FromLibc(t)) << t;
    std::int64_t back = 0;
    ASSERT_TRUE(Tool::DateToSeconds(date, back));
    ASSERT_EQ(back, t);
    ASSERT_EQ(Tool::FormatTimeText(t), Strftime(t, "%m%d%Y %H%M%S")) << t;
    ASSERT_EQ(Tool::FormatUtcTimeText(t), Strftime(t, "%y%m%d%H%M%SZ")) << t;
    ASSERT_EQ(Tool::ParseTimeText(Tool::FormatTimeText(t)), t);
  }
  // 32-bit device counts beyond the signed range convert too.
  EXPECT_EQ(Tool::SecondsToDate(Utc(2050, 6, 15, 1, 2, 3)), Date(50, 6, 15, 1, 2, 3));

  // 2100 is no leap year, but the four-year rule makes it one.
  EXPECT_EQ(Tool::SecondsToDate(Utc(2100, 2, 28, 23, 59, 59)), Date(100, 2, 28, 23, 59, 59));
  EXPECT_EQ(Tool::SecondsToDate(Utc(2100, 3, 1)), Date(100, 2, 29));
  EXPECT_EQ(Tool::SecondsToDate(Utc(2100, 3, 2, 10)), Date(100, 3, 1, 10));
  EXPECT_EQ(Tool::SecondsToDate(Utc(2101, 1, 1)), Date(100, 12, 31));
  std::int64_t seconds = 0;
  ASSERT_TRUE(Tool::DateToSeconds(Date(100, 3, 1), seconds));
  EXPECT_EQ(seconds, Utc(2100, 3, 2));
}

TEST(ToolTime, ImpossibleDatesGiveNoValue) {
  std::int64_t seconds = 12345;
  for (const DeviceDate& d : {Date(5, 1, 0), Date(5, 1, 32), Date(5, 0, 1), Date(5, 13, 1), Date(5, 255, 255)}) {
    EXPECT_FALSE(Tool::DateToSeconds(d, seconds));
    EXPECT_EQ(seconds, 12345);
  }
  // 31 February is accepted and runs into March, as the table does.
  ASSERT_TRUE(Tool::DateToSeconds(Date(1, 2, 31), seconds));
  EXPECT_EQ(seconds, Utc(2001, 3, 3));

  EXPECT_EQ(Tool::ParseTimeText("06152012 103000"), Utc(2012, 6, 15, 10, 30, 0));
  // Characters 4-5 and 8 are not read.
  EXPECT_EQ(Tool::ParseTimeText("06151912T103000"), Utc(2012, 6, 15, 10, 30, 0));
  for (const char* bad : {"00152012 103000", "13152012 103000", "06002012 103000", "06322012 103000",
                          "0615201 103000", "", "0a152012 103000", "06152012 10300x", " 6152012 103000",
                          "-6152012 103000"}) {
    EXPECT_FALSE(Tool::ParseTimeText(bad).has_value()) << bad;
  }
}

TEST(ToolTime, FormattersAreReentrant) {
  // Threads formatting different times at once each get their own text.
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      const std::int64_t when = Utc(2001 + t * 7, 1 + t * 3, 10 + t, t, t * 10, t * 5);
      const std::string want = Strftime(when, "%m%d%Y %H%M%S");
      const std::string wantUtc = Strftime(when, "%y%m%d%H%M%SZ");
      for (int i = 0; i < 20000; ++i) {
        if (Tool::FormatTimeText(when) != want || Tool::FormatUtcTimeText(when) != wantUtc) ++mismatches;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(mismatches.load(), 0);
}

TEST(ToolRegistry, SplitsPathsBelowTheBaseKey) {
  std::string key, name;
  Tool::SplitRegPath("", "T410BTMacAddress", key, name);
  EXPECT_EQ(key, "");
  EXPECT_EQ(name, "T410BTMacAddress");
  Tool::SplitRegPath("", "Maker\\Tool\\Value", key, name);
  EXPECT_EQ(key, "Maker\\Tool");
  EXPECT_EQ(name, "Value");
  Tool::SplitRegPath("Software\\Maker", "Tool\\Value", key, name);
  EXPECT_EQ(key, "Software\\Maker\\Tool");
  EXPECT_EQ(name, "Value");
  Tool::SplitRegPath("Software\\Maker\\", "Tool\\Value", key, name);
  EXPECT_EQ(key, "Software\\Maker\\Tool");
  Tool::SplitRegPath("Software\\Maker", "Value", key, name);
  EXPECT_EQ(key, "Software\\Maker");
  EXPECT_EQ(name, "Value");
  // The program's base key (string 112) is empty: values sit under the root key.
  EXPECT_EQ(LoadText(112), "");
}

TEST(ToolRegistry, ValuesLandWhereThePathSaysWithTypeChecks) {
  TempDir dir;
  test::ScratchCurrentUser scratch;  // Windows: the system registry, in a key of the test's own
  RegistryStore store(dir / "registry.txt");
  Tool tool(&store);

  ASSERT_TRUE(tool.WriteRegString(HKEY_CURRENT_USER, "T410BTMacAddress", "00:1B:DC:05:6A:7F"));
  RegValue raw;
  ASSERT_TRUE(store.QueryValue(HKEY_CURRENT_USER, "", "T410BTMacAddress", raw));
  EXPECT_EQ(raw.type, REG_SZ);
  std::string text;
  ASSERT_TRUE(tool.ReadRegString(HKEY_CURRENT_USER, "T410BTMacAddress", text));
  EXPECT_EQ(text, "00:1B:DC:05:6A:7F");

  // A backslash in the path names the key under the root.
  ASSERT_TRUE(tool.WriteRegDword(HKEY_CURRENT_USER, "Maker\\Count", 42));
  ASSERT_TRUE(store.QueryValue(HKEY_CURRENT_USER, "Maker", "Count", raw));
  EXPECT_EQ(raw.number, 42u);
  // The three forms reach the same value.
  std::uint32_t number = 0;
  ASSERT_TRUE(tool.ReadRegDword(HKEY_CURRENT_USER, "Maker", "Count", number));
  EXPECT_EQ(number, 42u);
  ASSERT_TRUE(tool.WriteRegString(HKEY_CURRENT_USER, "Maker", 300, "by id"));
  ASSERT_TRUE(tool.ReadRegString(HKEY_CURRENT_USER, "Maker\\" + LoadText(300), text));
  EXPECT_EQ(text, "by id");
  ASSERT_TRUE(tool.WriteRegDword(HKEY_CURRENT_USER, "Maker", 301, 7));
  ASSERT_TRUE(tool.ReadRegDword(HKEY_CURRENT_USER, "Maker", 301, number));
  EXPECT_EQ(number, 7u);
  ASSERT_TRUE(tool.WriteRegString(HKEY_CURRENT_USER, "Maker", "Name", "x"));
  ASSERT_TRUE(tool.ReadRegString(HKEY_CURRENT_USER, "Maker", "Name", text));
  EXPECT_EQ(text, "x");

  // Type checks.
  text = "untouched";
  EXPECT_FALSE(tool.ReadRegString(HKEY_CURRENT_USER, "Maker\\Count", text));
  EXPECT_EQ(GetLastRegistryError(), ERROR_INVALID_DATA);
  EXPECT_EQ(text, "untouched");
  number = 5;
  EXPECT_FALSE(tool.ReadRegDword(HKEY_CURRENT_USER, "Maker\\Name", number));
  EXPECT_EQ(GetLastRegistryError(), ERROR_INVALID_DATA);
  EXPECT_EQ(number, 5u);
  // Missing key, missing value.
  EXPECT_FALSE(tool.ReadRegString(HKEY_CURRENT_USER, "Nowhere\\Value", text));
  EXPECT_EQ(GetLastRegistryError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(tool.ReadRegString(HKEY_CURRENT_USER, "Maker\\Missing", text));
  EXPECT_EQ(GetLastRegistryError(), ERROR_FILE_NOT_FOUND);

  // Texts of up to 255 bytes fit the reader's buffer; longer ones are refused.
  ASSERT_TRUE(tool.WriteRegString(HKEY_CURRENT_USER, "Long", std::string(255, 'x')));
  ASSERT_TRUE(tool.ReadRegString(HKEY_CURRENT_USER, "Long", text));
  EXPECT_EQ(text.size(), 255u);
  ASSERT_TRUE(tool.WriteRegString(HKEY_CURRENT_USER, "Long", std::string(256, 'x')));
  EXPECT_FALSE(tool.ReadRegString(HKEY_CURRENT_USER, "Long", text));
  EXPECT_EQ(GetLastRegistryError(), ERROR_MORE_DATA);
  // A text ends at its first zero byte.
  ASSERT_TRUE(tool.WriteRegString(HKEY_CURRENT_USER, "Zero", std::string_view("ab\0cd", 5)));
  ASSERT_TRUE(tool.ReadRegString(HKEY_CURRENT_USER, "Zero", text));
  EXPECT_EQ(text, "ab");
}
