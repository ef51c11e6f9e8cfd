#include "InterruptToCancel.h"

#include "StringTable.h"
#include "serial/DeviceSession.h"

#include <chrono>
#include <csignal>

namespace divuzo::cli {

namespace {

// Set by the signal handler, taken by the watcher (a lock-free atomic is safe in a handler).
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
  interrupted.store(true);
  // The Windows C runtime puts the default handler back before calling this one.
  std::signal(SIGINT, OnInterrupt);
}

} // namespace

InterruptToCancel::InterruptToCancel(DeviceSession& session, std::FILE* out)
    : session_(session), out_(out) {
  interrupted.store(false);
  std::signal(SIGINT, OnInterrupt);
  watcher_ = std::thread([this] {
    while (!stop_.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (!interrupted.exchange(false)) continue;
      const Status answer = session_.RequestCancel();
      if (!answer.Ok()) {
        std::fprintf(out_, "\n%s\n", LoadText(answer.textId).c_str());
        std::fflush(out_);
      }
    }
  });
}

InterruptToCancel::~InterruptToCancel() {
  stop_.store(true);
  watcher_.join();
  std::signal(SIGINT, SIG_DFL);
}

}  // namespace divuzo::cli
