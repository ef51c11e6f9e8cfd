// Exact text of the four exporters.
#include "TempDir.h"
#include "TrackTestSupport.h"
#include "trackdata/KmlTemplate.h"
#include "trackdata/TrackExport.h"

#include <gtest/gtest.h>

namespace divuzo {
namespace {

using test::PackRecord;

class StringSink : public TextSink {
public:
  void WriteString(std::string_view text) override { text_ += text; }
  std::string text_;
};

constexpr std::int32_t kApril2 = 1333361700;  // 2012-04-02 10:15:00 UTC

class ExportTest : public ::testing::Test {
protected:
  // Writes the records to a real file and opens the reader on it.
  void Source(const std::string& bytes) {
    test::WriteFileBytes(dir_ / "src.trl", bytes);
    ASSERT_TRUE(reader_.Open(dir_ / "src.trl"));
  }
  std::string Kml() {
    StringSink sink;
    WriteKmlFromTrackFile(reader_, sink, LocalTimeBase::FixedHours(9));
    return sink.text_;
  }
  std::vector<std::string> Lines(const std::string& text) { return test::SplitLines(text); }
  static void ExpectCrLfOnly(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n') {
        ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
      }
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  }
  // Style references of the placemarks, in order.
  static std::vector<std::string> Styles(const std::string& kml) {
    std::vector<std::string> styles;
    auto lines = test::SplitLines(kml);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
      if (lines[i] == "<styleUrl>") styles.push_back(lines[i + 1]);
    return styles;
  }

  test::TempDir dir_;
  TrackFileReader reader_;
};

TEST_F(ExportTest, TextLineInLocalTime) {
  Source(PackRecord({kApril2, 25.0f, 121.5f, 100.0f}) + PackRecord({-5, 1, 2, 3}));
  StringSink nine, utc;
  WriteTextFromTrackFile(reader_, nine, LocalTimeBase::FixedHours(9));
  WriteTextFromTrackFile(reader_, utc, LocalTimeBase::FixedHours(0));
  // The record before 1970 has no local calendar time and gives no line.
  EXPECT_EQ(nine.text_, "121.5000000,25.0000000,100.00,Mon Apr 02 19:15:00 2012\r\n");
  EXPECT_EQ(utc.text_, "121.5000000,25.0000000,100.00,Mon Apr 02 10:15:00 2012\r\n");
}

TEST_F(ExportTest, NmeaSentenceAndCoordinateFields) {
  Source(PackRecord({kApril2, 25.5f, 121.5f, 100.0f}));
  StringSink sink;
  WriteNmeaFromTrackFile(reader_, sink);
  EXPECT_EQ(sink.text_, "$GPRMC,101500,A,2530.000000,N,12130.000000,E,0,0,020412,,*18\r\n");

  auto field = [](float value) {
    std::string text;
    AppendNmeaCoordinate(text, value);
    return text;
  };
  EXPECT_EQ(field(25.125f), "2507.500000");
  EXPECT_EQ(field(25.05f), "2502.999954");  // single-precision minutes
  EXPECT_EQ(field(-0.5f), "030.000000");
  EXPECT_EQ(field(5.25f), "515.000000");
  EXPECT_EQ(field(-121.5f), "12130.000000");
  EXPECT_EQ(field(0.0f), "000.000000");

  Source(PackRecord({kApril2, -0.5f, -121.5f, 0}) + PackRecord({kApril2, 0.0f, 5.25f, 0}));
  StringSink signs;
  WriteNmeaFromTrackFile(reader_, signs);
  const auto lines = Lines(signs.text_);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(",A,030.000000,S,12130.000000,W,"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(",A,000.000000,N,515.000000,E,"), std::string::npos) << lines[1];
  for (const auto& line : lines) {
    // The checksum covers the characters between "$" and "*".
    unsigned sum = 0;
    const std::size_t star = line.find('*');
    for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(line[i]);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", sum);
    EXPECT_EQ(line.substr(star + 1), hex);
  }
  ExpectCrLfOnly(signs.text_);
}

TEST_F(ExportTest, KmlStylesRouteLineAndDamagedRecords) {
  std::string damaged = PackRecord({kApril2 + 30, 1, 1, 1});
  damaged[15] ^= 1;
  Source(damaged + PackRecord({kApril2, 25.0f, 121.5f, 100.0f}) + damaged +
         PackRecord({kApril2 + 60, 25.5f, -121.5f, 50.0f}) + PackRecord({kApril2 + 120, -0.5f, 5.25f, 0.0f}));
  const std::string kml = Kml();
  ExpectCrLfOnly(kml);

  EXPECT_NE(kml.find("<coordinates>\r\n121.5000000,25.0000000,100.00 -121.5000000,25.5000000,50.00 "
                     "5.2500000,-0.5000000,0.00 </coordinates>\r\n</LineString>\r\n"),
            std::string::npos);
  EXPECT_EQ(Styles(kml), (std::vector<std::string>{"#styleMap_TLP_Start", "#styleMap_TLP_Normal",
                                                   "#styleMap_TLP_Finish"}));
  EXPECT_NE(kml.find("<Placemark>\r\n<name>\r\nMon Apr 02 19:16:00 2012\r\n</name>\r\n<styleUrl>\r\n"
                     "#styleMap_TLP_Normal\r\n</styleUrl>\r\n<Point>\r\n<coordinates>\r\n"
                     "-121.5000000,25.5000000,50.00\r\n</coordinates>\r\n</Point>\r\n</Placemark>\r\n"),
            std::string::npos);
  const auto lines = Lines(kml);
  EXPECT_EQ(lines.front(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"</Folder>", "</Document>", "</kml>"}));
}

