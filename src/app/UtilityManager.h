#pragma once
// Program-wide shared state of the window: one instance, theUtilityManager. Device state is
// not kept here: it belongs to the DeviceSession of whoever drives the device.
// Flags that threads share are atomics; the rest is touched from the GUI thread only.
#include <array>
#include <atomic>
#include <mutex>

namespace divuzo {

class UtilityManager {
public:
  UtilityManager() = default;
  UtilityManager(const UtilityManager&) = delete;
  UtilityManager& operator=(const UtilityManager&) = delete;

  std::atomic<int> heartbeatEnded{0};  // 0 while a heartbeat worker loops, 1 after it left
  std::atomic<unsigned char> updateTabIndex{0};
  std::atomic<int> settingsReset{0};   // photo page restored its defaults
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

  // Back to the state at construction (tests use this between cases).
  void Reset();

private:
  mutable std::mutex mutex_;
  std::atomic<int> timeZoneHours{0};
  std::array<int, 4> photoCalibration{};
};

extern UtilityManager theUtilityManager;

} // namespace divuzo
