#pragma once
// One device and everything the program knows about talking to it, owned by whoever drives
// the device: the main window, one command of the command line, one test. Nothing about a
// device is carried between the core and the front ends in globals: they hand each other a
// session.
//
//   DeviceSession session;                       // OpenSerialLink on the system clock
//   session.progress = &mySink;                  // stage texts and progress, on the worker
//   IdentifyDevice(session, "/dev/ttyUSB0", -1);  // the Connect step; session.device filled
//   FlashJob job(session, FlashJob::Flavor::UpdatePage);  // Execute
//
// The session holds the channel of the update page (port name, speed, the open line, the
// `portOpen` flag the sentence senders check), the link settings recorded when a port is
// chosen (the port the flashing and the address steps open), the identified device, the
// flags shared with device work (`linkBusy`, `highSpeedLink`, the exchange-finished flag),
// the cancel request and the sinks for progress and the heartbeat.
#include "app/Progress.h"
#include "app/Status.h"
#include "platform/CancelToken.h"
#include "platform/Link.h"
#include "serial/DeviceKind.h"
#include "serial/LinkTiming.h"
#include "serial/PortChoice.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace divuzo {

class DeviceProtocol;

// The main window's heartbeat worker, as device work sees it.
class HeartbeatControl {
public:
  virtual ~HeartbeatControl() = default;
  virtual void SetHeartbeat(bool run) = 0;
  // Stops the heartbeat and returns once its cycle has ended, waiting at most maxMs on
  // `clock`. A worker that sleeps its whole cycle needs the full wait; one that wakes on a
  // stop returns at once.
  virtual void StopAndWait(int maxMs, LinkClock& clock);
};

class DeviceSession {
public:
  explicit DeviceSession(LinkTiming timing = {});
  ~DeviceSession();
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  // ---- The channel: the line identification and the close sequences talk over.
  std::string portName = kDefaultPortName;  // a device path (or "COM1" when none is chosen)
  unsigned baudRate = kDefaultBaud;

  // Opens portName at baudRate. False when it cannot; LastError() says why in user words.
  bool Open();
  // True at once when a line is open; otherwise Open().
  bool EnsureOpen();
  // Applies the line settings again to the open line at baudRate / at 921600 (baudRate stays).
  // False when nothing is open.
  bool Reconfigure();
  bool ReconfigureHighSpeed();
  void Purge();
  // Purges and closes; the port name goes back to "COM1". False when nothing was open.
  bool Close();
  // Close, leaving no line open whatever happens.
  void Reset();
  // The update page's selection step: port from the selected/typed entry, rate from the rate
  // list index (0..6; anything else keeps the rate), then portOpen = EnsureOpen(). A line open
  // on another port is closed first. Always true.
  bool SelectFromLists(const std::string& portEntry, int rateIndex);

  bool IsOpen() const { return link_ && link_->IsOpen(); }
  // The open line, or nullptr.
  Link* Line() { return IsOpen() ? link_.get() : nullptr; }
  const PortError& LastError() const { return error_; }
  // Whether the last port selection ended with an open port; the senders refuse without it.
  std::atomic<bool> portOpen{false};

  // ---- The link settings: the port chosen on the page (kept when the channel closes).
  void SetLinkSettings(const std::string& name, int baud, int spare);
  void GetLinkSettings(std::string& name, int& baud, int& spare) const;
  // A line of its own on the link settings' port, for a step that talks alone (the address
  // steps, the boot-ROM download). nullptr with `error` filled when it cannot be opened.
  std::unique_ptr<Link> OpenLinkSettingsPort(PortError& error);

  // ---- The device.
  IdentifiedDevice device;
  // Identification could not tell the device: assume ForcedIdentity() for the update.
  void Force() { device = ForcedIdentity(); }

  // ---- Shared with device work.
  std::atomic<int> linkBusy{0};          // a sender or transfer loop is talking to the device
  std::atomic<int> highSpeedLink{0};     // 1 while a logger runs at 921600 (piecewise sending)
  std::atomic<int> exchangeFinished{0};  // set when a logger exchange with retries has ended

  // Stop requests. Work honours `cancel` where stopping is safe; while it is not safe
  // (the image phase of a flash) RequestCancel turns the request down with the reason.
  CancelToken cancel;
  Status RequestCancel();
  void SetCancelRefusal(int textId) { cancelRefusal_.store(textId); }  // 0: cancel allowed
  bool CancelAllowed() const { return cancelRefusal_.load() == 0; }

  // Where device work reports (stage texts, progress); may be null.
  ProgressSink* progress = nullptr;
  void Report(const Progress& p) {
    if (progress) progress->Report(p);
  }
  HeartbeatControl* heartbeat = nullptr;

  // How lines are opened and what time they run on (tests: the in-process device).
  LinkOpener opener = OpenSerialLink;
  LinkClock* clock = &LinkClock::System();
  LinkClock& Clock() { return *clock; }
  void SleepMs(long ms) { clock->SleepMs(ms); }

  // Every wait of the sentence conversation.
  LinkTiming timing;
  // The sentence senders over this session's channel (with their receive buffer).
  DeviceProtocol& Protocol();

private:
  std::unique_ptr<Link> link_;
  PortError error_;
  std::unique_ptr<DeviceProtocol> protocol_;
  std::atomic<int> cancelRefusal_{0};
  mutable std::mutex settingsMutex_;
  std::string linkPort_ = kDefaultPortName;
  int linkBaud_ = 0;
  int linkSpare_ = 0;
};

} // namespace divuzo
