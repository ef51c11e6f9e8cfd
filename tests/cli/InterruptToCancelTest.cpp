// Ctrl+C, a kill or a hang-up during device work: a request to stop, granted where stopping is safe and turned down
// with the reason while it is not; the program is not killed.
#include "InterruptToCancel.h"

#include "StringTable.h"
#include "app/Status.h"
#include "serial/DeviceSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

namespace divuzo::cli {
namespace {

// Waits (up to 2 s) until `done` holds.
template <typename Done>
bool Eventually(Done done) {
  for (int i = 0; i < 200 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

std::string Written(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string text;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, f)) text += buffer;
  return text;
}

// How often `text` occurs in `all`.
int Count(const std::string& all, const std::string& text) {
  int n = 0;
  for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + text.size()))
    ++n;
  return n;
}

TEST(InterruptToCancel, CtrlCKillAndHangUpAskTheSessionToStop) {
  DeviceSession session;
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  {
    InterruptToCancel guard(session, out);
    // Stopping is safe: each of the three is a request to stop, granted.
    for (int sig : InterruptToCancel::kSignals) {
      SCOPED_TRACE(sig);
      session.cancel.Reset();
      std::raise(sig);
      EXPECT_TRUE(Eventually([&] { return session.cancel.Cancelled(); }));
    }
    EXPECT_EQ(Written(out), "");

    // Not safe now: turned down with the reason, as often as asked, and nothing is cancelled.
    session.cancel.Reset();
    session.SetCancelRefusal(kTextCancelRefusedWhileFlashing);
    std::raise(SIGINT);
    std::raise(SIGINT);
    std::raise(InterruptToCancel::kSignals[2]);  // SIGHUP; on Windows SIGBREAK
    EXPECT_TRUE(Eventually([&] { return Count(Written(out), LoadText(900)) == 3; }))
        << Written(out);
    EXPECT_FALSE(session.cancel.Cancelled());
  }
  // Afterwards the signals end the program again.
  for (int sig : InterruptToCancel::kSignals) EXPECT_EQ(std::signal(sig, SIG_DFL), SIG_DFL) << sig;
  std::fclose(out);
}

}  // namespace
}  // namespace divuzo::cli
