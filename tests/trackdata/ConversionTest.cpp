// The conversion run: output names, time zones, and what happens with bad sources and targets.
#include "TempDir.h"
#include "TrackTestSupport.h"
#include "trackdata/TimeZoneChoice.h"
#include "trackdata/TrackConversion.h"

#include <gtest/gtest.h>

#include <cctype>
#include <limits>

namespace divuzo {
namespace {

using test::PackRecord;

TEST(OutputNames, LastFourCharactersAndExtension) {
  EXPECT_EQ(ConvertedFileName("/logs/day1.trl", OutputFormat::Text), "/logs/day1.txt");
  EXPECT_EQ(ConvertedFileName("/logs/day1.trl", OutputFormat::Kml), "/logs/day1.kml");
  EXPECT_EQ(ConvertedFileName("/logs/day1.trl", OutputFormat::Nmea), "/logs/day1NMEA.txt");
  EXPECT_EQ(ConvertedFileName("/logs/day1.trl", OutputFormat::Gpx), "/logs/day1.gpx");
  EXPECT_EQ(ConvertedFileName("/logs/track", OutputFormat::Text), "/logs/t.txt");
  // A name too short to lose four characters keeps them, instead of reaching into the folder.
  EXPECT_EQ(ConvertedFileName("/logs/trk", OutputFormat::Kml), "/logs/trk.kml");

  EXPECT_EQ(ReplaceExtension("/logs/a.b.trl", OutputFormat::Kml), "/logs/a.b.kml");
  EXPECT_EQ(ReplaceExtension("/logs/a.trl", OutputFormat::Nmea), "/logs/aNMEA.txt");
  EXPECT_EQ(ReplaceExtension("/logs/a.trl", OutputFormat::Gpx), "/logs/a.gpx");
  EXPECT_EQ(ReplaceExtension("/logs.d/track", OutputFormat::Text), "/logs.d/track.txt");
}

TEST(TimeZones, ListAndInitialChoiceFromBias) {
  const auto& items = TimeZoneListItems();
  ASSERT_EQ(items.size(), 26u);
  EXPECT_EQ(items[0], "+13");
  EXPECT_EQ(items[4], "+9");
  EXPECT_EQ(items[13], "0");
  EXPECT_EQ(items[25], "-12");
  for (int i = 0; i < 26; ++i) EXPECT_EQ(std::stoi(items[static_cast<std::size_t>(i)]), TimeZoneOffsetForItem(i));

  const InitialTimeZone tokyo = InitialTimeZoneFromBias(-540);
  EXPECT_EQ(tokyo.text, "+9");
  EXPECT_EQ(tokyo.listIndex, 4);
  EXPECT_EQ(tokyo.offsetHours, 9);
  const InitialTimeZone newYork = InitialTimeZoneFromBias(300);
  EXPECT_EQ(newYork.text, "-5");
  EXPECT_EQ(newYork.listIndex, 18);
  EXPECT_EQ(newYork.offsetHours, -5);
  // Zero bias reads "-0": no item matches, the offset is 0.
  const InitialTimeZone london = InitialTimeZoneFromBias(0);
  EXPECT_EQ(london.text, "-0");
  EXPECT_EQ(london.listIndex, -1);
  EXPECT_EQ(london.offsetHours, 0);
  // India's half hour is truncated toward zero.
  EXPECT_EQ(InitialTimeZoneFromBias(-330).text, "+5");
}

#ifndef _WIN32
// On Linux the computer's zone is the C library's (TZ); on Windows it is the system's (win32/).
TEST(TimeZones, ComputerBiasComesFromTheLocalZone) {
  // The C library reads TZ; the bias is that of standard time, daylight saving left out.
  const char* saved = std::getenv("TZ");
  const std::string old = saved ? saved : "";
  auto bias = [](const char* zone) {
    ::setenv("TZ", zone, 1);
    ::tzset();
    return ComputerTimeZoneBiasMinutes();
  };
  EXPECT_EQ(bias("JST-9"), -540);
  EXPECT_EQ(bias("EST5EDT,M3.2.0,M11.1.0"), 300);
  EXPECT_EQ(bias("AEST-10AEDT,M10.1.0,M4.1.0/3"), -600);
  EXPECT_EQ(bias("UTC0"), 0);
  if (saved) ::setenv("TZ", old.c_str(), 1);
  else ::unsetenv("TZ");
  ::tzset();
}
#endif

class Conversion : public ::testing::Test {
protected:
  std::filesystem::path Source(const std::string& bytes, const std::string& name = "day1.trl") {
    test::WriteFileBytes(dir_ / name, bytes);
    return dir_ / name;
  }
  std::vector<std::string> Listing() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  test::TempDir dir_;
};

TEST_F(Conversion, AllFourOutputsInOrderWithProgress) {
  ConversionRequest request;
  request.source = Source(PackRecord({1333361700, 25.0f, 121.5f, 100.0f}));
  request.wantText = request.wantNmea = request.wantGpx = true;
  request.timeZoneHours = 9;
  std::vector<int> steps;
  const ConversionResult result = ConvertTrackFile(request, [&](int step, int count, double fraction) {
    EXPECT_EQ(count, 4);
    EXPECT_GE(fraction, 0.0);
    EXPECT_LE(fraction, 1.0);
    if (steps.empty() || steps.back() != step) steps.push_back(step);
  });
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_TRUE(result.warning.empty());
  EXPECT_EQ(steps, (std::vector<int>{0, 1, 2, 3, 4}));
  ASSERT_EQ(result.written.size(), 4u);
  EXPECT_EQ(result.written[0].filename(), "day1.txt");
  EXPECT_EQ(result.written[1].filename(), "day1.kml");
  EXPECT_EQ(result.written[2].filename(), "day1NMEA.txt");
  EXPECT_EQ(result.written[3].filename(), "day1.gpx");
  EXPECT_EQ(test::ReadFileBytes(result.written[0]), "121.5000000,25.0000000,100.00,Mon Apr 02 19:15:00 2012\r\n");
  // No temporary files stay behind.
  EXPECT_EQ(Listing(), (std::vector<std::string>{"day1.gpx", "day1.kml", "day1.trl", "day1.txt", "day1NMEA.txt"}));
}

TEST_F(Conversion, BadSourcesAreClearErrorsAndWriteNothing) {
  ConversionRequest request;
  request.source = dir_ / "missing.trl";
  ConversionResult result = ConvertTrackFile(request);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("missing.trl"), std::string::npos) << result.error;

