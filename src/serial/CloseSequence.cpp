#include "serial/CloseSequence.h"

#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"

namespace divuzo {

void CloseOnRequest(DeviceSession& session, const std::function<void()>& stopLoggerLoops) {
  if (session.IsOpen()) {
    if (stopLoggerLoops) stopLoggerLoops();
    if (session.highSpeedLink.load() == 1) {
      // Ask the logger back to its normal speed before the line is let go.
      session.Protocol().SendLogCommand(logger_command::kSetSpeed, 38400, 0);
      session.SleepMs(session.timing.speedRestorePauseMs);
      session.Reconfigure();
      session.highSpeedLink = 0;
    }
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
