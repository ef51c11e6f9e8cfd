#pragma once
// The recording settings of a device's track logger as the track-log setting page and
// `divuzo tracklog settings` show and change them: recording on or off, log by time or by
// distance, the interval, the distance (metres, or feet on the page) and the record mode.
// They travel as logger commands ("$PMTK182,..."): type 1 sets a parameter, type 2 reads one,
// types 10 and 11 switch recording on and off, type 6 erases the log.
#include "app/Status.h"

#include <functional>
#include <string>
#include <vector>

namespace divuzo {

class DeviceProtocol;
class DeviceSession;

namespace tracklog_parameter {
inline constexpr int kLogBy = 1;
inline constexpr int kInterval = 3;
inline constexpr int kDistance = 4;  // in metres
inline constexpr int kRecordMode = 6;
}  // namespace tracklog_parameter

namespace tracklog_command {
inline constexpr int kRecordingOn = 10;
inline constexpr int kRecordingOff = 11;
}  // namespace tracklog_command

struct TrackLogSettings {
  int recording = 1;  // 1 on, 2 off
  int logBy = 2;      // 2 by time, 3 by distance
  int intervalSeconds = 10;
  int distanceMeters = 100;
  int distanceFeet = 328;
  int recordMode = 1;  // 1 record in flash with cycle, 2 once

  bool operator==(const TrackLogSettings&) const = default;
};

inline constexpr int kRecordingOn = 1;
inline constexpr int kRecordingOff = 2;
inline constexpr int kLogByTime = 2;
inline constexpr int kLogByDistance = 3;

// Texts of the settings (string-table ids).
inline constexpr int kTextUpdatingSettings = 977;  // "Update Setting..."
inline constexpr int kTextSettingsUpdated = 978;   // "Update Setting Successfully."
inline constexpr int kTextClearDone = 979;         // "Clear Successfully. ..."
inline constexpr int kTextSettingRefused = 987;    // a setting got no answer
inline constexpr int kTextClearFailed = 988;       // the erase got no answer

// Feet = metres x 3.28 and metres = feet / 3.28, both truncated (33 m -> 108 ft -> 32 m).
int FeetFromMeters(int meters);
int MetersFromFeet(int feet);

// One logger command: type and its two arguments.
struct LoggerCommand {
  int type = 0;
  long a = 0;
  long b = 0;
  bool operator==(const LoggerCommand&) const = default;
};

// The commands that bring a device from `known` to `wanted`, in Apply's order: recording
// (10 on, 11 off), log-by, interval, distance (always in metres, parameter 4; with
// `feetShown` a change is judged by the feet value), record mode. Nothing for what is equal.
std::vector<LoggerCommand> ApplyCommands(const TrackLogSettings& known,
                                         const TrackLogSettings& wanted, bool feetShown);

// Sends ApplyCommands one by one with the logger exchange, moving each value into `known` once
// its command was answered. Stops at the first command without an answer: NoAnswer, text 987.
Status ApplyTrackLogSettings(DeviceProtocol& protocol, TrackLogSettings& known,
                             const TrackLogSettings& wanted, bool feetShown);

// Switches recording on or off (command 10 or 11); false without an answer.
bool SetRecording(DeviceProtocol& protocol, bool on);

struct SettingsRead {
  bool answered = false;  // false: the device did not answer; `values` are the ones given
  bool recordingSwitchedOn = false;
  TrackLogSettings values;
};

// The Read button: asks the device (type 2), then parameters 6, 3 and 4 (record mode,
// interval, distance in metres; each value read whole); an interval other than 0 means log by
// time, 0 by distance. With `switchRecordingOn` (the page) recording is then set on and
// switched on in the device, as the page shows it on. Without an answer the values stay as
// given.
SettingsRead ReadTrackLogSettings(DeviceProtocol& protocol, const TrackLogSettings& current,
                                  bool switchRecordingOn = true);

// Runs `work` with the session's sentence senders: over the line already open, or else over
// `port` opened for the work and closed again after it. Without a line the senders answer
// "Not Connected".
Status WithSettingsLine(DeviceSession& session, const std::string& port,
                        const std::function<Status(DeviceProtocol&)>& work);

// Erases the device's track log (logger command 6 with 1); NoAnswer with text 988 when the
// device does not confirm, Ok with text 979 when it does.
Status ClearTrackLog(DeviceProtocol& protocol);

}  // namespace divuzo
