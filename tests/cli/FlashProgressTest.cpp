// How `divuzo update` shows a flash: each stage text once on standard output, the agent's and
// the image's transfer on the progress display, warnings on standard error.
#include "FlashProgress.h"

#include "StringTable.h"
#include "update/FlashDownload.h"
#include "update/FlashJob.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace divuzo::cli {
namespace {

std::string Written(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string text;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, f)) text += buffer;
  return text;
}

Progress Step(int textId, std::uint64_t done, std::uint64_t total) {
  Progress p = Progress::Stage(textId);
  p.done = done;
  p.total = total;
  return p;
}

TEST(FlashProgress, StagesOnceTransfersOnTheDisplayWarningsApart) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_TRUE(out && err);
  double now = 0;
  ProgressDisplay::Options display;
  display.out = err;
  display.terminal = false;
  display.clock = [&now] { return now; };
  {
    FlashProgress progress(out, err, display);
    progress.Report(Progress::Stage(kTextPreparing));
    progress.Report(Progress::Value(0));
    progress.Report(Progress::Stage(kTextAgentStart));  // the same words as 405
    for (int i = 1; i <= 4; ++i) {
      now += 0.5;
      progress.Report(Step(kTextAgentProgress, i * 1024, 4096));
    }
    progress.Report(Progress::Stage(kTextImageStart));
    for (int i = 1; i <= 10; ++i) {
      now += 1;
      progress.Report(Step(kTextImageProgress, i * 10000, 100000));
    }
    progress.Report(Progress::Stage(kTextUpdating));
    Progress warning;
    warning.warningTextId = kTextAddressLost;
    progress.Report(warning);
    progress.Report(Progress::Stage(kTextDone));
    progress.Report(Progress::Value(kProgressDone));
  }
  EXPECT_EQ(Written(out), LoadText(kTextPreparing) + "\n" + LoadText(kTextImageStart) + "\n" +
                              LoadText(kTextImageProgress) + "\n" + LoadText(kTextUpdating) +
                              "\n" + LoadText(kTextDone) + "\n");
  const std::string shown = Written(err);
  // Plain lines: every 5 percent at most, each phase to its end, with its rate.
  EXPECT_NE(shown.find("agent: 50% (2048 bytes/s, 0:01 left)\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("agent: 100%"), std::string::npos) << shown;
  EXPECT_NE(shown.find("image: 50% (10.0 k bytes/s, 0:05 left)\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("image: 100% (10.0 k bytes/s, took 0:10)\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find(LoadText(kTextAddressLost) + "\n"), std::string::npos) << shown;
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
}  // namespace divuzo::cli