  request.source = Source(std::string(15, 'x'), "short.trl");
  result = ConvertTrackFile(request);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("too short"), std::string::npos) << result.error;

  request.source = dir_.path();
  result = ConvertTrackFile(request);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.error.empty());
  EXPECT_EQ(Listing(), (std::vector<std::string>{"short.trl"}));

  // Trailing bytes: the whole records are converted, with a warning.
  request.source = Source(PackRecord({1333361700, 1, 2, 3}) + "abc", "odd.trl");
  result = ConvertTrackFile(request);
  EXPECT_TRUE(result.ok) << result.error;
  EXPECT_NE(result.warning.find("3 bytes"), std::string::npos) << result.warning;
  EXPECT_NE(test::ReadFileBytes(dir_ / "odd.kml").find("2.0000000,1.0000000,3.00 </coordinates>"), std::string::npos);
}

TEST_F(Conversion, FailedOutputLeavesNoPartialFile) {
  ConversionRequest request;
  request.source = Source(PackRecord({1333361700, 1, 2, 3}));
  request.wantText = true;
  // The KML name is taken by a folder: the text file is written, the KML fails cleanly.
  std::filesystem::create_directory(dir_ / "day1.kml");
  test::WriteFileBytes(dir_ / "day1.kml" / "keep", "x");
  const ConversionResult result = ConvertTrackFile(request);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("day1.kml"), std::string::npos) << result.error;
  ASSERT_EQ(result.written.size(), 1u);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"day1.kml", "day1.trl", "day1.txt"}));
  EXPECT_EQ(test::ReadFileBytes(dir_ / "day1.kml" / "keep"), "x");

  // An existing output is replaced as a whole.
  test::WriteFileBytes(dir_ / "day1.txt", std::string(100000, 'z'));
  request.wantKml = false;
  ASSERT_TRUE(ConvertTrackFile(request).ok);
  EXPECT_EQ(test::ReadFileBytes(dir_ / "day1.txt").find('z'), std::string::npos);
}

