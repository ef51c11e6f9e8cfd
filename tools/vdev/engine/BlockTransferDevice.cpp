#include "engine/BlockTransferDevice.h"

#include "serial/Sentence.h"
#include "trackdata/BlockTransfer.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace divuzo::vdev {

namespace {

constexpr std::size_t kMaxLine = 512;

std::string LittleEndian32(std::uint32_t v) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
  return bytes;
}

bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

BlockTransferDevice::BlockTransferDevice(const BlockTransferOptions& options, DeviceState& state)
    : options_(options), state_(state) {
  // A logging unit comes with its settings: by time, every 10 s, 100 m, recording in cycles.
  state_.loggerParameters.emplace(1, 2);
  state_.loggerParameters.emplace(3, 10);
  state_.loggerParameters.emplace(4, 100);
  state_.loggerParameters.emplace(6, 1);
}

BlockTransferDevice::~BlockTransferDevice() {
  CloseReceivedFile();
}

void BlockTransferDevice::CloseReceivedFile() {
  if (receivedFile_) std::fclose(receivedFile_);
  receivedFile_ = nullptr;
}

void BlockTransferDevice::Pace(std::size_t bytes, DeviceIo& io) {
  if (!options_.lineRate) return;
  const unsigned baud = io.LineSpeed() ? io.LineSpeed() : 115200;
  // The host's bytes could not have arrived faster than the line carries them.
  lineFree_ =
      std::max(lineFree_, io.Now()) + std::chrono::microseconds(bytes * 10ULL * 1000000ULL / baud);
  io.SleepUntil(lineFree_);
}

void BlockTransferDevice::Say(std::string_view text, DeviceIo& io) {
  if (options_.silent || silent_) return;
  io.Write(text);
}

bool BlockTransferDevice::Silenced(long block, DeviceIo& io) {
  if (options_.silentBlock < 0 || block < options_.silentBlock) return silent_;
  if (!silent_) io.Log("block transfer: silent from block " + std::to_string(block) + " on");
  silent_ = true;
  return true;
}

void BlockTransferDevice::OnBytes(const std::uint8_t* data, std::size_t size, DeviceIo& io,
                                  const Pass& pass) {
  if (!pacingSet_) {
    io.SetPacing(options_.lineRate);
    pacingSet_ = true;
  }
  Pace(size, io);
  pending_.insert(pending_.end(), data, data + size);
  while (!pending_.empty()) {
    const std::uint8_t first = pending_.front();
    if (mode_ == Mode::Receiving && first == transfer::kBlockStart) {
      if (!TakeBlock(io)) return;
      continue;
    }
    if (mode_ == Mode::Sending && (first == '!' || first == transfer::kAtSign)) {
      pending_.erase(pending_.begin());
      OnHostReply(static_cast<char>(first), io);
      continue;
    }
    if (first == '$') {
      const std::size_t length = CommandLength();
      if (length == 0) return;
      const std::string line(pending_.begin(),
                             pending_.begin() + static_cast<std::ptrdiff_t>(length));
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
      OnLine(line, io, pass);
      continue;
    }
    if (mode_ != Mode::Command) {
      // Line ends of the host's replies, or bytes that fit nowhere.
      pending_.erase(pending_.begin());
      continue;
    }
    // Not ours (the boot ROM's bytes, anything else): on to the sentence engine at once.
    const auto next =
        std::find(pending_.begin() + 1, pending_.end(), static_cast<std::uint8_t>('$'));
    const std::vector<std::uint8_t> other(pending_.begin(), next);
    pending_.erase(pending_.begin(), next);
    pass(other.data(), other.size());
  }
}

