#include "serial/LogDownload.h"

#include "StringTable.h"
#include "app/TextArgs.h"
#include "platform/Trace.h"
#include "serial/DeviceIdentity.h"
#include "serial/DeviceSession.h"
#include "serial/LoggerReader.h"
#include "serial/LoggerSinceLast.h"
#include "serial/PortChoice.h"
#include "trackdata/DownloadOutput.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace divuzo {

namespace {

using logger_memory::kBlockSize;
using logger_memory::kChunkSize;
using logger_memory::kChunksPerBlock;

// A chunk at which two read commands broke off (it did not come whole, or the device fell
// out of step there) is given up, so that the chunks after it can still be read; and no block
// takes more than this many read commands.
constexpr int kBreaksPerChunk = 2;
constexpr int kReadsPerBlock = 8;

// The chunks of one block, and how reading it went.
struct BlockRead {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kBlockSize, 0xFF);
  std::vector<bool> taken = std::vector<bool>(kChunksPerBlock, false);
  std::vector<int> breaks = std::vector<int>(kChunksPerBlock, 0);
  void Clear() {
    std::fill(bytes.begin(), bytes.end(), 0xFF);
    std::fill(taken.begin(), taken.end(), false);
    std::fill(breaks.begin(), breaks.end(), 0);
  }
  bool Wanted(std::uint32_t i) const { return !taken[i] && breaks[i] < kBreaksPerChunk; }
  // First and one past the last chunk still wanted; equal when none is.
  std::pair<std::uint32_t, std::uint32_t> WantedSpan() const {
    std::uint32_t first = kChunksPerBlock, last = 0;
    for (std::uint32_t i = 0; i < kChunksPerBlock; ++i)
      if (Wanted(i)) {
        first = std::min(first, i);
        last = i + 1;
      }
    return first < last ? std::make_pair(first, last) : std::make_pair(0u, 0u);
  }
  // A read of [first, last) is over: the first chunk it did not bring is where it broke off.
  void NoteBreak(std::uint32_t first, std::uint32_t last) {
    for (std::uint32_t i = first; i < last; ++i)
      if (!taken[i]) {
        ++breaks[i];
        return;
      }
  }
};

// How the reading of the memory ended.
enum class Stop { None, Lost, Cancelled, Silent };

class Download {
 public:
  Download(DeviceSession& session, LoggerState& logger, const LogDownloadRequest& request)
      : session_(session), logger_(logger), request_(request), reader_(session) {}

  LogDownloadResult Run();

 private:
  void ReadBlock(std::uint32_t block);
  void Report(std::uint32_t block, std::uint32_t chunkOffset);
  LogDownloadResult& Fail(StatusCode code, int textId, const std::string& detail);
  std::string MissingText() const;

  DeviceSession& session_;
  LoggerState& logger_;
  const LogDownloadRequest& request_;
  LoggerReader reader_;
  LogDownloadResult result_;
  BlockRead block_;
  Stop stop_ = Stop::None;
};

LogDownloadResult& Download::Fail(StatusCode code, int textId, const std::string& detail) {
  result_.status = Status::Failure(code, textId, detail);
  return result_;
}

void Download::Report(std::uint32_t block, std::uint32_t chunkOffset) {
  Progress p;
  // The percentage counts against the used end itself, as the logger page always showed it.
  p.value = DownloadPercent(block, chunkOffset,
                            logger_.usedEnd.value_or(0) ? *logger_.usedEnd : logger_memory::kSize);
  p.done = result_.bytesTaken;
  p.total = result_.extent - result_.from;
  session_.Report(p);
}

