#pragma once
// The virtual device in the same process, reached through a Link as if it were on a serial
// port: the in-process link. The engine runs synchronously inside the host's Write; what it
// answers waits in a queue, each piece with the time it reaches the host (later when the
// device pauses, or when pacing makes bytes take their time on the line). The host reads
// and waits on the clock it was given: the system clock, or a VirtualClock that jumps over
// every wait.
//
//   VirtualClock clock;
//   InProcessDevice device({.model = "ZID310"}, clock);
//   DeviceSession session;
//   device.Attach(session);                 // opener and clock; the session's port is the device
//   IdentifyDevice(session, device.Path(), -1);
//   device.WireLines();                     // every byte, as divuzo-vdev --wire writes it
//
// One line at a time may be open (a second open is refused as busy, like an exclusive port).
// A hang-up fault makes the open line lost and the device unreachable from then on.
#include "engine/DeviceEngine.h"
#include "platform/Link.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace divuzo {
class DeviceSession;
}

namespace divuzo::vdev {

class InProcessDevice {
public:
  explicit InProcessDevice(const DeviceOptions& options = {}, LinkClock& clock = LinkClock::System(),
                           std::string path = "/dev/vdev-inprocess");
  ~InProcessDevice();
  InProcessDevice(const InProcessDevice&) = delete;
  InProcessDevice& operator=(const InProcessDevice&) = delete;

  const std::string& Path() const { return path_; }
  LinkClock& Clock() { return clock_; }

  // Opens a line to the device, as OpenSerialLink opens a port: only the device's path, one
  // line at a time, nothing after a hang-up.
  std::unique_ptr<Link> Open(const std::string& path, unsigned baud, PortError& error);
  LinkOpener Opener();
  // The session opens its lines here and waits on this device's clock; its port is the device.
  void Attach(DeviceSession& session);

  bool HungUp();
  DeviceState& State() { return engine_->State(); }
  // The fault options, to change between conversations (not while one runs).
  FaultOptions& Faults() { return engine_->Device().Faults(); }
  // The logger personality (nullptr unless the device answers the logger family). Look at it
  // while no line is talking to the device.
  LoggerDevice* Logger() { return engine_->Logger(); }
  std::vector<std::string> LogLines();
  std::vector<std::string> ReceivedSentences();
  int CountReceived(const std::string& sentence);
  std::vector<std::string> WireLines();
  // The line speed the host set last.
  unsigned LineSpeed();

private:
  class Line;
  class DeviceSide;
  friend class Line;

  std::mutex mutex_;
  LinkClock& clock_;
  std::string path_;
  std::unique_ptr<DeviceSide> side_;
  std::unique_ptr<DeviceEngine> engine_;
  Line* open_ = nullptr;
};

} // namespace divuzo::vdev
