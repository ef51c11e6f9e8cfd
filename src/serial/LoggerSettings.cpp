#include "serial/LoggerSettings.h"

#include "serial/CommandSet.h"
#include "serial/DeviceProtocol.h"
#include "serial/DeviceSession.h"
#include "serial/LoggerProtocol.h"
#include "serial/Sentence.h"

#include <cstring>
#include <type_traits>

namespace divuzo {

namespace {

bool Answered(const char* reply) {
  return reply && !IsNotConnected(reply);
}

Status Failed() {
  return Status::Failure(StatusCode::NoAnswer, kTextSettingsFailed, "the logger did not answer");
}

}  // namespace

long DistanceRowValue(int row, bool feet) {
  if (row < 0 || row >= static_cast<int>(kDistanceRows.size())) return 0;
  const long number = kDistanceRows[static_cast<std::size_t>(row)];
  // One foot is 0.3048 m: 100 ft = 304.8 tenths of a metre, kept as 304.
  return feet ? number * 3048 / 1000 : number * 10;
}

int TimeRowForSeconds(long seconds) {
  switch (seconds) {
    case 1:
      return 0;
    case 10:
      return 2;
    case 15:
      return 3;
    case 30:
      return 4;
    case 60:
      return 5;
    case 120:
      return 6;
    default:
      return 1;
  }
}

int DistanceRowForMetres(long metres) {
  switch (metres) {
    case 100:
      return 1;
    case 150:
      return 2;
    case 300:
      return 3;
    case 500:
      return 4;
    case 1000:
      return 5;
    default:
      return 0;
  }
}

void LoggerSettings::Defaults() {
  values.recording = true;
  values.timeInterval = 5;
  values.timeRow = 1;
  values.distance = feetMode ? 304 : 1000;
  values.distanceRow = 1;
  values.recordMode = kRecordStopWhenFull;
  values.logBy = 0;
}

void LoggerSettings::ChooseTimeRow(int row) {
  if (row < 0 || row >= static_cast<int>(kTimeIntervalRows.size())) return;
  values.timeRow = row;
  values.timeInterval = kTimeIntervalRows[static_cast<std::size_t>(row)];
}

void LoggerSettings::ChooseDistanceRow(int row) {
  if (row < 0 || row >= static_cast<int>(kDistanceRows.size())) return;
  values.distanceRow = row;
  values.distance = DistanceRowValue(row, feetMode);
}

void LoggerSettings::ChooseRecordMode(int mode) {
  if (mode == kRecordOverwrite || mode == kRecordStopWhenFull) values.recordMode = mode;
}

void LoggerSettings::ChooseLogBy(int logBy) {
  if (logBy == 0 || logBy == 1) values.logBy = logBy;
}

void LoggerSettings::SetRecording(bool on) {
  values.recording = on;
  if (on) {
    ChooseTimeRow(0);
    ChooseDistanceRow(0);
  } else {
    values.timeInterval = 0;
    values.distance = 0;
  }
}

Status LoggerSettings::Read(DeviceSession& session) {
  if (!session.IsOpen()) return Failed();
  DeviceProtocol& protocol = session.Protocol();
  session.Report(Progress::Stage(kTextReadingMode));
  const char* mode =
      protocol.LogExchange(logger_command::kQueryParameter, logger_parameter::kRecordMode, 0);
  if (!Answered(mode)) return Failed();
  session.Report(Progress::Stage(kTextUpdatingMode));
  // The one character after "$PMTK182,3,6,".
  const char* reply = FindLogReply(mode);
  const bool stop = reply && std::strlen(reply) > 13 && reply[13] == '2';
  values.recordMode = stop ? kRecordStopWhenFull : kRecordOverwrite;
  known.recordMode = values.recordMode;

  for (const int parameter : {logger_parameter::kTimeInterval, logger_parameter::kDistance}) {
    const char* answer = protocol.LogExchange(logger_command::kQueryParameter, parameter, 0);
    if (!Answered(answer)) return Failed();
    const bool time = parameter == logger_parameter::kTimeInterval;
    session.Report(Progress::Stage(time ? kTextSettingTime : kTextSettingDistance));
    const long value = LogSettingValue(answer, false);
    if (value == 0) continue;
    if (time) {
      known.time = value;
      // Below half a second the list's first row (1 s) is shown, and kept.
      if (value < 5)
        ChooseTimeRow(0);
      else {
        values.timeInterval = static_cast<int>(value / 10);
        values.timeRow = TimeRowForSeconds(value / 10);
      }
    } else {
      known.distance = value;
      // Below 5 m the list's first row is shown, and kept. Otherwise the page keeps the
      // device's value in tenths of a metre, the unit the lists and Apply use.
      if (value < 50)
        ChooseDistanceRow(0);
      else {
        values.distance = value;
        values.distanceRow = DistanceRowForMetres(value / 10);
      }
    }
  }
  return Status::Success(kTextSettingsRead);
}

Status LoggerSettings::Apply(DeviceSession& session) {
  if (!session.IsOpen()) return Status::Failure(StatusCode::PortUnusable, 0, "no line open");
  DeviceProtocol& protocol = session.Protocol();
  bool allAnswered = true;
  auto set = [&](int textId, int parameter, long value, auto& knownValue) {
    session.Report(Progress::Stage(textId));
    if (value == 0 || value == knownValue) return;
    if (Answered(protocol.LogExchange(logger_command::kSetParameter, parameter, value)))
      knownValue = static_cast<std::remove_reference_t<decltype(knownValue)>>(value);
    else
      allAnswered = false;
  };
  set(kTextSettingTime, logger_parameter::kTimeInterval,
      static_cast<long>(values.timeInterval) * 10, known.time);
  set(kTextSettingDistance, logger_parameter::kDistance, values.distance, known.distance);
  set(kTextSettingMode, logger_parameter::kRecordMode, values.recordMode, known.recordMode);
  return allAnswered ? Status::Success(kTextSettingsApplied) : Failed();
}

}  // namespace divuzo
