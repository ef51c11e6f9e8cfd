#pragma once
// How device work reports while it runs: one Progress record to one sink. The window forwards
// it to its own thread, the command line prints it. Sinks are called on the worker's thread.
#include <cstdint>
#include <functional>

namespace divuzo {

// The value that means "finished: fill the bar and show 100%".
inline constexpr int kProgressDone = 1000;

struct Progress {
  int stageTextId = 0;     // stage or status line text (string table id); 0: unchanged
  int warningTextId = 0;   // warning line text; 0: unchanged
  int value = -1;          // 0..100 percent, kProgressDone when finished; -1: no number
  std::uint64_t done = 0;  // units of work done and in all (bytes, records), when counted
  std::uint64_t total = 0;
  double perSecond = 0;    // units per second, when measured

  static Progress Stage(int textId) { return {textId, 0, -1, 0, 0, 0}; }
  static Progress Value(int value) { return {0, 0, value, 0, 0, 0}; }
};

class ProgressSink {
public:
  virtual ~ProgressSink() = default;
  virtual void Report(const Progress& progress) = 0;
};

// A sink that calls a function (empty: reports are dropped).
class ProgressFunction : public ProgressSink {
public:
  explicit ProgressFunction(std::function<void(const Progress&)> fn = {}) : fn_(std::move(fn)) {}
  void Report(const Progress& progress) override {
    if (fn_) fn_(progress);
  }

private:
  std::function<void(const Progress&)> fn_;
};

} // namespace divuzo