void Download::ReadBlock(std::uint32_t block) {
  block_.Clear();
  if (stop_ != Stop::None) return;
  for (int read = 0; read < kReadsPerBlock; ++read) {
    const auto [first, last] = block_.WantedSpan();
    if (first == last) return;
    const std::uint32_t start = block + first * kChunkSize;
    const LoggerReader::RangeResult range =
        reader_.ReadRange(start, (last - first) * kChunkSize, block_.bytes.data(), block,
                          block_.taken, [&](std::uint32_t address) {
                            result_.bytesTaken += kChunkSize;
                            Report(block, address - block);
                          });
    switch (range.end) {
      case LoggerReader::RangeEnd::Lost:
        stop_ = Stop::Lost;
        return;
      case LoggerReader::RangeEnd::Cancelled:
        stop_ = Stop::Cancelled;
        reader_.FinishRange(reader_.LastRange());
        return;
      case LoggerReader::RangeEnd::Stalled:
        // Not a byte of data for the watchdog's time after a read command: the device has
        // stopped answering, and asking again would only cost the same time again.
        if (!range.dataSeen) {
          stop_ = Stop::Silent;
          return;
        }
        break;
      default:
        break;
    }
    block_.NoteBreak(first, last);
  }
}

std::string Download::MissingText() const {
  std::uint32_t chunks = 0;
  for (const MemoryRange& r : result_.missing) chunks += (r.end - r.start) / kChunkSize;
  return TextWithArgs(kTextChunksMissing, {std::to_string(chunks), RangesText(result_.missing)});
}

LogDownloadResult Download::Run() {
  const LinkClock::TimePoint started = session_.Clock().Now();
  if (!session_.IsOpen()) {
    Fail(StatusCode::PortUnusable, kTextUploadNoDevice, "no line open");
    result_.message = TextOrOwnWording(kTextUploadNoDevice);
    return result_;
  }
  const std::string port = session_.Line()->Path();
  result_.highSpeed = request_.speed == LoggerSpeed::Fast ||
                      (request_.speed == LoggerSpeed::Auto && IsFastBridgePort(port));
  if (session_.heartbeat) session_.heartbeat->StopAndWait(1000, session_.Clock());

  // What to read.
  result_.extent = DownloadExtent(logger_.usedEnd);
  SinceLastPlan plan;
  std::string identity;
  if (request_.sinceLast) {
    identity = LoggerUnitIdentity(session_);
    std::error_code error;
    const auto imageBytes = std::filesystem::file_size(request_.folder / kMemoryImageName, error);
    plan = PlanSinceLast(StoredLastEnd(identity, request_.store), logger_.usedEnd,
                         error ? 0 : imageBytes);
    result_.sinceLastTextId = plan.textId;
    session_.Report(Progress::Stage(plan.textId));
  }
  if (plan.nothingNew) {
    result_.status = Status::Success(kTextSinceLastNothingNew);
    result_.message = TextOrOwnWording(kTextSinceLastNothingNew);
    if (session_.heartbeat) session_.heartbeat->SetHeartbeat(true);
    return result_;
  }
  result_.from = plan.partial ? plan.from : 0;

  DownloadOutputOptions outputOptions;
  outputOptions.folder = request_.folder;
  outputOptions.prefix = request_.prefix;
  outputOptions.writeTotal = request_.writeTotal;
  outputOptions.photoFolder = request_.photoFolder;
  outputOptions.photo = request_.photo;
  outputOptions.localTime = request_.localTime;
  outputOptions.announce = request_.announce;
  DownloadOutput output(outputOptions);
  if (!output.Begin(result_.from)) {
    Fail(StatusCode::FileRefused, kTextLogFileRefused, output.Error());
    result_.message = TextWithArgs(kTextLogFileRefused, {output.Error()});
    if (session_.heartbeat) session_.heartbeat->SetHeartbeat(true);
    return result_;
  }

  if (result_.highSpeed && !EnterLoggerHighSpeed(session_)) result_.highSpeed = false;
  for (std::uint32_t block = result_.from; block < result_.extent && stop_ != Stop::Cancelled;
       block += kBlockSize) {
    ReadBlock(block);
    if (stop_ == Stop::Cancelled) break;
    for (std::uint32_t i = 0; i < kChunksPerBlock; ++i)
      if (!block_.taken[i])
        AddRange(result_.missing, block + i * kChunkSize, block + (i + 1) * kChunkSize);
    output.AddBlock(block, block_.bytes.data(), block_.bytes.size(),
                    plan.partial ? plan.newFrom : 0);
  }
  // A cancel has been honoured; bringing the logger back and letting the line go must not be
  // cut short by it, or the logger would stay at high speed.
  if (stop_ == Stop::Cancelled) session_.cancel.Reset();
  RestoreLoggerSpeed(session_);

  if (stop_ == Stop::Cancelled) {
    output.Discard();
    // The line is let go, as a disconnect does.
    logger_.connectMode = false;
    ToggleLoggerConnection(session_, logger_, port);
    Fail(StatusCode::Cancelled, kTextDownloadCancelled, "download cancelled");
    result_.message = TextOrOwnWording(kTextDownloadCancelled);
  } else if (result_.missing.empty()) {
    if (output.FinishComplete()) {
      result_.status = Status::Success(kTextLogDownloadDone);
      if (request_.sinceLast && logger_.usedEnd)
        StoreLastEnd(identity, *logger_.usedEnd, request_.store);
      Progress done = Progress::Value(100);
      done.done = done.total = result_.extent - result_.from;
      session_.Report(done);
    } else {
      Fail(StatusCode::FileRefused, kTextLogFileRefused, output.Error());
    }
  } else {
    std::vector<std::string> lines;
    for (const MemoryRange& r : result_.missing) lines.push_back(RangesText({r}));
    if (output.FinishIncomplete(lines)) {
      if (stop_ == Stop::Lost)
        Fail(StatusCode::LineLost, kTextLineLostDuringDownload, "the line went away");
      else
        Fail(StatusCode::Failed, kTextChunksMissing,
             "memory missing: " + RangesText(result_.missing));
    } else {
      Fail(StatusCode::FileRefused, kTextLogFileRefused, output.Error());
    }
  }
  result_.files = output.Files();
  result_.seconds = std::chrono::duration<double>(session_.Clock().Now() - started).count();

  switch (result_.status.code) {
    case StatusCode::Ok:
      result_.message = TextOrOwnWording(kTextLogDownloadDone) + " " + ElapsedText(result_.seconds);
      break;
    case StatusCode::FileRefused:
      result_.message = TextWithArgs(kTextLogFileRefused, {output.Error()});
      break;
    case StatusCode::LineLost:
      result_.message = TextOrOwnWording(kTextLineLostDuringDownload) + "\n" + MissingText();
      break;
    case StatusCode::Failed:
      result_.message = MissingText();
      break;
    default:
      break;
  }
  TraceF("logger: download ended: %s\n", result_.status.detail.c_str());
  if (session_.heartbeat) session_.heartbeat->SetHeartbeat(true);
  return result_;
}

}  // namespace

