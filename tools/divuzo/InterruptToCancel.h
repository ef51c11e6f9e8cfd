#pragma once
// Ctrl+C during device work asks the session to stop instead of killing the program: the work
// stops where that is safe, and while it is not (the image phase of a flash) the request is
// turned down and the reason is printed. Installed for the lifetime of one object.
#include <atomic>
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

private:
  DeviceSession& session_;
  std::FILE* out_;
  std::atomic<bool> stop_{false};
  std::thread watcher_;
};

}  // namespace divuzo::cli
