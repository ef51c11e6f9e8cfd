#include "TransferCommand.h"

#include "Command.h"

#include "StringTable.h"

#include <cstdio>

namespace divuzo::cli {

std::vector<PortCandidate> PortsToTry(TransferKind kind, const std::string& port) {
  std::string error;
  const SerialPortList list = CurrentPortList(&error);
  // A named port is still worth trying without the list; otherwise there is nothing to go through.
  if (!error.empty() && port.empty()) std::fprintf(stderr, "%s\n", error.c_str());
  return port.empty() ? TransferPorts(kind, list, "") : TransferPortsFor(kind, list, port);
}

void TransferReports::Report(const Progress& p) {
  if (p.stageTextId != 0) {
    // A stage ends the progress line that belongs to the previous one.
    if (display_) display_->Finish();
    display_.reset();
    std::fprintf(stderr, "%s\n", TextOrOwnWording(p.stageTextId).c_str());
  }
  if (p.total > 0) {
    if (!display_) display_ = std::make_unique<ProgressDisplay>(label_, "bytes");
    display_->Update(p.done, p.total);
  }
}

void TransferReports::Finish() {
  if (display_) display_->Finish();
}

int TransferExitStatus(const Status& status) {
  if (status.Ok()) return kExitDone;
  const bool noDevice =
      (status.code == StatusCode::NoAnswer || status.code == StatusCode::LineLost) &&
      status.textId != kTextEndNotConfirmed;
  return noDevice ? kExitNoDevice : kExitFailed;
}

void PrintTransferStatus(const Status& status) {
  std::FILE* out = status.Ok() ? stdout : stderr;
  const std::string& text = TextOrOwnWording(status.textId);
  // These texts end in ": " and want the file or the reason after them.
  const bool namesSomething = status.textId == kTextCannotWrite || status.textId == kTextCannotRead;
  if (namesSomething)
    std::fprintf(out, "%s%s\n", text.c_str(), status.detail.c_str());
  else if (!text.empty())
    std::fprintf(out, "%s\n", text.c_str());
  if (!status.Ok() && !namesSomething && !status.detail.empty())
    std::fprintf(stderr, "(%s)\n", status.detail.c_str());
}

}  // namespace divuzo::cli
