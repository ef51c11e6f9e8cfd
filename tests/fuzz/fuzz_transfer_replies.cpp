// What a device says during a block transfer, whatever the bytes are: the start handshake, the
// replies to a file's blocks, and a track log's size header and blocks must end the transfer
// (done or failed) without reading or writing out of bounds, and within its bounded waits.
#include "serial/DeviceSession.h"
#include "trackdata/TrackLogReceive.h"
#include "trackdata/WaypointSend.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace divuzo;

// Time that moves only when someone waits: the bounded waits cost nothing.
class JumpClock : public LinkClock {
public:
  TimePoint Now() override { return now_; }
  void SleepUntil(TimePoint when) override { now_ = std::max(now_, when); }

private:
  TimePoint now_ = TimePoint{} + std::chrono::hours(1);
};

// A line whose device side has said all of `replies` already; what the host writes is dropped.
class ScriptedLine : public Link {
public:
  ScriptedLine(const std::uint8_t* data, std::size_t size, LinkClock& clock)
      : replies_(data, data + size), clock_(clock) {}
  long Write(const void*, std::size_t size) override { return static_cast<long>(size); }
  long Read(void* buffer, std::size_t count) override {
    const std::size_t n = std::min(count, replies_.size() - at_);
    std::copy_n(replies_.begin() + static_cast<std::ptrdiff_t>(at_), n, static_cast<std::uint8_t*>(buffer));
    at_ += n;
    return static_cast<long>(n);
  }
  bool WaitReadable(int timeoutMs) override {
    if (at_ < replies_.size()) return true;
    clock_.SleepMs(timeoutMs);
    return false;
  }
  bool Configure(unsigned) override { return true; }
  unsigned Baud() const override { return 115200; }
  void Drain() override {}
  void Purge() override {}
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  const std::string& Path() const override { return path_; }
  const PortError& LastError() const override { return error_; }
  LinkClock& Clock() override { return clock_; }

private:
  std::vector<std::uint8_t> replies_;
  std::size_t at_ = 0;
  LinkClock& clock_;
  bool open_ = true;
  std::string path_ = "fuzz";
  PortError error_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  static const fs::path folder = fs::temp_directory_path() / ("fuzz_transfer_" + std::to_string(getpid()));
  static const bool made = fs::create_directories(folder) || fs::exists(folder);
  if (!made) return 0;
  static const std::vector<std::uint8_t> file(1500, 'x');

  TransferTiming timing;
  timing.roundMs = 10;
  timing.replyMs = 10;
  timing.kindReplyMs = 10;
  for (bool receive : {false, true}) {
    JumpClock clock;
    DeviceSession session;
    session.clock = &clock;
    session.opener = [&](const std::string&, unsigned, PortError&) -> std::unique_ptr<Link> {
      return std::make_unique<ScriptedLine>(data, size, clock);
    };
    const std::vector<PortCandidate> ports{{"fuzz", 3}};
    if (receive) {
      ReceiveTrackLog(session, folder / "log.trl", ports, timing);
    } else {
      TransferLine line(session);
      if (FindDevice(session, line, TransferKind::Waypoint, ports, timing).Ok())
        SendFile(session, line, file, timing);
      session.Close();
    }
  }
  return 0;
}
