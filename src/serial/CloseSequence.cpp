#include "serial/CloseSequence.h"

#include "app/UtilityManager.h"

#include <chrono>
#include <thread>

namespace divuzo {

void CloseOnRequest(DeviceProtocol& protocol, HeartbeatControl* heartbeat,
                    const std::function<void()>& stopLoggerLoops) {
  SerialPort& channel = protocol.Channel();
  if (channel.IsOpen()) {
    if (stopLoggerLoops) stopLoggerLoops();
    if (theUtilityManager.highSpeedLink.load() == 1) {
      // Ask the logger back to its normal speed before the line is let go.
      protocol.SendLogCommand(14, 38400, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(protocol.Timing().speedRestorePauseMs));
      channel.Reconfigure();
      theUtilityManager.highSpeedLink = 0;
    }
    protocol.SendRadedCommand(2);
  }
  CloseOnCancel(protocol, heartbeat);
}

void CloseOnCancel(DeviceProtocol& protocol, HeartbeatControl* heartbeat) {
  SerialPort& channel = protocol.Channel();
  if (channel.IsOpen()) {
    protocol.SendRadedCommand(2);
    channel.Purge();
    channel.Reset();
  }
  if (heartbeat) heartbeat->SetHeartbeat(false);
}

void CloseOnOk(DeviceProtocol& protocol, HeartbeatControl* heartbeat) {
  SerialPort& channel = protocol.Channel();
  if (channel.IsOpen()) {
    channel.Purge();
    channel.Reset();
  }
  if (heartbeat) heartbeat->SetHeartbeat(false);
  CloseOnCancel(protocol, heartbeat);
}

} // namespace divuzo
