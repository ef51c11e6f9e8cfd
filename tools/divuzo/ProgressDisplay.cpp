#include "ProgressDisplay.h"

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace divuzo::cli {

ProgressFigures FigureProgress(std::uint64_t done, std::uint64_t total, double elapsedSeconds) {
  ProgressFigures figures;
  if (total == 0) {
    figures.percent = 100;
    figures.secondsLeft = 0;
    return figures;
  }
  done = std::min(done, total);
  // In integers, so that 100% means all of it even for huge counts.
  figures.percent = static_cast<int>(static_cast<unsigned __int128>(done) * 100 / total);
  if (elapsedSeconds <= 0) return figures;
  const double rate = static_cast<double>(done) / elapsedSeconds;
  figures.ratePerSecond = rate;
  if (done == total) {
    figures.secondsLeft = 0;
  } else if (rate > 0) {
    figures.secondsLeft = static_cast<double>(total - done) / rate;
  }
  return figures;
}

std::string FormatRate(double perSecond, const std::string& unit) {
  char number[32];
  if (perSecond < 10) {
    std::snprintf(number, sizeof number, "%.1f", perSecond);
  } else if (perSecond < 1e4) {
    std::snprintf(number, sizeof number, "%.0f", perSecond);
  } else if (perSecond < 1e7) {
    std::snprintf(number, sizeof number, "%.1f k", perSecond / 1e3);
  } else {
    std::snprintf(number, sizeof number, "%.1f M", perSecond / 1e6);
  }
  return std::string(number) + " " + unit + "/s";
}

std::string FormatDuration(double seconds) {
  const long long whole = seconds > 0 ? static_cast<long long>(std::ceil(seconds)) : 0;
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

namespace {
ProgressMode mode = ProgressMode::Auto;
}

void SetProgressMode(ProgressMode newMode) {
  mode = newMode;
}

ProgressDisplay::Options ProgressDisplay::ForStandardError() {
  Options options;
  options.out = mode == ProgressMode::Never ? nullptr : stderr;
  options.terminal = isatty(STDERR_FILENO) != 0;
  options.quietSeconds = mode == ProgressMode::Auto ? 1.0 : 0.0;
  return options;
}

ProgressDisplay::ProgressDisplay(std::string label, std::string unit, Options options)
    : label_(std::move(label)),
      unit_(std::move(unit)),
      options_(std::move(options)),
      start_(Now()) {}

double ProgressDisplay::Now() const {
  if (options_.clock) return options_.clock();
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string ProgressDisplay::Line(const ProgressFigures& figures, double elapsed) const {
  std::vector<std::string> extras;
  if (figures.ratePerSecond) extras.push_back(FormatRate(*figures.ratePerSecond, unit_));
  if (figures.percent == 100 && elapsed > 0) {
    extras.push_back("took " + FormatDuration(elapsed));
  } else if (figures.secondsLeft && figures.percent < 100) {
    extras.push_back(FormatDuration(*figures.secondsLeft) + " left");
  }
  std::string line;
  if (options_.terminal) {
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", figures.percent);
    line = label_ + " " + percent;
    for (const std::string& extra : extras) line += "  " + extra;
    return "\r" + line + "\033[K";  // erase what a longer line left behind
  }
  line = label_ + ": " + std::to_string(figures.percent) + "%";
  for (std::size_t i = 0; i < extras.size(); ++i) line += (i == 0 ? " (" : ", ") + extras[i];
  if (!extras.empty()) line += ")";
  return line + "\n";
}

void ProgressDisplay::Update(std::uint64_t done, std::uint64_t total) {
  if (finished_ || options_.out == nullptr) return;
  const double now = Now();
  last_ = FigureProgress(done, total, now - start_);
  lastElapsed_ = now - start_;
  if (lastElapsed_ < options_.quietSeconds) return;
  if (options_.terminal) {
    // Redrawn at most ten times a second, and always at the end.
    if (drawn_ && last_.percent < 100 && now - lastDraw_ < 0.1) return;
    lastDraw_ = now;
    drawn_ = true;
  } else {
    const int step = std::max(1, options_.plainStepPercent);
    const int mark = last_.percent == 100 ? 100 : last_.percent / step * step;
    if (mark <= lastPlainPercent_ || mark == 0) return;
    lastPlainPercent_ = mark;
  }
  std::fputs(Line(last_, lastElapsed_).c_str(), options_.out);
  std::fflush(options_.out);
}

void ProgressDisplay::Finish() {
  if (finished_) return;
  finished_ = true;
  if (options_.out != nullptr && options_.terminal && drawn_) {
    // The last figures, which the redraw limit may have held back, then the line ends.
    std::fputs(Line(last_, lastElapsed_).c_str(), options_.out);
    std::fputs("\n", options_.out);
    std::fflush(options_.out);
  }
}

}  // namespace divuzo::cli
