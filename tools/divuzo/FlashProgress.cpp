#include "FlashProgress.h"

#include "StringTable.h"
#include "update/FlashDownload.h"

namespace divuzo::cli {

FlashProgress::FlashProgress(std::FILE* out, std::FILE* err, ProgressDisplay::Options display)
    : out_(out), err_(err), options_(std::move(display)) {}

FlashProgress::~FlashProgress() { Finish(); }

void FlashProgress::Finish() {
  if (transfer_) transfer_->Finish();
  transfer_.reset();
}

void FlashProgress::ShowStage(int textId) {
  // A transfer starts with its stage text; any other stage ends the one shown.
  if (textId == kTextAgentStart || textId == kTextImageStart) {
    Finish();
    transfer_ = std::make_unique<ProgressDisplay>(textId == kTextAgentStart ? "agent" : "image",
                                                  "bytes", options_);
  } else if (textId != kTextAgentProgress && textId != kTextImageProgress) {
    Finish();
  }
  // The stage texts repeat with every step, and several read the same: each change once.
  const std::string& text = LoadText(textId);
  if (text == lastStage_) return;
  lastStage_ = text;
  std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
}

void FlashProgress::Report(const Progress& p) {
  if (p.stageTextId != 0) ShowStage(p.stageTextId);
  if (transfer_ && p.total > 0) transfer_->Update(p.done, p.total);
  if (p.warningTextId != 0) {
    std::fprintf(err_, "%s\n", LoadText(p.warningTextId).c_str());
    std::fflush(err_);
  }
}

}  // namespace divuzo::cli
