#pragma once
// The one progress display of the command line's long jobs, on standard error. On a terminal
// it is one line redrawn in place: percent, rate and time left. Anywhere else (a pipe, a log
// file) it writes plain lines, at most one per few percent, so that a log stays short. A job
// done within a second shows nothing (unless --progress always).
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace divuzo::cli {

struct ProgressFigures {
  int percent = 0;                      // 0..100, rounded down
  std::optional<double> ratePerSecond;  // units per second; none before any time has passed
  std::optional<double> secondsLeft;    // none while the rate is unknown or zero
};

// The figures after `done` of `total` units in `elapsedSeconds`, at the average rate of the run
// so far. Nothing to do (total 0) counts as complete; done beyond total counts as total.
ProgressFigures FigureProgress(std::uint64_t done, std::uint64_t total, double elapsedSeconds);

// "850 photos/s", "12.5 k records/s", "3.1 M records/s".
std::string FormatRate(double perSecond, const std::string& unit);
// "0:07", "12:05", "1:02:03" (rounded up to whole seconds).
std::string FormatDuration(double seconds);

// --progress: auto shows a job's progress once it has run for a second, always from the start,
// never not at all.
enum class ProgressMode { Auto, Always, Never };
void SetProgressMode(ProgressMode mode);

class ProgressDisplay {
 public:
  struct Options {
    std::FILE* out = stderr;        // null: nothing is shown
    bool terminal = false;          // redraw one line instead of writing plain lines
    int plainStepPercent = 5;       // plain lines: at most one per this many percent
    double quietSeconds = 0;        // nothing is shown before the job has run this long
    std::function<double()> clock;  // seconds from a fixed point; steady clock when empty
  };

  // Options for standard error as --progress asks: the terminal form when it is a terminal.
  static Options ForStandardError();

  // `label` starts each line ("convert"); `unit` names what is counted ("records").
  ProgressDisplay(std::string label, std::string unit, Options options = ForStandardError());
  ~ProgressDisplay() { Finish(); }
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  void Update(std::uint64_t done, std::uint64_t total);
  // Ends the terminal line with the latest figures. Later updates and calls do nothing.
  void Finish();

 private:
  double Now() const;
  std::string Line(const ProgressFigures& figures, double elapsed) const;

  std::string label_;
  std::string unit_;
  Options options_;
  double start_;
  double lastDraw_ = -1;
  int lastPlainPercent_ = 0;
  ProgressFigures last_;
  double lastElapsed_ = 0;
  bool drawn_ = false;  // terminal: a line is open
  bool finished_ = false;
};

}  // namespace divuzo::cli
