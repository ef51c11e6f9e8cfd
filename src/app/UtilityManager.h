#pragma once
// Program-wide shared state. One instance, theUtilityManager, read and written by every page.
// Flags that threads share are atomics; the rest is touched from the GUI thread only.
#include <array>
#include <atomic>
#include <ctime>
#include <mutex>
#include <string>

namespace divuzo {

class UtilityManager {
public:
  UtilityManager() = default;
  UtilityManager(const UtilityManager&) = delete;
  UtilityManager& operator=(const UtilityManager&) = delete;

  std::atomic<int> linkBusy{0};        // a sender or transfer loop is talking to the device
  std::atomic<int> deviceKind{0};      // detected device kind 0..8
  std::atomic<int> loggerRetryFlag{0}; // set by the logger exchange with retries
  std::time_t timeStamp{0};            // used by the update page and the logger download
  std::atomic<int> heartbeatEnded{0};  // 0 while a heartbeat worker loops, 1 after it left
  std::atomic<unsigned char> updateTabIndex{0};
  std::atomic<int> highSpeedLink{0};   // 1 while the logger runs at 921600 baud

  // Logger settings (record mode, interval, distance and their last known device values).
  int loggerSetting[3]{};
  int updateValues[2]{};
  int loggerSetting2[3]{};
  int exportBlock[4]{};
  int exportValues[2]{};
  std::atomic<int> settingsReset{0};   // photo page restored its defaults
  int loggerPageValue{0};
  int loggerSettingPageValue{0};

  std::string deviceLabel;             // file-name prefix for downloaded track files

  std::atomic<int> writeGpsInPhoto{0};

  void SetTimeZoneHours(int hours) { timeZoneHours.store(hours); }
  int GetTimeZoneHours() const { return timeZoneHours.load(); }

  void SetPhotoCalibration(int day, int hour, int minute, int second) {
    std::lock_guard<std::mutex> lock(mutex_);
    photoCalibration = {day, hour, minute, second};
  }
  std::array<int, 4> GetPhotoCalibration() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return photoCalibration;
  }

  void SetLinkSettings(const std::string& name, int baud, int spare) {
    std::lock_guard<std::mutex> lock(mutex_);
    portName = name;
    linkBaud = baud;
    linkSpare = spare;
  }
  void GetLinkSettings(std::string& name, int& baud, int& spare) const {
    std::lock_guard<std::mutex> lock(mutex_);
    name = portName;
    baud = linkBaud;
    spare = linkSpare;
  }

  // Back to the state at construction (tests use this between cases).
  void Reset();

private:
  mutable std::mutex mutex_;
  std::atomic<int> timeZoneHours{0};
  std::array<int, 4> photoCalibration{};
  std::string portName{"COM1"};
  int linkBaud{0};
  int linkSpare{0};
};

extern UtilityManager theUtilityManager;

} // namespace divuzo
