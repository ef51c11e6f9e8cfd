#include "serial/DeviceSession.h"

#include "platform/Trace.h"
#include "serial/DeviceProtocol.h"

namespace divuzo {

void HeartbeatControl::StopAndWait(int maxMs, LinkClock& clock) {
  SetHeartbeat(false);
  clock.SleepMs(maxMs);
}

DeviceSession::DeviceSession(LinkTiming timing) : timing(timing) {}

DeviceSession::~DeviceSession() = default;

DeviceProtocol& DeviceSession::Protocol() {
  if (!protocol_) protocol_ = std::make_unique<DeviceProtocol>(*this);
  return *protocol_;
}

bool DeviceSession::Open() {
  if (link_) link_->Close();
  link_ = opener(portName, baudRate, error_);
  if (!link_) {
    TraceF("serial: cannot open %s: %s", portName.c_str(), error_.message.c_str());
    return false;
  }
  return true;
}

bool DeviceSession::EnsureOpen() { return IsOpen() || Open(); }

bool DeviceSession::Reconfigure() { return IsOpen() && link_->Configure(baudRate); }

bool DeviceSession::ReconfigureHighSpeed() { return IsOpen() && link_->Configure(kHighSpeedBaud); }

void DeviceSession::Purge() {
  if (IsOpen()) link_->Purge();
}

bool DeviceSession::Close() {
  if (!IsOpen()) return false;
  link_->Purge();
  link_->Close();
  link_.reset();
  portName = kDefaultPortName;
  return true;
}

void DeviceSession::Reset() {
  Close();
  link_.reset();
}

bool DeviceSession::SelectFromLists(const std::string& portEntry, int rateIndex) {
  const std::string port = PortFromListEntry(portEntry);
  // A line still open on another port would carry the conversation to the wrong device.
  if (IsOpen() && link_->Path() != port) Close();
  portName = port;
  if (rateIndex >= 0 && rateIndex < static_cast<int>(kLineSpeeds.size())) baudRate = kLineSpeeds[rateIndex];
  portOpen = EnsureOpen();
  return true;
}

void DeviceSession::SetLinkSettings(const std::string& name, int baud, int spare) {
  std::lock_guard<std::mutex> lock(settingsMutex_);
  linkPort_ = name;
  linkBaud_ = baud;
  linkSpare_ = spare;
}

void DeviceSession::GetLinkSettings(std::string& name, int& baud, int& spare) const {
  std::lock_guard<std::mutex> lock(settingsMutex_);
  name = linkPort_;
  baud = linkBaud_;
  spare = linkSpare_;
}

std::unique_ptr<Link> DeviceSession::OpenLinkSettingsPort(PortError& error) {
  std::string name;
  int baud = 0;
  int spare = 0;
  GetLinkSettings(name, baud, spare);
  auto link = opener(name, baud > 0 ? static_cast<unsigned>(baud) : kDefaultBaud, error);
  if (!link) TraceF("serial: cannot open %s: %s", name.c_str(), error.message.c_str());
  return link;
}

Status DeviceSession::RequestCancel() {
  if (const int refusal = cancelRefusal_.load(); refusal != 0)
    return Status::Failure(StatusCode::CancelRefused, refusal, "stopping now would leave the device unusable");
  cancel.Cancel();
  return Status::Success();
}

} // namespace divuzo
