#include "engine/InProcessDevice.h"

#include "platform/TermiosPort.h"
#include "serial/DeviceSession.h"

#include <algorithm>
#include <cerrno>

namespace divuzo::vdev {

namespace {

using TimePoint = LinkClock::TimePoint;

// How long `bytes` take on a line at `baud` (8N1: ten bits a byte).
std::chrono::microseconds LineTime(std::size_t bytes, unsigned baud) {
  return std::chrono::microseconds(bytes * 10ULL * 1000000ULL / (baud ? baud : 115200));
}

} // namespace

// The device's end: what the engine writes waits here until its time has come.
class InProcessDevice::DeviceSide : public DeviceIo {
public:
  struct Piece {
    TimePoint at;
    std::vector<std::uint8_t> bytes;
    std::size_t taken = 0;
  };

  void Write(const std::uint8_t* data, std::size_t size) override {
    if (hungUp || size == 0) return;
    TimePoint at = cursor;
    if (pacing) {
      at = std::max(cursor, lineFree) + LineTime(size, speed);
      lineFree = at;
    }
    // Bytes on a line keep their order.
    if (!queue.empty()) at = std::max(at, queue.back().at);
    queue.push_back({at, std::vector<std::uint8_t>(data, data + size), 0});
  }
  using DeviceIo::Write;
  unsigned LineSpeed() const override { return speed; }
  void SetPacing(bool on) override { pacing = on; }
  TimePoint Now() override { return cursor; }
  void SleepUntil(TimePoint when) override { cursor = std::max(cursor, when); }
  void HangUp() override { hungUp = true; }
  // The hold starts when the host closes its line (at once when none is open).
  void HoldPort(long ms) override {
    holdMs = ms;
    holdPending = true;
  }
  void StartHold(TimePoint now) {
    if (!holdPending) return;
    holdPending = false;
    heldForGood = holdMs < 0;
    heldUntil = now + std::chrono::milliseconds(std::max(holdMs, 0L));
  }
  bool Held(TimePoint now) const { return heldForGood || now < heldUntil; }

  std::deque<Piece> queue;
  TimePoint cursor{};     // the device's time while it handles the host's bytes
  TimePoint lineFree{};   // device to host: when the line is free again (pacing)
  unsigned speed = 115200;
  bool pacing = false;
  bool hungUp = false;
  // Another program holding the port (HoldPort).
  long holdMs = 0;
  bool holdPending = false;
  bool heldForGood = false;
  TimePoint heldUntil{};
};

class InProcessDevice::Line : public Link {
public:
  Line(InProcessDevice& device, unsigned baud) : device_(device), baud_(baud) {}
  ~Line() override { Close(); }

  long Write(const void* data, std::size_t size) override {
    std::lock_guard<std::mutex> lock(device_.mutex_);
    if (!Usable()) return -1;
    // The device takes the bytes now; a device that paces its line (the boot ROM) holds them
    // back itself for the time they take on the wire.
    device_.side_->cursor = device_.clock_.Now();
    device_.engine_->Receive(static_cast<const std::uint8_t*>(data), size);
    return static_cast<long>(size);
  }

  long Read(void* buffer, std::size_t count) override {
    std::lock_guard<std::mutex> lock(device_.mutex_);
    if (!open_) return -1;
    DeviceSide& side = *device_.side_;
    const TimePoint now = device_.clock_.Now();
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t n = 0;
    while (n < count && !side.queue.empty() && side.queue.front().at <= now) {
      DeviceSide::Piece& piece = side.queue.front();
      const std::size_t take = std::min(count - n, piece.bytes.size() - piece.taken);
      std::copy_n(piece.bytes.begin() + static_cast<std::ptrdiff_t>(piece.taken), take, out + n);
      piece.taken += take;
      n += take;
      if (piece.taken == piece.bytes.size()) side.queue.pop_front();
    }
    if (n == 0 && side.hungUp) {
      Lose();
      return -1;
    }
    return static_cast<long>(n);
  }