std::size_t BlockTransferDevice::CommandLength() const {
  static constexpr std::string_view kWrt = "$WRT";
  if (pending_.size() >= kWrt.size() && std::equal(kWrt.begin(), kWrt.end(), pending_.begin()))
    return pending_.size() >= 10 ? 10 : 0;  // "$WRT", four size bytes, CR LF
  for (std::size_t i = 1; i + 1 < pending_.size() && i < kMaxLine; ++i)
    if (pending_[i] == '\r' && pending_[i + 1] == '\n') return i + 2;
  // A line this long is no command: hand it on as it is.
  return pending_.size() >= kMaxLine ? pending_.size() : 0;
}

void BlockTransferDevice::OnLine(const std::string& line, DeviceIo& io, const Pass& pass) {
  std::string text = line;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const std::string busyBegin(
      transfer::kBusyBeginLine.substr(0, transfer::kBusyBeginLine.size() - 2));
  std::string trackLogStart = LogCommandLine(transfer::kTrackLogStartCommand, 0, 0);
  trackLogStart.resize(trackLogStart.size() - 2);
  if (text == "$BEG" || text == busyBegin || text == trackLogStart) {
    io.Log("<< " + text);
    mode_ = Mode::Command;
    silent_ = false;
    Say(options_.refuseStart ? "$" : "!", io);
    io.Log(options_.refuseStart ? ">> $ (start refused)" : ">> ! (ready)");
  } else if (text.rfind("$WRT", 0) == 0 && line.size() == 10) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(line.data()) + 4;
    OnKindLine(static_cast<std::uint32_t>(b[0] | b[1] << 8 | b[2] << 16 |
                                          static_cast<std::uint32_t>(b[3]) << 24),
               io);
  } else if (text == "$TLG") {
    OnTrackLogRequest(io);
  } else if (text == "$END") {
    io.Log("<< $END: " + std::to_string(received_.size()) + " bytes received");
    CloseReceivedFile();
    mode_ = Mode::Command;
    Say("%", io);
  } else {
    pass(reinterpret_cast<const std::uint8_t*>(line.data()), line.size());
  }
}

void BlockTransferDevice::OnKindLine(std::uint32_t size, DeviceIo& io) {
  io.Log("<< $WRT " + std::to_string(size) + " bytes");
  Say(std::string(1, options_.kindReply), io);
  if (options_.kindReply != '!') return;
  mode_ = Mode::Receiving;
  expected_ = size;
  acceptedBlocks_ = 0;
  received_.clear();
  CloseReceivedFile();
  if (!options_.receivedPath.empty()) {
    receivedFile_ = std::fopen(options_.receivedPath.c_str(), "wb");
    if (!receivedFile_) io.Log("block transfer: cannot write " + options_.receivedPath);
  }
}

bool BlockTransferDevice::TakeBlock(DeviceIo& io) {
  if (pending_.size() < 2) return false;
  // The data ends at the first CR LF, after 512 bytes at the latest.
  const std::size_t last = std::min(pending_.size(), 2 + transfer::kBlockData + 2);
  std::size_t end = 0;
  for (std::size_t i = 2; i + 1 < last; ++i) {
    if (pending_[i] == '\r' && pending_[i + 1] == '\n') {
      end = i;
      break;
    }
  }
  if (end == 0) {
    if (pending_.size() < 2 + transfer::kBlockData + 2) return false;
    io.Log("block transfer: block without its CR LF, dropped");
    pending_.erase(pending_.begin(),
                   pending_.begin() + static_cast<std::ptrdiff_t>(2 + transfer::kBlockData + 2));
    Say("@&", io);
    return true;
  }
  const std::uint8_t checksum = pending_[1];
  const std::vector<std::uint8_t> data(pending_.begin() + 2,
                                       pending_.begin() + static_cast<std::ptrdiff_t>(end));
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(end + 2));
  OnBlock(data, checksum, io);
  return true;
}

