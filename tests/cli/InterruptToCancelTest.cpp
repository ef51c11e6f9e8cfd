// Ctrl+C during device work: a request to stop, granted where stopping is safe and turned down
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

TEST(InterruptToCancel, CtrlCAsksTheSessionToStop) {
  DeviceSession session;
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  {
    InterruptToCancel guard(session, out);
    // Stopping is safe: the request is granted.
    std::raise(SIGINT);
    EXPECT_TRUE(Eventually([&] { return session.cancel.Cancelled(); }));
    EXPECT_EQ(Written(out), "");

    // Not safe now: turned down, with the reason, and nothing is cancelled.
    session.cancel.Reset();
    session.SetCancelRefusal(kTextCancelRefusedWhileFlashing);
    std::raise(SIGINT);
    EXPECT_TRUE(Eventually([&] { return Written(out).find(LoadText(900)) != std::string::npos; }));
    EXPECT_FALSE(session.cancel.Cancelled());
  }
  // Afterwards Ctrl+C ends the program again.
  void (*previous)(int) = std::signal(SIGINT, SIG_DFL);
  EXPECT_EQ(previous, SIG_DFL);
  std::fclose(out);
}

}  // namespace
}  // namespace divuzo::cli
