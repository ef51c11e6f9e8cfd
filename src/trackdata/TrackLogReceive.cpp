#include "trackdata/TrackLogReceive.h"

#include "platform/AtomicFile.h"
#include "platform/Trace.h"
#include "serial/DeviceSession.h"

#include <unistd.h>
#include <cerrno>
#include <system_error>

namespace divuzo {

namespace {

namespace fs = std::filesystem;

// The received bytes on their way to disk: a temporary file beside the chosen one, published
// under the chosen name or the partial name, or removed.
class ReceivedFile {
 public:
  explicit ReceivedFile(const fs::path& target) : target_(target) {
    fd_ = CreateTempBeside(target, temp_, &error_);
  }
  ~ReceivedFile() {
    if (fd_ < 0) return;
    ::close(fd_);
    std::error_code ignored;
    fs::remove(temp_, ignored);
  }
  ReceivedFile(const ReceivedFile&) = delete;
  ReceivedFile& operator=(const ReceivedFile&) = delete;

  bool Ok() const { return fd_ >= 0; }
  const std::string& Error() const { return error_; }

  bool Append(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
      const ssize_t n = ::write(fd_, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error_ = SystemErrorText("cannot write", temp_, errno);
        return false;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  // Renames the file to `name`; false with Error() set when it cannot.
  bool Publish(const fs::path& name) {
    const bool ok = PublishTemp(fd_, temp_, name, &error_);
    ::close(fd_);
    fd_ = -1;
    return ok;
  }

 private:
  fs::path target_;
  fs::path temp_;
  int fd_ = -1;
  std::string error_;
};

Status CannotWrite(const std::string& why) {
  return Status::Failure(StatusCode::Failed, kTextCannotWrite, why);
}

// Steps 3 to 6 of the receive, after FindDevice said "!"; `stored` counts the bytes written.
Status Receive(DeviceSession& session, TransferLine& line, ReceivedFile& file,
               TrackLogReceiveResult& result, const TransferTiming& timing) {
  line.Purge();
  session.Report(Progress::Stage(kTextUploading));
  if (!line.Write(transfer::kTrackLogLine)) return WaitFailure(WaitStatus::Lost, "the go-ahead");
  char reply = 0;
  if (const WaitStatus s = line.NextOf("!?#", timing.kindReplyMs, reply); s != WaitStatus::Ok)
    return WaitFailure(s, "answer to $TLG");
  if (reply == '?')
    return Status::Failure(StatusCode::Failed, kTextReceiveRefused, "the device refused ($TLG ?)");
  if (reply == '#')
    return Status::Failure(StatusCode::Failed, kTextDeviceError,
                           "the device reported an error ($TLG #)");

  // The size, then two values the transfer does not use.
  std::vector<std::uint8_t> bytes;
  if (const WaitStatus s = line.Take(12, timing.replyMs, bytes); s != WaitStatus::Ok)
    return WaitFailure(s, "the size header");
  const std::uint64_t size = TrackLogSize(std::span<const std::uint8_t, 4>(bytes.data(), 4));
  result.announced = size;
  TransferProgress progress(session, size);
  progress.Update(0);

  int damaged = 0;  // damaged blocks in a row
  while (result.bytes < size) {
    if (const WaitStatus s = line.Take(transfer::kBlockData + 2, timing.replyMs, bytes);
        s != WaitStatus::Ok)
      return WaitFailure(s, "a block");
    if (ReceivedBlockIntact(bytes)) {
      if (!file.Append(bytes.data() + 2, transfer::kBlockData)) return CannotWrite(file.Error());
      if (!line.Write(transfer::kAcceptLine))
        return WaitFailure(WaitStatus::Lost, "the next block");
      result.bytes += transfer::kBlockData;
      damaged = 0;
      progress.Update(result.bytes);
    } else {
      TraceF("track log: damaged block at %llu, asking again",
             static_cast<unsigned long long>(result.bytes));
      if (!line.Write(transfer::kResendLine))
        return WaitFailure(WaitStatus::Lost, "the block again");
      if (++damaged > timing.maxRepeats)
        return Status::Failure(StatusCode::Failed, kTextBlockRefused,
                               "damaged blocks again and again");
    }
    if (const WaitStatus s = line.NextOf("&?^", timing.replyMs, reply); s != WaitStatus::Ok)
      return WaitFailure(s, "& after a block");
    if (reply == '^')
      return Status::Failure(StatusCode::Failed, kTextTransferAborted,
                             "the device aborted after " + std::to_string(result.bytes) + " bytes");
  }
  session.Report(Progress::Stage(kTextWaitingForFinish));
  const Status finished = FinishTransfer(line, timing);
  // Everything arrived: the file is complete even when the device does not confirm the end.
  if (finished.code == StatusCode::NoAnswer && finished.textId == kTextEndNotConfirmed)
    return Status::Success(kTextEndNotConfirmed);
  return finished;
}

}  // namespace

fs::path PartialFileName(const fs::path& out) {
  fs::path partial = out;
  partial += ".partial";
  return partial;
}

TrackLogReceiveResult ReceiveTrackLog(DeviceSession& session, const fs::path& out,
                                      const std::vector<PortCandidate>& ports,
                                      const TransferTiming& timing) {
  TrackLogReceiveResult result;
  ReceivedFile file(out);
  if (!file.Ok()) {
    result.status = CannotWrite(file.Error());
    return result;
  }
  session.linkBusy = 1;
  session.Report(Progress::Stage(kTextWaitingForStart));
  TransferLine line(session);
  Status status = FindDevice(session, line, TransferKind::TrackLog, ports, timing);
  if (status.Ok()) status = Receive(session, line, file, result, timing);
  session.Close();

  if (status.Ok()) {
    if (!file.Publish(out)) {
      result.status = CannotWrite(file.Error());
      return result;
    }
    result.written = out;
    result.status = status.textId == 0 ? Status::Success(kTextUploadDone) : status;
    return result;
  }
  TraceF("track log receive: %s", status.detail.c_str());
  if (result.bytes > 0) {
    const fs::path partial = PartialFileName(out);
    if (file.Publish(partial))
      result.partial = partial;
    else
      TraceF("track log receive: cannot keep the partial file: %s", file.Error().c_str());
  }
  result.status = status;
  return result;
}

}  // namespace divuzo