void BlockTransferDevice::OnBlock(const std::vector<std::uint8_t>& data, std::uint8_t checksum,
                                  DeviceIo& io) {
  const long n = acceptedBlocks_;
  if (Silenced(n, io)) return;
  if (BlockChecksum(data) != checksum) {
    io.Log("block " + std::to_string(n) + ": wrong checksum, asked again");
    Say("@&", io);
    return;
  }
  if (n == options_.atSignBlock && !atSignDone_) {
    atSignDone_ = true;
    io.Log("block " + std::to_string(n) + ": at sign (fault)");
    Say("@&", io);
    return;
  }
  if (n == options_.abortBlock) {
    io.Log("block " + std::to_string(n) + ": abort (fault)");
    mode_ = Mode::Command;
    Say("?^", io);
    return;
  }
  if (n == options_.queryBlock && !queryDone_) {
    queryDone_ = true;
    io.Log("block " + std::to_string(n) + ": not yet (fault)");
    Say("?&", io);
    io.SleepMs(options_.queryDelayMs);
  }
  received_.insert(received_.end(), data.begin(), data.end());
  if (receivedFile_) {
    std::fwrite(data.data(), 1, data.size(), receivedFile_);
    std::fflush(receivedFile_);
  }
  ++acceptedBlocks_;
  io.Log("block " + std::to_string(n) + ": " + std::to_string(data.size()) + " bytes accepted, " +
         std::to_string(received_.size()) + " of " + std::to_string(expected_));
  Say("!&", io);
}

void BlockTransferDevice::OnTrackLogRequest(DeviceIo& io) {
  io.Log("<< $TLG");
  if (options_.kindReply != '!') {
    Say(std::string(1, options_.kindReply), io);
    return;
  }
  if (options_.trackLogPath.empty() || !ReadWhole(options_.trackLogPath, trackLog_) ||
      trackLog_.size() % transfer::kBlockData != 0) {
    io.Log("block transfer: no track log to send (" + options_.trackLogPath + "), refused");
    Say("?", io);
    return;
  }
  const std::uint32_t blocks = static_cast<std::uint32_t>(trackLog_.size() / transfer::kBlockData);
  std::string header = "!";
  header += LittleEndian32(blocks & 0xFFFFFF);  // three bytes of block count, the fourth unused
  header += LittleEndian32(static_cast<std::uint32_t>(trackLog_.size()));
  header += LittleEndian32(0);
  io.Log(">> track log: " + std::to_string(blocks) + " blocks");
  Say(header, io);
  mode_ = Mode::Sending;
  sendIndex_ = 0;
  SendBlock(io);
}

void BlockTransferDevice::SendBlock(DeviceIo& io) {
  if (static_cast<std::size_t>(sendIndex_) * transfer::kBlockData >= trackLog_.size()) return;
  if (Silenced(sendIndex_, io)) return;
  const auto from =
      trackLog_.begin() + static_cast<std::ptrdiff_t>(sendIndex_ * transfer::kBlockData);
  const std::vector<std::uint8_t> data(from,
                                       from + static_cast<std::ptrdiff_t>(transfer::kBlockData));
  std::string block = BlockBytes(data);
  if (sendIndex_ == options_.badChecksumBlock && !badChecksumDone_) {
    badChecksumDone_ = true;
    block[1] = static_cast<char>((block[1] + 1) & 0x7F);
    io.Log("block " + std::to_string(sendIndex_) + ": sent with a wrong checksum (fault)");
  }
  Say(block, io);
}

void BlockTransferDevice::OnHostReply(char reply, DeviceIo& io) {
  if (silent_) return;
  if (reply == transfer::kAtSign) {
    io.Log("block " + std::to_string(sendIndex_) + ": asked again");
    Say("&", io);
    SendBlock(io);
    return;
  }
  if (sendIndex_ == options_.abortBlock) {
    io.Log("block " + std::to_string(sendIndex_) + ": abort (fault)");
    mode_ = Mode::Command;
    Say("^", io);
    return;
  }
  ++sendIndex_;
  Say("&", io);
  SendBlock(io);
}

}  // namespace divuzo::vdev
