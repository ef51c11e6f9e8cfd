#pragma once
// Finding the device for a block transfer: the ports of the port list in its order, each
// polled with the start request until the device says it is ready ("!"), refuses ("$"), or
// the port's poll limit is used up.
#include "app/Status.h"
#include "serial/SerialPortList.h"
#include "trackdata/BlockTransfer.h"

#include <string>
#include <vector>

namespace divuzo {

class DeviceSession;

// Which transfer looks for the device: they differ in start request, poll limits and in
// what they do when a port stays silent.
enum class TransferKind { Waypoint, TrackLog };

// Start-handshake rounds on the chosen bridge port and on the other ports.
struct PollLimits {
  int bridge;
  int other;
};
inline constexpr PollLimits kWaypointPolls{80, 30};
inline constexpr PollLimits kTrackLogPolls{10, 300};
PollLimits PollLimitsOf(TransferKind kind);

struct PortCandidate {
  std::string port;  // a device path
  int polls = 0;     // start-handshake rounds on it
};

// The ports to try, in order: the chosen port when it is a known bridge of `list` (an empty
// `chosen` takes the first such bridge) with the bridge limit; then, for the waypoint
// transfer (which moves on from a silent port) or when no bridge was chosen, every port of
// the list with the other limit.
std::vector<PortCandidate> TransferPorts(TransferKind kind, const SerialPortList& list,
                                         const std::string& chosen);

// The port list as it is now; empty (with the reason in *error) when it cannot be read.
SerialPortList CurrentPortList(std::string* error = nullptr);

// One named port: the bridge limit when `list` knows it as a bridge, else the other limit.
std::vector<PortCandidate> TransferPortsFor(TransferKind kind, const SerialPortList& list,
                                            const std::string& port);

// The start handshake over `ports`. Each round sends the start request and waits up to
// `roundMs` for the answer; the first round sends it once more (after `resendPauseMs`) and
// clears the session's linkBusy. The waypoint transfer's request is "$PMTK182*21" while
// linkBusy is set, else "$BEG"; the track-log transfer sends the logger command 5 while
// linkBusy is set and otherwise listens. "?" makes the track-log transfer keep polling.
//
// Ok: the device said "!" and the session's line is open on its port. Failures: "$" (103), a
// silent port for the track-log transfer (976; the window stays open), every port silent or
// unusable (104; the session's port name returns to "COM1"), a cancel (901).
Status FindDevice(DeviceSession& session, TransferLine& line, TransferKind kind,
                  const std::vector<PortCandidate>& ports, const TransferTiming& timing);

}  // namespace divuzo
