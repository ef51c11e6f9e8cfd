// The command line's progress display: its arithmetic, and the two forms of its output (plain
// lines for logs and pipes, one redrawn line on a terminal), with a clock the test moves.
#include "CaptureOutput.h"
#include "ProgressDisplay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

namespace divuzo::cli {
namespace {

TEST(ProgressFigures, PercentRateAndTimeLeft) {
  ProgressFigures f = FigureProgress(50, 200, 10.0);
  EXPECT_EQ(f.percent, 25);
  EXPECT_DOUBLE_EQ(f.ratePerSecond.value(), 5.0);
  EXPECT_DOUBLE_EQ(f.secondsLeft.value(), 30.0);  // 150 left at 5 per second

  f = FigureProgress(199, 200, 1.0);
  EXPECT_EQ(f.percent, 99);  // rounded down: 100% only when all is done
  EXPECT_NEAR(f.secondsLeft.value(), 1.0 / 199, 1e-12);

  f = FigureProgress(10, 100, 0.0);  // no time has passed: no rate, no estimate
  EXPECT_EQ(f.percent, 10);
  EXPECT_FALSE(f.ratePerSecond);
  EXPECT_FALSE(f.secondsLeft);

  f = FigureProgress(0, 100, 3.0);  // nothing done yet: the time left is unknown, not infinite
  EXPECT_DOUBLE_EQ(f.ratePerSecond.value(), 0.0);
  EXPECT_FALSE(f.secondsLeft);

  f = FigureProgress(120, 100, 4.0);  // a count that overshoots is complete
  EXPECT_EQ(f.percent, 100);
  EXPECT_DOUBLE_EQ(f.ratePerSecond.value(), 25.0);
  EXPECT_DOUBLE_EQ(f.secondsLeft.value(), 0.0);

  f = FigureProgress(0, 0, 1.0);  // nothing to do is done
  EXPECT_EQ(f.percent, 100);

  // Huge counts do not overflow the percentage.
  const std::uint64_t big = std::numeric_limits<std::uint64_t>::max();
  EXPECT_EQ(FigureProgress(big - 1, big, 1.0).percent, 99);
  EXPECT_EQ(FigureProgress(big / 2, big, 1.0).percent, 49);
}

TEST(ProgressFigures, RateAndDurationTexts) {
  EXPECT_EQ(FormatRate(0.25, "photos"), "0.2 photos/s");
  EXPECT_EQ(FormatRate(850, "photos"), "850 photos/s");
  EXPECT_EQ(FormatRate(12500, "records"), "12.5 k records/s");
  EXPECT_EQ(FormatRate(3.1e7, "records"), "31.0 M records/s");
  EXPECT_EQ(FormatDuration(0), "0:00");
  EXPECT_EQ(FormatDuration(6.2), "0:07");  // never promises less than is left
  EXPECT_EQ(FormatDuration(725), "12:05");
  EXPECT_EQ(FormatDuration(3723), "1:02:03");
  EXPECT_EQ(FormatDuration(-5), "0:00");
}

// What the display writes, through a temporary file, with a clock set by the test.
class DisplayOutput : public testing::Test {
 protected:
  void SetUp() override {
    out_ = std::tmpfile();
    ASSERT_NE(out_, nullptr);
  }
  void TearDown() override {
    if (out_) std::fclose(out_);
  }
  ProgressDisplay::Options Options(bool terminal) {
    ProgressDisplay::Options o;
    o.out = out_;
    o.terminal = terminal;
    o.clock = [this] { return now_; };
    return o;
  }
  // Everything written so far.
  std::string Written() {
    std::fflush(out_);
    std::rewind(out_);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out_)) > 0;)
      text.append(buffer, n);
    std::fseek(out_, 0, SEEK_END);
    return text;
  }

  double now_ = 100.0;
  std::FILE* out_ = nullptr;
};

TEST_F(DisplayOutput, PlainLinesEveryFivePercentWithFigures) {
  {
    ProgressDisplay display("convert", "records", Options(false));
    for (int done = 0; done <= 1000; ++done) {
      now_ = 100.0 + done * 0.01;  // 100 records per second
      display.Update(done, 1000);
    }
  }
  const std::string text = Written();
  EXPECT_EQ(text.find('\r'), std::string::npos);
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(text.substr(at, end - at));
  ASSERT_EQ(lines.size(), 20u) << text;  // 5%, 10%, ... 100%: one line per step, no 0%
  EXPECT_EQ(lines[0], "convert: 5% (100 records/s, 0:10 left)");
  EXPECT_EQ(lines[4], "convert: 25% (100 records/s, 0:08 left)");
  EXPECT_EQ(lines[19], "convert: 100% (100 records/s, took 0:10)");
}

TEST_F(DisplayOutput, PlainLinesSkipStepsAJumpPassesAndNeverGoBack) {
  ProgressDisplay display("geotag", "photos", Options(false));
  display.Update(1, 3);  // 33%
  display.Update(1, 3);  // the same again: nothing new
  display.Update(0, 3);  // back: nothing
  now_ += 2;
  display.Update(3, 3);
  display.Finish();
  display.Update(3, 3);  // after the end: nothing
  EXPECT_EQ(Written(), "geotag: 33%\ngeotag: 100% (1.5 photos/s, took 0:02)\n");
}

TEST_F(DisplayOutput, TerminalRedrawsOneLineAndEndsIt) {
  {
    ProgressDisplay display("convert", "records", Options(true));
    for (int done = 0; done <= 1000; ++done) {
      now_ = 100.0 + done * 0.001;  // one second in all: at most about ten redraws
      display.Update(done, 1000);
    }
  }
  const std::string text = Written();
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\n'), text.size() - 1);  // one line, ended once
  std::size_t redraws = 0;
  for (char c : text) redraws += c == '\r';
  EXPECT_GE(redraws, 10u);
  EXPECT_LE(redraws, 13u);
  const std::string last = text.substr(text.rfind('\r'));
  EXPECT_EQ(last, "\rconvert 100%  1000 records/s  took 0:01\033[K\n");
  EXPECT_NE(text.find("\rconvert  50%  1000 records/s  0:01 left\033[K"), std::string::npos)
      << text;
}

TEST_F(DisplayOutput, QuickJobsShowNothingAndSlowOnesStartAfterTheQuietTime) {
  ProgressDisplay::Options options = Options(false);
  options.quietSeconds = 1.0;
  {
    ProgressDisplay quick("convert", "records", options);
    for (int done = 0; done <= 100; ++done) {
      now_ = 100.0 + done * 0.009;  // done in 0.9 s
      quick.Update(done, 100);
    }
  }
  EXPECT_EQ(Written(), "");
  now_ = 200.0;
  {
    ProgressDisplay slow("convert", "records", options);
    for (int done = 0; done <= 100; ++done) {
      now_ = 200.0 + done * 0.02;  // two seconds: quiet for the first half
      slow.Update(done, 100);
    }
  }
  const std::string text = Written();
  EXPECT_EQ(text.rfind("convert: 50% (50 records/s, 0:01 left)\nconvert: 55% (", 0), 0u) << text;
  EXPECT_EQ(test::Lines(text).size(), 11u) << text;
}

TEST_F(DisplayOutput, TerminalLineStaysClosedWithoutProgress) {
  { ProgressDisplay display("convert", "records", Options(true)); }
  EXPECT_EQ(Written(), "");
}

}  // namespace
}  // namespace divuzo::cli
