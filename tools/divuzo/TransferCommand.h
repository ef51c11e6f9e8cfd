#pragma once
// What the block-transfer commands (waypoints send, tracklog receive) share: the ports to try,
// the progress display fed from the session, and how a transfer's status becomes output and
// an exit status.
#include "app/Progress.h"
#include "app/Status.h"
#include "trackdata/TransferPortSearch.h"

#include "InterruptToCancel.h"
#include "ProgressDisplay.h"
#include "serial/DeviceSession.h"

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

// Runs `job(session, ports)` on a session of its own with the ports to try for `kind`, its
// progress on standard error under `label` and Ctrl+C as a request to stop; returns what the
// job returned.
template <typename Job>
auto RunTransfer(TransferKind kind, const std::string& port, std::string label, Job job) {
  const std::vector<PortCandidate> ports = PortsToTry(kind, port);
  TransferReports reports(std::move(label));
  DeviceSession session;
  session.progress = &reports;
  InterruptToCancel interrupt(session);
  auto result = job(session, ports);
  reports.Finish();
  return result;
}

// 0 done; 3 when no device was found or it stopped answering; 1 for any other failure.
int TransferExitStatus(const Status& status);

// The status text (and the detail where it names a file or the system's reason) on standard
// output when done, standard error otherwise.
void PrintTransferStatus(const Status& status);

}  // namespace divuzo::cli