LogDownloadResult DownloadLogMemory(DeviceSession& session, LoggerState& logger,
                                    const LogDownloadRequest& request) {
  return Download(session, logger, request).Run();
}

std::string ElapsedText(double seconds) {
  const long whole = seconds > 0 ? static_cast<long>(seconds) : 0;
  char minutes[24], secs[8];
  std::snprintf(minutes, sizeof minutes, "%02ld", whole / 60);
  std::snprintf(secs, sizeof secs, "%02ld", whole % 60);
  std::string text = LoadText(kTextElapsed);
  for (const auto& [mark, value] :
       {std::pair<std::string, std::string>{"%M", minutes}, {"%S", secs}}) {
    const auto at = text.find(mark);
    if (at != std::string::npos) text.replace(at, mark.size(), value);
  }
  return text;
}

std::string SinceLastText(const LogDownloadResult& result) {
  if (result.sinceLastTextId == 0) return {};
  char address[16];
  std::snprintf(address, sizeof address, "0x%08X", static_cast<unsigned>(result.from));
  return TextWithArgs(result.sinceLastTextId, {address});
}

bool IsFastBridgePort(const std::string& path) {
  std::string name = path;
  try {
    return ConnectByBridgeName(name);
  } catch (const PortDiscoveryError&) {
    return false;
  }
}

}  // namespace divuzo