// Erased memory (sixteen 0xFF bytes) and records whose numbers are not finite pass the
// checksum, but they are no positions: every format skips them, and no output says "nan" or
// "inf".
TEST_F(Conversion, ErasedSlotsAndNonFiniteNumbersAreSkipped) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  ConversionRequest request;
  request.source = Source(PackRecord({1333361700, 25.0f, 121.5f, 100.0f}) +
                          std::string(16, '\xFF') +  // erased memory
                          PackRecord({1333361710, nan, 121.5f, 100.0f}) +
                          PackRecord({1333361720, 25.0f, -inf, 100.0f}) +
                          PackRecord({1333361730, 25.0f, 121.5f, inf}) +
                          PackRecord({1333361740, 25.0f, 121.5f, nan}) +
                          PackRecord({1333361760, 25.5f, 121.0f, 50.0f}));
  request.wantText = request.wantNmea = request.wantGpx = true;
  request.timeZoneHours = 9;
  const ConversionResult result = ConvertTrackFile(request);
  ASSERT_TRUE(result.ok) << result.error;
  ASSERT_EQ(result.written.size(), 4u);
  for (const auto& file : result.written) {
    std::string text = test::ReadFileBytes(file);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(text.find("nan"), std::string::npos) << file;
    EXPECT_EQ(text.find("inf"), std::string::npos) << file;
  }
  auto count = [](const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(test::SplitLines(test::ReadFileBytes(result.written[0])).size(), 2u);
  const std::string kml = test::ReadFileBytes(result.written[1]);
  EXPECT_EQ(count(kml, "<Point>"), 2u);
  EXPECT_NE(kml.find("121.5000000,25.0000000,100.00 121.0000000,25.5000000,50.00 </coordinates>"),
            std::string::npos);
  EXPECT_EQ(count(test::ReadFileBytes(result.written[2]), "$GPRMC"), 2u);
  EXPECT_EQ(count(test::ReadFileBytes(result.written[3]), "<wpt "), 2u);
}

TEST_F(Conversion, OutputNeverReplacesItsSource) {
  ConversionRequest request;
  request.source = Source(PackRecord({1333361700, 1, 2, 3}), "day1.gpx");
  request.wantKml = false;
  request.wantGpx = true;
  const ConversionResult result = ConvertTrackFile(request);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(test::ReadFileBytes(dir_ / "day1.gpx"), PackRecord({1333361700, 1, 2, 3}));
}

} // namespace
} // namespace divuzo

// The command line through a POSIX shell (the Windows build's is compared with Linux's in
// tests/wine/).
#ifndef _WIN32
namespace divuzo {
namespace {

TEST(ConvertCommand, KmlByDefaultAndErrorsExitNonZero) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "walk.trl", PackRecord({1333361700, 25.0f, 121.5f, 100.0f}));
  const std::string cli = DIVUZO_CLI_PATH;
  int status = -1;
  std::string out = test::RunCapture(cli + " convert " + test::ShellQuote((dir / "walk.trl").string()) + " 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, (dir / "walk.kml").string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "walk.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "walk.gpx"));

  out = test::RunCapture(cli + " convert " + test::ShellQuote((dir / "none.trl").string()) + " --gpx 2>&1", &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("none.trl"), std::string::npos) << out;

  out = test::RunCapture(cli + " convert " + test::ShellQuote((dir / "walk.trl").string()) + " --tz 14 2>&1", &status);
  EXPECT_NE(status, 0) << out;
}

} // namespace
} // namespace divuzo
#endif
