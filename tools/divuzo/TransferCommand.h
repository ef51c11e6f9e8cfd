#pragma once
// What the block-transfer commands (waypoints send, tracklog receive) share: the ports to try,
// the progress display fed from the session, and how a transfer's status becomes output and
// an exit status.
#include "app/Progress.h"
#include "app/Status.h"
#include "trackdata/TransferPortSearch.h"

#include "ProgressDisplay.h"

#include <memory>
#include <string>
#include <vector>

namespace divuzo::cli {

// --port given: that port alone. Otherwise the port list in its order, the first known
// bridge first. Empty with a message on standard error when the list cannot be read.
std::vector<PortCandidate> PortsToTry(TransferKind kind, const std::string& port);

// The session's reports on standard error: stage texts as lines, the bytes moved on the
// shared progress display.
class TransferReports : public ProgressSink {
 public:
  explicit TransferReports(std::string label) : label_(std::move(label)) {}
  void Report(const Progress& p) override;
  void Finish();

 private:
  std::string label_;
  std::unique_ptr<ProgressDisplay> display_;
};

// 0 done; 3 when no device was found or it stopped answering; 1 for any other failure.
int TransferExitStatus(const Status& status);

// The status text (and the detail where it names a file or the system's reason) on standard
// output when done, standard error otherwise.
void PrintTransferStatus(const Status& status);

}  // namespace divuzo::cli