TEST_F(ExportTest, KmlSinglePointEmptySourceAndTimeWithoutCalendar) {
  Source(PackRecord({kApril2, 25.0f, 121.5f, 100.0f}));
  EXPECT_EQ(Styles(Kml()), (std::vector<std::string>{"#styleMap_TLP_Start"}));

  Source("");
  const std::string empty = Kml();
  EXPECT_NE(empty.find("<coordinates>\r\n</coordinates>\r\n"), std::string::npos);
  EXPECT_NE(empty.find("<name>waypoints</name>\r\n</Folder>\r\n</Document>\r\n</kml>\r\n"), std::string::npos);

  // The last point has a time before 1970: it stays on the route and keeps its number (so the
  // middle point is not taken for the last one) but gets no placemark.
  Source(PackRecord({kApril2, 1, 1, 1}) + PackRecord({kApril2 + 1, 2, 2, 2}) + PackRecord({-100, 3, 3, 3}));
  const std::string kml = Kml();
  EXPECT_NE(kml.find("3.0000000,3.0000000,3.00 </coordinates>"), std::string::npos);
  EXPECT_EQ(Styles(kml), (std::vector<std::string>{"#styleMap_TLP_Start", "#styleMap_TLP_Normal"}));
}

TEST(KmlStyle, PhotoNeverReplacesStartOrFinish) {
  EXPECT_EQ(KmlStyleFor(0, 3, true), KmlStyle::Start);
  EXPECT_EQ(KmlStyleFor(2, 3, true), KmlStyle::Finish);
  EXPECT_EQ(KmlStyleFor(1, 3, true), KmlStyle::Photo);
  EXPECT_EQ(KmlStyleFor(1, 3, false), KmlStyle::Normal);
  EXPECT_EQ(KmlStyleFor(0, 1, false), KmlStyle::Start);
  EXPECT_EQ(KmlStyleUrl(KmlStyle::Photo), "#styleMap_TLP_Photo");
}

TEST_F(ExportTest, GpxNumbersValidRecordsTwiceInUtc) {
  std::string damaged = PackRecord({kApril2, 1, 1, 1});
  damaged[3] ^= 4;
  Source(damaged + PackRecord({kApril2, 25.0f, 121.5f, 100.0f}) + PackRecord({kApril2 + 61, -33.25f, -70.5f, 12.5f}));
  StringSink sink;
  WriteGpxFromTrackFile(reader_, sink);
  ExpectCrLfOnly(sink.text_);
  const std::string point0 =
      "<time>2012-04-02T10:15:00Z</time>\r\n<ele>100.00</ele>\r\n<name><![CDATA[Point 0]]></name>\r\n";
  const std::string point1 =
      "<time>2012-04-02T10:16:01Z</time>\r\n<ele>12.50</ele>\r\n<name><![CDATA[Point 1]]></name>\r\n";
  EXPECT_NE(sink.text_.find("<wpt lat=\"25.000000\" lon=\"121.500000\">\r\n" + point0 + "</wpt>\r\n"
                            "<wpt lat=\"-33.250000\" lon=\"-70.500000\">\r\n" + point1 + "</wpt>\r\n<rte>\r\n"
                            "<name>Route</name>\r\n<rtept lat=\"25.000000\" lon=\"121.500000\">\r\n" + point0 +
                            "</rtept>\r\n<rtept lat=\"-33.250000\" lon=\"-70.500000\">\r\n" + point1 +
                            "</rtept>\r\n</rte>\r\n</gpx>\r\n"),
            std::string::npos)
      << sink.text_;
  EXPECT_EQ(sink.text_.find("Point 2"), std::string::npos);
}

} // namespace
} // namespace divuzo
