#pragma once
// The logger's three recording settings (record mode, time interval, distance) as the logger
// page shows them and as `divuzo logger settings` reads and applies them. The page's lists and
// radios change the values; Read takes them from the device, Apply sends what differs from
// what the device is known to hold, so that applying twice sends nothing the second time.
#include "app/Status.h"

#include <array>

namespace divuzo {

class DeviceSession;

// Texts (string table; the role texts of the product at kOwnWording + id).
inline constexpr int kTextSettingsFailed = 924;  // "Connection to Device Failed"
inline constexpr int kTextReadingMode = 925;     // "Reading Record Mode Settings...."
inline constexpr int kTextUpdatingMode = 926;    // "Updating Record Mode Settings...."
inline constexpr int kTextSettingsRead = 978;    // "Update Setting Successfully."
inline constexpr int kTextSettingTime = 335;
inline constexpr int kTextSettingDistance = 336;
inline constexpr int kTextSettingsApplied = 337;
inline constexpr int kTextSettingMode = 379;

// Time-interval list (seconds) and distance list (metres), row by row.
inline constexpr std::array<int, 7> kTimeIntervalRows{1, 5, 10, 15, 30, 60, 120};
inline constexpr std::array<int, 6> kDistanceRows{50, 100, 150, 300, 500, 1000};

inline constexpr int kRecordOverwrite = 1;
inline constexpr int kRecordStopWhenFull = 2;

// The value a distance row stands for, in tenths of a metre: the metres times ten, or in feet
// mode the row's number of feet in tenths of a metre, rounded down (100 -> 304).
long DistanceRowValue(int row, bool feet);
// The rows a value read from the device selects: seconds 1 -> 0, 10 -> 2, 15 -> 3, 30 -> 4,
// 60 -> 5, 120 -> 6, else 1; metres 100 -> 1, 150 -> 2, 300 -> 3, 500 -> 4, 1000 -> 5, else 0.
int TimeRowForSeconds(long seconds);
int DistanceRowForMetres(long metres);

struct LoggerSettingValues {
  bool recording = true;  // check box 1001
  int timeInterval = 5;   // seconds
  int timeRow = 1;
  long distance = 1000;  // tenths of a metre
  int distanceRow = 1;
  int recordMode = kRecordStopWhenFull;
  int logBy = 0;  // 0 by second, 1 by distance
  bool operator==(const LoggerSettingValues&) const = default;
};

// What the device is known to hold (0: not known).
struct LoggerSettingsKnown {
  long time = 0;      // tenths of a second
  long distance = 0;  // tenths of a metre
  int recordMode = 0;
};

class LoggerSettings {
 public:
  LoggerSettingValues values;
  LoggerSettingsKnown known;
  bool feetMode = false;  // no unit setting exists; metres

  // The page's defaults: recording on, 5 s (row 1), 100 m (row 1), stop when full, by second.
  void Defaults();
  // List and radio handlers.
  void ChooseTimeRow(int row);
  void ChooseDistanceRow(int row);
  void ChooseRecordMode(int mode);
  void ChooseLogBy(int logBy);
  // Check box 1001: on gives the first row of each list, off gives 0 and 0.
  void SetRecording(bool on);

  // Reads parameters 6, 3 and 4. Ok with 978, or Failed with 924 at the first step that got no
  // answer. Stage texts go to the session's sink. A value the lists cannot show picks a row
  // whose value is then also the page's, so that Apply sends what the page shows.
  Status Read(DeviceSession& session);
  // Sends the time (parameter 3, tenths of a second), the distance (4) and the record mode (6)
  // where they differ from what the device is known to hold; a value of 0 is skipped. Ok with
  // 337; Failed with 924 when a set was not answered; PortUnusable (text 0) without a line.
  Status Apply(DeviceSession& session);
};

}  // namespace divuzo
