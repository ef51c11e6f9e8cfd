#include "serial/LoggerReader.h"

#include "platform/Trace.h"
#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"

#include <algorithm>

namespace divuzo {

namespace {

// A data sentence is a little over 4 KiB; a "$" followed by more than this without a line end
// starts no sentence.
constexpr std::size_t kLongestSentence = 8192;
// Room for what the line delivers while one sentence is looked at; what does not fit stays in
// the line until there is room.
constexpr std::size_t kBufferBytes = 256 * 1024;
// The acknowledgement of a read command: the device has sent everything it will for it.
constexpr std::string_view kReadAcknowledged = "$PMTK001,182,7,";
// A device that sends nothing for this long after a cancel has finished its read.
constexpr long kQuietMs = 1000;

ReceiveBuffer::Options ReaderBuffer() {
  ReceiveBuffer::Options options;
  options.capacity = kBufferBytes;
  options.whenFull = ReceiveBuffer::WhenFull::StopReading;
  options.dropNul = true;
  options.chunk = 4096;
  return options;
}

}  // namespace

LoggerReader::LoggerReader(DeviceSession& session) : session_(session), received_(ReaderBuffer()) {}

bool LoggerReader::Scan(std::uint32_t expected, std::uint32_t size, std::uint8_t* out,
                        MemoryRange range, ChunkEvent& event, std::uint32_t& address) {
  const std::string_view text = received_.View();
  std::size_t pos = 0;
  bool decided = false;
  while (!decided) {
    const std::size_t dollar = text.find('$', pos);
    if (dollar == std::string_view::npos) {
      pos = text.size();  // nothing but bytes between sentences
      break;
    }
    const std::size_t lineEnd = text.find('\n', dollar);
    const std::size_t nextDollar = text.find('$', dollar + 1);
    if (nextDollar < lineEnd) {
      // A sentence broken off by the start of the next one.
      pos = nextDollar;
      continue;
    }
    if (lineEnd == std::string_view::npos) {
      // The rest has not arrived yet, unless it is too long to be a sentence.
      pos = text.size() - dollar > kLongestSentence ? dollar + 1 : dollar;
      if (pos == dollar) break;
      continue;
    }
    std::string_view line = text.substr(dollar, lineEnd - dollar);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = lineEnd + 1;
    if (line.substr(0, kDataSentenceHead.size()) == kDataSentenceHead) {
      const std::optional<DataSentence> data = ParseDataSentence(line);
      if (!data || data->address < range.start || data->address >= range.end) {
        // Data for another read (late from an earlier one) or no address at all.
        ++passedOver_;
        continue;
      }
      address = data->address;
      const bool taken = data->address == expected && data->hex.size() == std::size_t{size} * 2 &&
                         ChunkChecksumOk(line) && HexPairsToBytes(data->hex, out, size);
      event = taken ? ChunkEvent::Chunk : ChunkEvent::Rejected;
      decided = true;
    } else if (line.substr(0, kReadAcknowledged.size()) == kReadAcknowledged) {
      event = ChunkEvent::ReadDone;
      decided = true;
    } else {
      ++passedOver_;
    }
  }
  received_.Consume(pos);
  return decided;
}

LoggerReader::ChunkEvent LoggerReader::WaitForDataChunk(std::uint32_t expected, std::uint32_t size,
                                                        std::uint8_t* out, MemoryRange range,
                                                        LinkClock::TimePoint deadline,
                                                        std::uint32_t* address) {
  ChunkEvent event = ChunkEvent::Timeout;
  std::uint32_t claimed = 0;
  // What is already here comes first, even when the line has gone since it arrived.
  if (Scan(expected, size, out, range, event, claimed)) {
    if (address) *address = claimed;
    return event;
  }
  Link* link = session_.Line();
  if (!link) return ChunkEvent::Lost;
  const WaitStatus status = WaitFor(
      *link, received_, deadline,
      [&](ReceiveBuffer&, bool) { return Scan(expected, size, out, range, event, claimed); },
      &session_.cancel);
  if (address) *address = claimed;
  switch (status) {
    case WaitStatus::Ok:
      return event;
    case WaitStatus::Timeout:
      return ChunkEvent::Timeout;
    case WaitStatus::Lost:
      return ChunkEvent::Lost;
    case WaitStatus::Cancelled:
      return ChunkEvent::Cancelled;
  }
  return ChunkEvent::Timeout;
}

void LoggerReader::FinishRange(MemoryRange range) {
  using logger_memory::kChunkSize;
  if (range.start >= range.end) return;
  LinkClock& clock = session_.Clock();
  const LinkClock::TimePoint limit =
      clock.Now() + std::chrono::milliseconds(session_.timing.loggerWatchdogMs);
  std::uint8_t scratch[kChunkSize];
  for (;;) {
    Link* link = session_.Line();
    if (!link) return;
    const LinkClock::TimePoint quiet =
        std::min(limit, clock.Now() + std::chrono::milliseconds(kQuietMs));
    ChunkEvent event = ChunkEvent::Timeout;
    std::uint32_t claimed = 0;
    // No cancel token: the work was cancelled already, and this wait is part of stopping.
    const WaitStatus status = WaitFor(*link, received_, quiet, [&](ReceiveBuffer&, bool) {
      return Scan(range.end, kChunkSize, scratch, range, event, claimed);
    });
    if (status != WaitStatus::Ok || event == ChunkEvent::ReadDone ||
        claimed + kChunkSize >= range.end)
      return;
  }
}

LoggerReader::RangeResult LoggerReader::ReadRange(std::uint32_t start, std::uint32_t size,
                                                  std::uint8_t* image, std::uint32_t imageBase,
                                                  std::vector<bool>& taken,
                                                  const ChunkTaken& onChunk) {
  using logger_memory::kChunkSize;
  RangeResult result;
  const std::uint32_t end = start + size;
  lastRange_ = {};
  DeviceProtocol& protocol = session_.Protocol();
  // The numbered command before a memory read. Its acknowledgement also carries off whatever
  // an earlier read left on the line (its own acknowledgement, late data).
  protocol.SendRadedCommand(maker_command::kBeforeTrackDownload);
  received_.Clear();
  if (session_.cancel.Cancelled()) {
    result.end = RangeEnd::Cancelled;
    return result;
  }
  if (!protocol.LogSendOnly(logger_command::kReadMemory, start, size)) {
    result.end = session_.IsOpen() ? RangeEnd::Incomplete : RangeEnd::Lost;
    return result;
  }
  lastRange_ = {start, end};
  const long watchdog = session_.timing.loggerWatchdogMs;
  LinkClock& clock = session_.Clock();
  auto fromNow = [&] { return clock.Now() + std::chrono::milliseconds(watchdog); };
  LinkClock::TimePoint deadline = fromNow();
  std::uint32_t expected = start;
  bool inStep = true;
  bool over = false;
  while (!over && !(inStep && expected >= end)) {
    std::uint32_t claimed = 0;
    const std::uint32_t want = std::min(kChunkSize, end - std::min(expected, end));
    std::uint8_t* slot = inStep ? image + (expected - imageBase) : nullptr;
    std::uint8_t scratch[kChunkSize];
    const ChunkEvent event = WaitForDataChunk(inStep ? expected : end, want, slot ? slot : scratch,
                                              {start, end}, deadline, &claimed);
    switch (event) {
      case ChunkEvent::Chunk:
        taken[(expected - imageBase) / kChunkSize] = true;
        ++result.chunksTaken;
        result.dataSeen = true;
        if (onChunk) onChunk(expected);
        expected += kChunkSize;
        deadline = fromNow();
        break;
      case ChunkEvent::Rejected:
        result.dataSeen = true;
        deadline = fromNow();
        if (inStep && claimed == expected) {
          // The expected chunk, damaged: a gap, and the device is still in step.
          TraceF("logger: chunk 0x%08X not taken\n", static_cast<unsigned>(expected));
          expected += kChunkSize;
        } else if (inStep) {
          TraceF("logger: expected 0x%08X, got 0x%08X: out of step\n",
                 static_cast<unsigned>(expected), static_cast<unsigned>(claimed));
          inStep = false;
        }
        // The sentence for the last chunk of the range ends its stream.
        over = claimed + kChunkSize >= end;
        break;
      case ChunkEvent::ReadDone:
        // An acknowledgement before any data of this read is a late one of an earlier read.
        over = result.dataSeen;
        break;
      case ChunkEvent::Timeout:
        TraceF("logger: no chunk for %ld ms at 0x%08X\n", watchdog,
               static_cast<unsigned>(expected));
        result.end = RangeEnd::Stalled;
        return result;
      case ChunkEvent::Lost:
        result.end = RangeEnd::Lost;
        return result;
      case ChunkEvent::Cancelled:
        result.end = RangeEnd::Cancelled;
        return result;
    }
  }
  bool all = true;
  for (std::uint32_t a = start; a < end; a += kChunkSize)
    all = all && taken[(a - imageBase) / kChunkSize];
  result.end = all ? RangeEnd::Complete : RangeEnd::Incomplete;
  return result;
}

}  // namespace divuzo
