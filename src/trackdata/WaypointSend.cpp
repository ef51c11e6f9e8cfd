#include "trackdata/WaypointSend.h"

#include "platform/FileIo.h"
#include "platform/InputFile.h"
#include "platform/Trace.h"
#include "serial/DeviceSession.h"

#include <ctime>

namespace divuzo {

std::string FileDateText(const std::filesystem::path& file) {
  std::time_t changed = 0;
  if (!FileModificationTime(file, changed)) return {};
  struct tm local {};
  if (!localtime_r(&changed, &local)) return {};
  char text[40];
  return std::strftime(text, sizeof text, "%Y/%m/%d %I:%M %p", &local) ? text : std::string();
}

Status SendFile(DeviceSession& session, TransferLine& line, std::span<const std::uint8_t> file,
                const TransferTiming& timing) {
  line.Purge();
  session.Report(Progress::Stage(kTextDownloading));
  const std::uint64_t size = TransferSize(file.size());
  if (!line.Write(KindLine(static_cast<std::uint32_t>(size))))
    return WaitFailure(WaitStatus::Lost, "the go-ahead");
  char reply = 0;
  if (const WaitStatus s = line.NextOf("!?#", timing.kindReplyMs, reply); s != WaitStatus::Ok)
    return WaitFailure(s, "answer to $WRT");
  if (reply == '?')
    return Status::Failure(StatusCode::Failed, kTextSendRefused,
                           "the device refused the file ($WRT ?)");
  if (reply == '#')
    return Status::Failure(StatusCode::Failed, kTextDeviceError,
                           "the device reported an error ($WRT #)");

  TransferProgress progress(session, size);
  progress.Update(0);
  std::uint64_t acknowledged = 0;
  std::vector<std::uint8_t> data;
  bool sendNext = true;  // false after "?": the next round only waits for the reply
  int repeats = 0;       // at-sign or "?" replies in a row for this block
  while (acknowledged < size) {
    if (sendNext) {
      data = BlockData(file, acknowledged, size);
      if (!line.Write(BlockBytes(data))) return WaitFailure(WaitStatus::Lost, "a block's reply");
    }
    sendNext = true;
    if (const WaitStatus s = line.NextOf(std::string_view("!?@"), timing.replyMs, reply);
        s != WaitStatus::Ok)
      return WaitFailure(s, "a block's reply");
    if (reply == '!') {
      acknowledged += data.size();
      repeats = 0;
      progress.Update(acknowledged);
    } else {
      sendNext = reply != '?';
      if (++repeats > timing.maxRepeats)
        return Status::Failure(
            StatusCode::Failed, kTextBlockRefused,
            "block at " + std::to_string(acknowledged) + " refused again and again");
    }
    if (const WaitStatus s = line.NextOf("&^", timing.replyMs, reply); s != WaitStatus::Ok)
      return WaitFailure(s, "& after a block");
    if (reply == '^')
      return Status::Failure(StatusCode::Failed, kTextTransferAborted,
                             "the device aborted at " + std::to_string(acknowledged) + " bytes");
  }
  session.Report(Progress::Stage(kTextWaitingForFinish));
  return FinishTransfer(line, timing);
}

Status SendWaypointFile(DeviceSession& session, const std::filesystem::path& file,
                        const std::vector<PortCandidate>& ports, const TransferTiming& timing) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!ReadInputFile(file, kMaxSendFileBytes, bytes, &error))
    return Status::Failure(StatusCode::FileRefused, kTextCannotRead, error);
  session.linkBusy = 1;
  session.Report(Progress::Stage(kTextWaitingForStart));
  TransferLine line(session);
  Status status = FindDevice(session, line, TransferKind::Waypoint, ports, timing);
  if (status.Ok()) status = SendFile(session, line, bytes, timing);
  session.Close();
  if (!status.Ok()) {
    TraceF("waypoint transfer: %s", status.detail.c_str());
    return status;
  }
  return Status::Success(kTextDownloadDone);
}

}  // namespace divuzo
