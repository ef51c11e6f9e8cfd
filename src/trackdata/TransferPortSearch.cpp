#include "trackdata/TransferPortSearch.h"

#include "platform/Trace.h"
#include "serial/DeviceSession.h"
#include "serial/PortChoice.h"
#include "serial/Sentence.h"

namespace divuzo {

namespace {

// The start request as it stands now (it depends on linkBusy); empty: only listen.
std::string StartRequest(DeviceSession& session, TransferKind kind) {
  const bool busy = session.linkBusy.load() != 0;
  if (kind == TransferKind::Waypoint)
    return std::string(busy ? transfer::kBusyBeginLine : transfer::kBeginLine);
  return busy ? LogCommandLine(transfer::kTrackLogStartCommand, 0, 0) : std::string();
}

enum class PortOutcome { Ready, Refused, Silent, Unusable, Cancelled };

PortOutcome PollPort(DeviceSession& session, TransferLine& line, TransferKind kind, int polls,
                     const TransferTiming& timing) {
  const std::string_view stops = kind == TransferKind::Waypoint ? "!$" : "!$?";
  if (kind == TransferKind::Waypoint) line.Pause(timing.openPauseMs);
  // One request and the wait for its answer; false when the line went away.
  auto ask = [&](char& reply, WaitStatus& status) {
    const std::string request = StartRequest(session, kind);
    if (!request.empty() && !line.Write(request)) return false;
    status = line.NextOf(stops, timing.roundMs, reply);
    return status != WaitStatus::Lost;
  };
  for (int round = 0; round < polls; ++round) {
    char reply = 0;
    WaitStatus status = WaitStatus::Timeout;
    if (!ask(reply, status)) return PortOutcome::Unusable;
    if (round == 0) {
      // The first start request is followed by a second one; linkBusy ends with the first.
      // A device that answered the first already is not asked again: a second answer would
      // be taken for the reply to the next line.
      const bool answered = status == WaitStatus::Ok;
      session.linkBusy = 0;
      if (!answered && status != WaitStatus::Cancelled) {
        line.Pause(timing.resendPauseMs);
        if (!session.EnsureOpen() || !ask(reply, status)) return PortOutcome::Unusable;
      }
    }
    if (status == WaitStatus::Cancelled) return PortOutcome::Cancelled;
    if (status != WaitStatus::Ok || reply == '?') continue;
    return reply == '!' ? PortOutcome::Ready : PortOutcome::Refused;
  }
  return PortOutcome::Silent;
}

}  // namespace

PollLimits PollLimitsOf(TransferKind kind) {
  return kind == TransferKind::Waypoint ? kWaypointPolls : kTrackLogPolls;
}

std::vector<PortCandidate> TransferPorts(TransferKind kind, const SerialPortList& list,
                                         const std::string& chosen) {
  const PollLimits limits = PollLimitsOf(kind);
  std::vector<PortCandidate> ports;
  std::string bridge = chosen;
  const bool haveBridge = ConnectByBridgeName(list, bridge) && !bridge.empty();
  if (haveBridge) ports.push_back({bridge, limits.bridge});
  if (haveBridge && kind == TransferKind::TrackLog) {
    // The track-log transfer gives up on a silent port; the others are there in case the
    // bridge cannot be opened.
    for (const SerialPortInfo& entry : list)
      if (entry.portName != bridge) ports.push_back({entry.portName, limits.bridge});
    return ports;
  }
  for (const SerialPortInfo& entry : list) ports.push_back({entry.portName, limits.other});
  return ports;
}

SerialPortList CurrentPortList(std::string* error) {
  SerialPortList list;
  try {
    ListSerialPorts(list, false);
  } catch (const PortDiscoveryError& e) {
    list.clear();
    if (error) *error = e.what();
  }
  return list;
}

std::vector<PortCandidate> TransferPortsFor(TransferKind kind, const SerialPortList& list,
                                            const std::string& port) {
  const PollLimits limits = PollLimitsOf(kind);
  std::string name = port;
  const bool bridge = !port.empty() && ConnectByBridgeName(list, name);
  return {{port, bridge ? limits.bridge : limits.other}};
}

Status FindDevice(DeviceSession& session, TransferLine& line, TransferKind kind,
                  const std::vector<PortCandidate>& ports, const TransferTiming& timing) {
  for (const PortCandidate& candidate : ports) {
    if (session.cancel.Cancelled()) return WaitFailure(WaitStatus::Cancelled, "the device");
    if (session.IsOpen() && session.Line()->Path() != candidate.port) session.Close();
    session.portName = candidate.port;
    if (!session.EnsureOpen()) continue;
    line.Purge();
    TraceF("transfer: looking for the device on %s (%d rounds)", candidate.port.c_str(),
           candidate.polls);
    switch (PollPort(session, line, kind, candidate.polls, timing)) {
      case PortOutcome::Ready:
        return Status::Success();
      case PortOutcome::Refused:
        return Status::Failure(StatusCode::Failed, kTextStartRefused,
                               "the device answered $ to the start request");
      case PortOutcome::Cancelled:
        session.Close();
        return WaitFailure(WaitStatus::Cancelled, "the device");
      case PortOutcome::Silent:
        if (kind == TransferKind::TrackLog) {
          session.Close();
          return Status::Failure(StatusCode::NoAnswer, kTextNoResponse,
                                 "no answer to the start request on " + candidate.port);
        }
        break;
      case PortOutcome::Unusable:
        break;
    }
    session.Close();
  }
  session.Close();
  session.portName = kDefaultPortName;
  return Status::Failure(StatusCode::NoAnswer, kTextNoTransferDevice,
                         "no port answered the start request");
}

}  // namespace divuzo
