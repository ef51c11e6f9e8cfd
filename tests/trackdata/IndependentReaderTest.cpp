// Files written by `divuzo convert` read back by independent programs: gpsbabel must find the
// same points and times, xmllint must find the XML well-formed.
#include "TempDir.h"
#include "TrackTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

namespace divuzo {
namespace {

using test::PlainPoint;

struct Generated {
  std::vector<PlainPoint> points;  // the valid ones, in file order
  std::string bytes;               // the file, damaged records and separator slots mixed in
};

Generated MakeTrack(int count) {
  Generated track;
  std::int32_t time = 1333361700;
  for (int i = 0; i < count; ++i) {
    time += 1 + (i * 7) % 13;
    // A path that crosses both the equator and the prime meridian.
    const PlainPoint point{time, static_cast<float>(-2.0 + i * 0.0004 + 0.01 * std::sin(i * 0.1)),
                           static_cast<float>(1.5 - i * 0.0003), static_cast<float>(-40.0 + (i % 500) * 3.37)};
    track.points.push_back(point);
    track.bytes += test::PackRecord(point);
    if (i % 97 == 5) {
      std::string damaged = test::PackRecord({time + 1, 10.0f, 10.0f, 10.0f});
      damaged[i % 15] ^= static_cast<char>(1 << (i % 8));
      track.bytes += damaged;
    }
    if (i % 1000 == 999) track.bytes += "PELMOTR410LOGGER";
  }
  return track;
}

std::string UtcDate(std::int32_t t) {
  std::time_t tt = t;
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y/%m/%d", &tm);
  return text;
}

std::string UtcTime(std::int32_t t) {
  std::time_t tt = t;
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%H:%M:%S", &tm);
  return text;
}

// The C library's own asctime form of UTC + hours, without the line feed.
std::string LocalName(std::int32_t t, int hours) {
  std::time_t tt = static_cast<std::time_t>(t) + hours * 3600;
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y", &tm);
  return text;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" ,\r\n\t");
  const auto last = text.find_last_not_of(" ,\r\n\t");
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// gpsbabel's unicsv rows as maps from column name to value.
std::vector<std::map<std::string, std::string>> Babel(const std::string& arguments) {
  int status = -1;
  const std::string output = test::RunCapture("gpsbabel " + arguments + " -o unicsv -F - 2>&1", &status);
  EXPECT_EQ(status, 0) << output;
  std::vector<std::map<std::string, std::string>> rows;
  const auto lines = test::SplitLines(output);
  if (lines.empty()) return rows;
  const auto header = test::SplitCsv(lines[0]);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const auto fields = test::SplitCsv(lines[i]);
    std::map<std::string, std::string> row;
    for (std::size_t c = 0; c < header.size() && c < fields.size(); ++c) row[header[c]] = fields[c];
    rows.push_back(row);
  }
  return rows;
}

class IndependentReaders : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    track_ = new Generated(MakeTrack(10000));
    test::WriteFileBytes(*dir_ / "walk.trl", track_->bytes);
    int status = -1;
    const std::string out = test::RunCapture(std::string(DIVUZO_CLI_PATH) + " convert " +
                                                 test::ShellQuote((*dir_ / "walk.trl").string()) +
                                                 " --kml --gpx --nmea --text --tz 9 2>&1",
                                             &status);
    ASSERT_EQ(status, 0) << out;
  }
  static void TearDownTestSuite() {
    delete track_;
    delete dir_;
  }
  static std::string Path(const std::string& name) { return test::ShellQuote((*dir_ / name).string()); }

  static void ExpectPosition(const std::map<std::string, std::string>& row, const PlainPoint& p, double tolerance,
                             std::size_t index) {
    EXPECT_NEAR(std::stod(row.at("Latitude")), p.latitude, tolerance) << "point " << index;
    EXPECT_NEAR(std::stod(row.at("Longitude")), p.longitude, tolerance) << "point " << index;
  }

  static test::TempDir* dir_;
  static Generated* track_;
};

test::TempDir* IndependentReaders::dir_ = nullptr;
Generated* IndependentReaders::track_ = nullptr;

TEST_F(IndependentReaders, XmllintFindsGpxAndKmlWellFormed) {
  int status = -1;
  const std::string out = test::RunCapture("xmllint --noout " + Path("walk.gpx") + " " + Path("walk.kml") + " 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
}

TEST_F(IndependentReaders, GpsbabelReadsGpxWaypointsAndRoute) {
  const auto& points = track_->points;
  for (const char* kind : {"", "-r"}) {
    const auto rows = Babel(std::string(kind) + " -i gpx -f " + Path("walk.gpx"));
    ASSERT_EQ(rows.size(), points.size()) << kind;
    for (std::size_t i = 0; i < points.size(); ++i) {
      ExpectPosition(rows[i], points[i], 1.01e-6, i);
      EXPECT_EQ(rows[i].at("Name"), "Point " + std::to_string(i));
      EXPECT_EQ(rows[i].at("Date"), UtcDate(points[i].time)) << i;
      EXPECT_EQ(rows[i].at("Time"), UtcTime(points[i].time)) << i;
      EXPECT_NEAR(std::stod(rows[i].at("Altitude")), test::StoredHeight(points[i].height), 0.06) << i;
      if (::testing::Test::HasFailure()) return;
    }
  }
}

TEST_F(IndependentReaders, GpsbabelReadsKmlPlacemarksAndRoute) {
  const auto& points = track_->points;
  const auto placemarks = Babel("-i kml -f " + Path("walk.kml"));
  ASSERT_EQ(placemarks.size(), points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    ExpectPosition(placemarks[i], points[i], 1.01e-6, i);
    EXPECT_EQ(Trim(placemarks[i].at("Name")), LocalName(points[i].time, 9)) << i;
    if (::testing::Test::HasFailure()) return;
  }
  const auto route = Babel("-t -i kml -f " + Path("walk.kml"));
  ASSERT_EQ(route.size(), points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    ExpectPosition(route[i], points[i], 1.01e-6, i);
    EXPECT_NEAR(std::stod(route[i].at("Altitude")), test::StoredHeight(points[i].height), 0.06) << i;
    if (::testing::Test::HasFailure()) return;
  }
}

TEST_F(IndependentReaders, GpsbabelReadsNmeaSentences) {
  const auto& points = track_->points;
  const auto rows = Babel("-t -i nmea -f " + Path("walkNMEA.txt"));
  ASSERT_EQ(rows.size(), points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    // Minutes in single precision: a few millionths of a minute off at most.
    ExpectPosition(rows[i], points[i], 2e-6, i);
    EXPECT_EQ(rows[i].at("Date"), UtcDate(points[i].time)) << i;
    EXPECT_EQ(rows[i].at("Time"), UtcTime(points[i].time)) << i;
    if (::testing::Test::HasFailure()) return;
  }
}

TEST_F(IndependentReaders, TextLinesCarryLocalTimes) {
  const auto lines = test::SplitLines(test::ReadFileBytes(*dir_ / "walk.txt"));
  const auto& points = track_->points;
  ASSERT_EQ(lines.size(), points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const auto fields = test::SplitCsv(lines[i]);
    ASSERT_EQ(fields.size(), 4u) << lines[i];
    EXPECT_EQ(std::stod(fields[0]), std::round(points[i].longitude * 1e7) / 1e7) << lines[i];
    EXPECT_EQ(std::stod(fields[1]), std::round(points[i].latitude * 1e7) / 1e7) << lines[i];
    EXPECT_EQ(fields[3], LocalName(points[i].time, 9));
    if (::testing::Test::HasFailure()) return;
  }
}

} // namespace
} // namespace divuzo
