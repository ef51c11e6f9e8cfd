#include "trackdata/BlockTransfer.h"

#include "platform/Trace.h"
#include "serial/DeviceSession.h"

#include <algorithm>

namespace divuzo {

namespace {

// Room for a few blocks and what follows them: a block is 514 bytes plus its CR LF.
ReceiveBuffer::Options TransferBuffer() {
  ReceiveBuffer::Options options;
  options.capacity = 16 * 1024;
  options.whenFull = ReceiveBuffer::WhenFull::StopReading;
  options.chunk = 4096;
  return options;
}

}  // namespace

std::uint64_t TransferSize(std::uint64_t fileLength) {
  return (fileLength + transfer::kBlockData - 1) / transfer::kBlockData * transfer::kBlockData;
}

std::uint8_t BlockChecksum(std::span<const std::uint8_t> data) {
  unsigned sum = 0;
  for (std::uint8_t b : data) sum += b;
  return static_cast<std::uint8_t>(sum & 0x7F);
}

std::vector<std::uint8_t> BlockData(std::span<const std::uint8_t> file, std::uint64_t position,
                                    std::uint64_t size) {
  std::vector<std::uint8_t> data;
  if (position >= size) return data;
  const std::uint64_t room = std::min<std::uint64_t>(transfer::kBlockData, size - position);
  auto at = [&](std::uint64_t i) -> std::uint8_t { return i < file.size() ? file[i] : 0; };
  data.reserve(room);
  for (std::uint64_t i = position; data.size() < room; ++i) {
    data.push_back(at(i));
    // A CR LF pair ends the block after the CR; the LF goes out first in the next one.
    if (at(i) == '\r' && i + 1 < file.size() && file[i + 1] == '\n') break;
  }
  return data;
}

std::string BlockBytes(std::span<const std::uint8_t> data) {
  std::string block;
  block.reserve(data.size() + 4);
  block += static_cast<char>(transfer::kBlockStart);
  block += static_cast<char>(BlockChecksum(data));
  block.append(reinterpret_cast<const char*>(data.data()), data.size());
  block += "\r\n";
  return block;
}

std::string KindLine(std::uint32_t size) {
  std::string line = "$WRT";
  for (int i = 0; i < 4; ++i) line += static_cast<char>((size >> (8 * i)) & 0xFF);
  line += "\r\n";
  return line;
}

std::uint64_t TrackLogSize(std::span<const std::uint8_t, 4> header) {
  const std::uint64_t blocks = header[0] + header[1] * 256ULL + header[2] * 65536ULL;
  return blocks * transfer::kBlockData;
}

bool ReceivedBlockIntact(std::span<const std::uint8_t> block) {
  if (block.size() != transfer::kBlockData + 2 || block[0] != transfer::kBlockStart) return false;
  return BlockChecksum(block.subspan(2)) == block[1];
}

TransferLine::TransferLine(DeviceSession& session)
    : session_(session), received_(TransferBuffer()) {}

bool TransferLine::Write(std::string_view bytes) {
  Link* link = session_.Line();
  return link && link->Write(bytes.data(), bytes.size()) == static_cast<long>(bytes.size());
}

WaitStatus TransferLine::NextOf(std::string_view wanted, long ms, char& found,
                                std::size_t* skipped) {
  Link* link = session_.Line();
  if (!link) return WaitStatus::Lost;
  return WaitForByteOf(*link, received_, wanted, DeadlineIn(*link, ms), found, &session_.cancel,
                       skipped);
}

WaitStatus TransferLine::Take(std::size_t count, long ms, std::vector<std::uint8_t>& out) {
  Link* link = session_.Line();
  if (!link) return WaitStatus::Lost;
  const WaitStatus status =
      WaitForBytes(*link, received_, count, DeadlineIn(*link, ms), &session_.cancel);
  if (status != WaitStatus::Ok) return status;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(received_.Data());
  out.assign(bytes, bytes + count);
  received_.Consume(count);
  return status;
}

void TransferLine::Purge() {
  session_.Purge();
  received_.Clear();
}

void TransferLine::Pause(long ms) {
  session_.SleepMs(ms);
}

Status WaitFailure(WaitStatus status, const char* what) {
  switch (status) {
    case WaitStatus::Cancelled:
      return Status::Failure(StatusCode::Cancelled, kTextCancelled,
                             std::string("cancelled while waiting for ") + what);
    case WaitStatus::Lost:
      return Status::Failure(StatusCode::LineLost, kTextLineLost,
                             std::string("line lost while waiting for ") + what);
    default:
      return Status::Failure(StatusCode::NoAnswer, kTextDeviceSilent,
                             std::string("no ") + what + " in time");
  }
}

Status FinishTransfer(TransferLine& line, const TransferTiming& timing) {
  for (int attempt = 0; attempt < timing.endAttempts; ++attempt) {
    line.Pause(timing.endPauseMs);
    if (!line.Write(transfer::kEndLine))
      return WaitFailure(WaitStatus::Lost, "the end confirmation");
    char reply = 0;
    std::size_t skipped = 0;
    // Other characters are passed over; enough of them also count as the end (a device that
    // went back to its own output after the transfer).
    const WaitStatus status = line.NextOf("%?", timing.replyMs, reply, &skipped);
    if (status == WaitStatus::Ok && reply == '%') return Status::Success();
    if (skipped >= static_cast<std::size_t>(timing.endSkipLimit)) {
      TraceF("transfer: %zu characters after $END, taken as its end", skipped);
      return Status::Success();
    }
    if (status == WaitStatus::Lost || status == WaitStatus::Cancelled)
      return WaitFailure(status, "the end confirmation");
    // "?" or silence: say "$END" again.
  }
  return Status::Failure(StatusCode::NoAnswer, kTextEndNotConfirmed,
                         "the device never confirmed $END");
}

void TransferProgress::Update(std::uint64_t done) {
  const int percent = size_ == 0 ? 100 : static_cast<int>(done * 100 / size_);
  if (percent == shown_) return;
  shown_ = percent;
  Progress p = Progress::Value(percent);
  p.done = done;
  p.total = size_;
  session_.Report(p);
}

}  // namespace divuzo
