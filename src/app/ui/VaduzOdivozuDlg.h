#pragma once
// The main window (dialog 102): the tab control with the eight pages, the close and About
// buttons, the heartbeat worker, the device session the pages share and the close sequence
// toward the device. Pages see it as their PageHost.
#include <QDialog>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <memory>
#include <vector>

#include "app/ui/PageHost.h"
#include "serial/DeviceSession.h"

class QLabel;
class QPushButton;

namespace divuzo {

class CTabCtrlEx;
class PageBase;
class PageDeviceSetting;
class PageDownloadFW;
class PageMTKTracklogSetting;

// Page slots in creation order.
enum PageSlot {
  kSlotUpdate = 0,        // dialog 133
  kSlotGpsStatus,         // 129
  kSlotTrackLogSetting,   // 130
  kSlotFormat,            // 136
  kSlotPhoto,             // 135
  kSlotWayPoint,          // 134
  kSlotMtkTrackLog,       // 143
  kSlotDownloadFw,        // 147
  kPageSlotCount
};

class VaduzOdivozuDlg : public QDialog, public PageHost {
  Q_OBJECT
public:
  explicit VaduzOdivozuDlg(QWidget* parent = nullptr);
  ~VaduzOdivozuDlg() override;

  // run = true starts a heartbeat worker; false asks every worker to leave and returns at once.
  // Callable from any thread (identification stops and restarts it from its worker).
  void SetHeartbeat(bool run);
  // The heartbeat as the core's device conversations stop and restart it.
  HeartbeatControl* Heartbeat() const { return heartbeatControl_.get(); }
  // Stops the heartbeat and waits until every worker has left (window end).
  void StopHeartbeatAndWait();
  // Length of one heartbeat cycle (1000 ms).
  void SetHeartbeatPeriod(std::chrono::milliseconds period) { heartbeatPeriod_ = period; }

  void SelectPage(int n);
  void ShowSelectedPage();

  // PageHost.
  DeviceSession& Session() override { return session_; }
  void EnableWindowControls(std::initializer_list<int> ids, bool enable) override { EnableControls(ids, enable); }
  void SetUpdateTabEnabled(bool enabled) override;
  // Pictures by the session's device kind: 3 and 4 show bitmap 141 (and tab 0 is selected),
  // every other kind bitmap 129.
  void ShowDeviceKindPicture() override;
  void DeviceIdentified() override;
  void DeviceWorkStarted() override { ++deviceWork_; }
  void DeviceWorkEnded() override { --deviceWork_; }
  // Handles every event that is waiting for the calling thread, then returns.
  static void PumpMessages();

  // Window close: refused while the firmware download page is busy; otherwise the device is
  // told goodbye (when a port is open) and the window ends as with Escape.
  void RequestClose();
  // True while a page is talking to the device or flashing it: closing then would cut the
  // device off mid-conversation, so every way out of the window waits.
  bool DeviceWorkRunning() const { return deviceWork_ > 0; }

  PageBase* Page(int slot) const { return pages_[static_cast<std::size_t>(slot)]; }
  PageDeviceSetting* UpdatePage() const;
  PageMTKTracklogSetting* MtkPage() const;
  PageDownloadFW* DownloadPage() const;
  CTabCtrlEx* TabControl() const { return tab_; }
  // A control of this window by id (1, 2, 1001, 1002, 1095, 1006, 1046, 1047).
  QWidget* Control(int id) const;
  int TabCount() const { return tabCount_; }
  int CurrentTab() const { return currentTab_; }

  // Enable state of the update tab, set by pages around long operations.
  std::atomic<int> tabItemEnabled{1};
  // Gives the update tab the state in tabItemEnabled (GUI thread).
  void ApplyUpdateTabEnabled();
  // Enables or disables controls of this window from any thread (queued to the GUI thread).
  void EnableControls(std::initializer_list<int> ids, bool enable);

  // Loop condition of the heartbeat workers.
  std::atomic<int> heartbeatRun{0};

public slots:
  void accept() override;  // button 1, Enter
  void reject() override;  // Escape

protected:
  void closeEvent(QCloseEvent* event) override;

private slots:
  void OnTabSelChange();
  void OnApplyAll();
  void OnDefaultAll();
  void OnAbout();

private:
  void RevealSelectedPage();
  void CreatePages();
  void HeartbeatWorker();
  void SendPageCommandToAll(int code);

  CTabCtrlEx* tab_ = nullptr;
  QLabel* picture1046_ = nullptr;
  QLabel* picture1047_ = nullptr;
  std::array<PageBase*, kPageSlotCount> pages_{};
  std::array<int, kPageSlotCount> pageEnabled_{};
  std::array<PageBase*, kPageSlotCount> tabPages_{};
  int tabCount_ = 0;
  int currentTab_ = 0;

  std::chrono::milliseconds heartbeatPeriod_{1000};
  std::mutex heartbeatMutex_;  // guards the wake-up and the list of workers
  std::condition_variable heartbeatWake_;
  std::vector<std::thread> heartbeatThreads_;
  std::unique_ptr<HeartbeatControl> heartbeatControl_;
  DeviceSession session_;
  int deviceWork_ = 0;  // device work running on the pages (GUI thread only)
};

} // namespace divuzo
