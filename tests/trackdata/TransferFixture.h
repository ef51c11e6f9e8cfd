#pragma once
// What the block-transfer tests share: a session talking to the virtual device's
// block-transfer personality in the same process, on a test clock; the files it reads and
// writes in a temporary folder; the progress it reports; the wire record by direction.
#include "PauseClock.h"
#include "TempDir.h"

#include "app/Progress.h"
#include "engine/InProcessDevice.h"
#include "serial/DeviceSession.h"
#include "trackdata/TransferPortSearch.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace divuzo::test {

class TransferFixture : public ::testing::Test {
 protected:
  TransferFixture() : sink([this](const Progress& p) { reports.push_back(p); }) {
    session.progress = &sink;
  }

  // A block-transfer device; `edit` sets its faults. It writes what it accepts to received.bin
  // and serves tracklog.bin.
  void NewDevice(const std::function<void(vdev::BlockTransferOptions&)>& edit = {},
                 vdev::DeviceOptions options = {}) {
    session.Reset();
    options.blockTransfer.enabled = true;
    options.blockTransfer.receivedPath = (dir / "received.bin").string();
    options.blockTransfer.trackLogPath = (dir / "tracklog.bin").string();
    if (edit) edit(options.blockTransfer);
    device = std::make_unique<vdev::InProcessDevice>(options, clock);
    device->Attach(session);
  }
  // The device's port, as a bridge the user chose.
  std::vector<PortCandidate> Ports(TransferKind kind = TransferKind::Waypoint) const {
    return {{device->Path(), PollLimitsOf(kind).bridge}};
  }
  std::string Received() const { return ReadFileBytes(dir / "received.bin"); }
  // The session's line goes before the device it leads to.
  void TearDown() override { session.Reset(); }

  // The lines of one direction of the wire record ("> " host to device, "< " back).
  std::vector<std::string> HostLines() {
    return vdev::LinesOf(device->WireLines(), vdev::WireDirection::HostToDevice);
  }
  std::vector<std::string> DeviceLines() {
    return vdev::LinesOf(device->WireLines(), vdev::WireDirection::DeviceToHost);
  }
  // Every byte of one direction that is not part of a sentence, block or kind line: the
  // single-character replies, in order.
  std::string Replies(vdev::WireDirection direction) {
    std::string text;
    for (const std::string& line : vdev::LinesOf(device->WireLines(), direction)) {
      const auto bar = line.find('|');
      if (line.compare(2, 6, "bytes ") == 0 && bar != std::string::npos)
        text += line.substr(bar + 1, line.size() - bar - 2);
    }
    return text;
  }
  std::vector<int> Percentages() const {
    std::vector<int> values;
    for (const Progress& p : reports)
      if (p.value >= 0) values.push_back(p.value);
    return values;
  }

  PauseClock clock;
  TempDir dir;
  std::vector<Progress> reports;
  ProgressFunction sink;
  DeviceSession session;
  std::unique_ptr<vdev::InProcessDevice> device;
  TransferTiming timing;
};

// `size` bytes drawn from `seed`, without CR LF pairs when `noCrLf` (so that every block is full).
inline std::string RandomBytes(std::size_t size, unsigned seed, bool noCrLf = true) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>(random());
    if (noCrLf && i > 0 && bytes[i - 1] == '\r' && bytes[i] == '\n') bytes[i] = 'n';
  }
  return bytes;
}

}  // namespace divuzo::test