  bool WaitReadable(int timeoutMs) override {
    TimePoint next{};
    bool pending = false;
    const TimePoint deadline = device_.clock_.Now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    {
      std::lock_guard<std::mutex> lock(device_.mutex_);
      if (!open_) return false;
      DeviceSide& side = *device_.side_;
      if (side.hungUp && side.queue.empty()) return true;  // the read reports the loss
      if (!side.queue.empty()) {
        next = side.queue.front().at;
        pending = true;
      }
    }
    if (pending && next <= deadline) {
      device_.clock_.SleepUntil(next);
      return true;
    }
    device_.clock_.SleepUntil(deadline);
    return false;
  }

  bool Configure(unsigned baud) override {
    std::lock_guard<std::mutex> lock(device_.mutex_);
    if (!Usable()) return false;
    baud_ = baud;
    device_.side_->speed = baud;
    return true;
  }
  unsigned Baud() const override { return baud_; }

  // What the host writes is with the device at once.
  void Drain() override {}

  void Purge() override {
    std::lock_guard<std::mutex> lock(device_.mutex_);
    if (!open_) return;
    DeviceSide& side = *device_.side_;
    const TimePoint now = device_.clock_.Now();
    while (!side.queue.empty() && side.queue.front().at <= now) side.queue.pop_front();
  }

  void Close() override {
    std::lock_guard<std::mutex> lock(device_.mutex_);
    if (device_.open_ == this) device_.open_ = nullptr;
    if (open_) device_.side_->StartHold(device_.clock_.Now());
    open_ = false;
  }
  bool IsOpen() const override { return open_; }
  const std::string& Path() const override { return device_.path_; }
  const PortError& LastError() const override { return error_; }
  LinkClock& Clock() override { return device_.clock_; }

private:
  // Called with the device's lock held: false (and the line lost) once the device hung up.
  bool Usable() {
    if (!open_) return false;
    if (!device_.side_->hungUp) return true;
    Lose();
    return false;
  }
  void Lose() {
    open_ = false;
    if (device_.open_ == this) device_.open_ = nullptr;
    error_ = DescribePortError(EIO, device_.path_);
  }

  InProcessDevice& device_;
  unsigned baud_;
  bool open_ = true;
  PortError error_;
};

InProcessDevice::InProcessDevice(const DeviceOptions& options, LinkClock& clock, std::string path)
    : clock_(clock), path_(std::move(path)), side_(std::make_unique<DeviceSide>()) {
  side_->cursor = clock_.Now();
  engine_ = std::make_unique<DeviceEngine>(options, *side_);
  engine_->Log("ready on " + path_ + " as " + options.model);
}

InProcessDevice::~InProcessDevice() = default;

std::unique_ptr<Link> InProcessDevice::Open(const std::string& path, unsigned baud, PortError& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (path != path_ || side_->hungUp) {
    error = DescribePortError(ENOENT, path);
    return nullptr;
  }
  if (open_ == nullptr) side_->StartHold(clock_.Now());
  if (open_ != nullptr || side_->Held(clock_.Now())) {
    error = DescribePortError(EBUSY, path);
    return nullptr;
  }
  auto line = std::make_unique<Line>(*this, baud);
  side_->speed = baud;
  open_ = line.get();
  error = PortError{};
  return line;
}

LinkOpener InProcessDevice::Opener() {
  return [this](const std::string& path, unsigned baud, PortError& error) { return Open(path, baud, error); };
}

void InProcessDevice::Attach(DeviceSession& session) {
  session.opener = Opener();
  session.clock = &clock_;
  session.portName = path_;
  session.SetLinkSettings(path_, 115200, 0);
}

bool InProcessDevice::HungUp() {
  std::lock_guard<std::mutex> lock(mutex_);
  return side_->hungUp;
}

std::vector<std::string> InProcessDevice::LogLines() { return engine_->LogLines(); }

std::vector<std::string> InProcessDevice::ReceivedSentences() { return engine_->ReceivedSentences(); }

int InProcessDevice::CountReceived(const std::string& sentence) {
  const auto all = ReceivedSentences();
  return static_cast<int>(std::count(all.begin(), all.end(), sentence));
}

std::vector<std::string> InProcessDevice::WireLines() {
  std::lock_guard<std::mutex> lock(mutex_);
  return engine_->WireLines();
}

unsigned InProcessDevice::LineSpeed() {
  std::lock_guard<std::mutex> lock(mutex_);
  return side_->speed;
}

} // namespace divuzo::vdev
