#include "serial/CloseSequence.h"

#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"
#include "serial/LoggerConnection.h"

namespace divuzo {

void CloseOnRequest(DeviceSession& session, const std::function<void()>& stopLoggerLoops) {
  if (session.IsOpen()) {
    if (stopLoggerLoops) stopLoggerLoops();
    // A logger left at high speed is asked back to its normal speed before the line goes.
    RestoreLoggerSpeed(session);
    session.Protocol().SendRadedCommand(maker_command::kGoodbye);
  }
  CloseOnCancel(session);
}

void CloseOnCancel(DeviceSession& session) {
  if (session.IsOpen()) {
    session.Protocol().SendRadedCommand(maker_command::kGoodbye);
    session.Purge();
    session.Reset();
  }
  if (session.heartbeat) session.heartbeat->SetHeartbeat(false);
}

void CloseOnOk(DeviceSession& session) {
  if (session.IsOpen()) {
    session.Purge();
    session.Reset();
  }
  if (session.heartbeat) session.heartbeat->SetHeartbeat(false);
  CloseOnCancel(session);
}

} // namespace divuzo
