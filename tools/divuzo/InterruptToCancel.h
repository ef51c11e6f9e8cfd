#pragma once
// Ctrl+C, a kill (SIGTERM) or a closed terminal (SIGHUP) during device work asks the session to
// stop instead of ending the program: the work stops where that is safe (and cleans up after
// itself), and while it is not (the image phase of a flash) the request is turned down and the
// reason is printed, again for every further signal. Installed for the lifetime of one object.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

namespace divuzo {
class DeviceSession;
}

namespace divuzo::cli {

class InterruptToCancel {
public:
  // The reason of a refusal goes to `out`.
  explicit InterruptToCancel(DeviceSession& session, std::FILE* out = stderr);
  ~InterruptToCancel();
  InterruptToCancel(const InterruptToCancel&) = delete;
  InterruptToCancel& operator=(const InterruptToCancel&) = delete;

  // The signals taken while the object lives (Windows has no SIGHUP; Ctrl+Break is SIGBREAK).
#ifdef _WIN32
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGBREAK};
#else
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
#endif

private:
  DeviceSession& session_;
  std::FILE* out_;
  std::atomic<bool> stop_{false};
#ifdef _WIN32
  void (*previous_[3])(int) = {};
#else
  struct sigaction previous_[3] = {};
#endif
  std::thread watcher_;
};

}  // namespace divuzo::cli
