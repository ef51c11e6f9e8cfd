#include "trackdata/TrackLogSettings.h"

#include "serial/CommandSet.h"
#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"
#include "serial/Sentence.h"

#include <cstdint>

namespace divuzo {

namespace {

bool Answered(const char* reply) {
  return reply && !IsNotConnected(reply);
}

// The value of parameter `parameter` as the device reports it; false without an answer.
bool QueryParameter(DeviceProtocol& protocol, int parameter, int& value) {
  const char* reply = protocol.LogExchange(logger_command::kQueryParameter, parameter, 0);
  if (!Answered(reply)) return false;
  value = static_cast<int>(LogSettingValue(reply, false));
  return true;
}

}  // namespace

// In integers: 3.28 has no exact binary form, and a product that should be whole (100 m is
// 328 ft) must not come out a hair below it and lose a foot when truncated.
int FeetFromMeters(int meters) {
  return static_cast<int>(static_cast<std::int64_t>(meters) * 328 / 100);
}
int MetersFromFeet(int feet) {
  return static_cast<int>(static_cast<std::int64_t>(feet) * 100 / 328);
}

std::vector<LoggerCommand> ApplyCommands(const TrackLogSettings& known,
                                         const TrackLogSettings& wanted, bool feetShown) {
  using namespace tracklog_parameter;
  const int set = logger_command::kSetParameter;
  std::vector<LoggerCommand> commands;
  if (wanted.recording != known.recording)
    commands.push_back({wanted.recording == kRecordingOn ? tracklog_command::kRecordingOn
                                                         : tracklog_command::kRecordingOff});
  if (wanted.logBy != known.logBy) commands.push_back({set, kLogBy, wanted.logBy});
  if (wanted.intervalSeconds != known.intervalSeconds)
    commands.push_back({set, kInterval, wanted.intervalSeconds});
  const bool distanceChanged = feetShown ? wanted.distanceFeet != known.distanceFeet
                                         : wanted.distanceMeters != known.distanceMeters;
  if (distanceChanged) commands.push_back({set, kDistance, wanted.distanceMeters});
  if (wanted.recordMode != known.recordMode)
    commands.push_back({set, kRecordMode, wanted.recordMode});
  return commands;
}

Status ApplyTrackLogSettings(DeviceProtocol& protocol, TrackLogSettings& known,
                             const TrackLogSettings& wanted, bool feetShown) {
  using namespace tracklog_parameter;
  for (const LoggerCommand& c : ApplyCommands(known, wanted, feetShown)) {
    if (!Answered(protocol.LogExchange(c.type, c.a, c.b)))
      return Status::Failure(
          StatusCode::NoAnswer, kTextSettingRefused,
          "no answer to logger command " + std::to_string(c.type) + "," + std::to_string(c.a));
    if (c.type != logger_command::kSetParameter) {
      known.recording = wanted.recording;
    } else if (c.a == kLogBy) {
      known.logBy = wanted.logBy;
    } else if (c.a == kInterval) {
      known.intervalSeconds = wanted.intervalSeconds;
    } else if (c.a == kDistance) {
      known.distanceMeters = wanted.distanceMeters;
      known.distanceFeet = wanted.distanceFeet;
    } else {
      known.recordMode = wanted.recordMode;
    }
  }
  return Status::Success(kTextSettingsUpdated);
}

bool SetRecording(DeviceProtocol& protocol, bool on) {
  return Answered(protocol.LogExchange(
      on ? tracklog_command::kRecordingOn : tracklog_command::kRecordingOff, 0, 0));
}

SettingsRead ReadTrackLogSettings(DeviceProtocol& protocol, const TrackLogSettings& current,
                                  bool switchRecordingOn) {
  using namespace tracklog_parameter;
  SettingsRead read;
  read.values = current;
  if (!Answered(protocol.LogExchange(logger_command::kQueryParameter, 0, 0))) return read;
  TrackLogSettings v = current;
  int distance = 0;
  if (!QueryParameter(protocol, kRecordMode, v.recordMode) ||
      !QueryParameter(protocol, kInterval, v.intervalSeconds) ||
      !QueryParameter(protocol, kDistance, distance))
    return read;
  v.logBy = v.intervalSeconds != 0 ? kLogByTime : kLogByDistance;
  v.distanceMeters = distance;
  v.distanceFeet = FeetFromMeters(distance);
  read.answered = true;
  if (switchRecordingOn) {
    v.recording = kRecordingOn;
    read.recordingSwitchedOn = SetRecording(protocol, true);
  }
  read.values = v;
  return read;
}

Status WithSettingsLine(DeviceSession& session, const std::string& port,
                        const std::function<Status(DeviceProtocol&)>& work) {
  const bool opened = !session.IsOpen();
  if (opened) session.SelectFromLists(port, -1);
  const Status status = work(session.Protocol());
  if (opened) session.Close();
  return status;
}

Status ClearTrackLog(DeviceProtocol& protocol) {
  if (!Answered(protocol.SendLogCommand(logger_command::kErase, 1, 0)))
    return Status::Failure(StatusCode::NoAnswer, kTextClearFailed,
                           "no answer to the erase command");
  return Status::Success(kTextClearDone);
}

}  // namespace divuzo
