#pragma once
// How `divuzo update` shows a flash: each stage text once, as a line on standard output; the
// transfer of the download agent and of the image on the shared progress display (percent,
// rate and time left on a terminal, plain lines otherwise, on standard error); warnings on
// standard error.
#include "ProgressDisplay.h"

#include "app/Progress.h"

#include <cstdio>
#include <memory>
#include <string>

namespace divuzo::cli {

class FlashProgress : public ProgressSink {
 public:
  explicit FlashProgress(std::FILE* out = stdout, std::FILE* err = stderr,
                         ProgressDisplay::Options display = ProgressDisplay::ForStandardError());
  ~FlashProgress() override;
  void Report(const Progress& p) override;
  // Ends the display of a transfer still shown.
  void Finish();

 private:
  void ShowStage(int textId);

  std::FILE* out_;
  std::FILE* err_;
  ProgressDisplay::Options options_;
  std::unique_ptr<ProgressDisplay> transfer_;  // the transfer under way, if any
  std::string lastStage_;
};

}  // namespace divuzo::cli
