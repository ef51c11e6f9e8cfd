#pragma once
// A request to stop, shared between whoever asks (a button, Ctrl+C) and the work that honours
// it where stopping is safe. Set from any thread; the work polls it.
#include <atomic>

namespace divuzo {

class CancelToken {
public:
  void Cancel() { cancelled_.store(true); }
  void Reset() { cancelled_.store(false); }
  bool Cancelled() const { return cancelled_.load(); }

private:
  std::atomic<bool> cancelled_{false};
};

} // namespace divuzo
