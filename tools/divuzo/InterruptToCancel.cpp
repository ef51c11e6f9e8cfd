#include "InterruptToCancel.h"

#include "StringTable.h"
#include "serial/DeviceSession.h"

#include <chrono>

namespace divuzo::cli {

namespace {

// Signals received and not yet answered, counted by the handler (a lock-free atomic is safe
// in a handler), so that two quick ones get two answers.
std::atomic<int> pending{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnSignal(int signal) {
  pending.fetch_add(1);
#ifdef _WIN32
  // The Windows C runtime puts the default handler back before calling this one.
  std::signal(signal, OnSignal);
#else
  (void)signal;
#endif
}

} // namespace

InterruptToCancel::InterruptToCancel(DeviceSession& session, std::FILE* out)
    : session_(session), out_(out) {
  pending.store(0);
#ifdef _WIN32
  for (std::size_t i = 0; i < std::size(kSignals); ++i) previous_[i] = std::signal(kSignals[i], OnSignal);
#else
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a question waiting for the terminal is given up on.
  action.sa_flags = 0;
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    sigaction(kSignals[i], &action, &previous_[i]);
#endif
  watcher_ = std::thread([this] {
    while (!stop_.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      for (int n = pending.exchange(0); n > 0; --n) {
        const Status answer = session_.RequestCancel();
        if (!answer.Ok()) {
          std::fprintf(out_, "\n%s\n", LoadText(answer.textId).c_str());
          std::fflush(out_);
        }
      }
    }
  });
}

InterruptToCancel::~InterruptToCancel() {
  stop_.store(true);
  watcher_.join();
#ifdef _WIN32
  for (std::size_t i = 0; i < std::size(kSignals); ++i) std::signal(kSignals[i], previous_[i]);
#else
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    sigaction(kSignals[i], &previous_[i], nullptr);
#endif
}

}  // namespace divuzo::cli
