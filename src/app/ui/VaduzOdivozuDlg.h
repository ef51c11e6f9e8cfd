#pragma once
// The main window (dialog 102): the tab control with the eight pages, the close and About
// buttons, the heartbeat worker, the device session the pages share and the close sequence
// toward the device. Pages see it as their PageHost.
//
// At start only the update page has a tab. The Pages button (a control of this program's own,
// beside the close button) opens every other page in a tab of its own, or all of them at once
// ("show all tabs", remembered in the settings); --page NAME does the same from the command
// line. The pages come from the page table (PageTable.h). A status line under the buttons
// says why the window cannot close while device work runs. The window grows from the size
// of its template (never smaller than what shows every page whole): the tab control takes the
// room, the buttons stay in the bottom corner.
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

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace divuzo {

class CTabCtrlEx;
class PageBase;
class PageDeviceSetting;
class PageDownloadFW;
class PageMTKTracklogSetting;

// Page slots in creation order (the rows of PageTable()).
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

  // Gives page `slot` a tab (when it has none) and selects it; false for no such page.
  bool OpenPage(int slot);
  bool OpenPage(const std::string& name);
  // A tab for every page (in slot order), and whether that is remembered for the next start.
  void ShowAllTabs(bool show);
  bool AllTabsShown() const;
  // The tab of page `slot`, or -1 when it has none.
  int TabOfPage(int slot) const;
  // The Pages button's menu (the tests open pages through it as a user would).
  QMenu* PagesMenu() const { return pagesMenu_; }
  // The window's status line (why it cannot close now).
  QString StatusText() const;

  // PageHost.
  DeviceSession& Session() override { return session_; }
  void EnableWindowControls(std::initializer_list<int> ids, bool enable) override { EnableControls(ids, enable); }
  void SetUpdateTabEnabled(bool enabled) override;
  // Pictures by the session's device kind: 3 and 4 show bitmap 141 (and tab 0 is selected),
  // every other kind bitmap 129.
  void ShowDeviceKindPicture() override;
  void DeviceIdentified() override;
  void DeviceWorkStarted() override;
  void DeviceWorkEnded() override;
  // Handles every event that is waiting for the calling thread, then returns.
  static void PumpMessages();

  // Window close: refused while the firmware download page is busy; otherwise the device is
  // told goodbye (when a port is open) and the window ends as with Escape.
  void RequestClose();
  // True while a page is talking to the device or flashing it: closing then would cut the
  // device off mid-conversation, so every way out of the window waits.
  bool DeviceWorkRunning() const { return deviceWork_ > 0; }

  PageBase* Page(int slot) const { return pages_.at(static_cast<std::size_t>(slot)); }
  int PageCount() const { return static_cast<int>(pages_.size()); }
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
  void resizeEvent(QResizeEvent* event) override;

private slots:
  void OnTabSelChange();
  void OnApplyAll();
  void OnDefaultAll();
  void OnAbout();

private:
  void RevealSelectedPage();
  void CreatePages();
  void CreatePagesMenu();
  // Adds a tab for page `slot` at the end; returns its index.
  int AddTab(int slot);
  // While device work runs, only the tab it runs on can be selected, and no page is opened.
  void ApplyTabLocks();
  // Says in the status line why the window stays open, and returns true, while work runs.
  bool RefuseWhileWorking();
  // Places the tab control, the buttons and the status line for the window's size.
  void LayOut();
  QSize MinimumWindowSize() const;
  void HeartbeatWorker();
  void SendPageCommandToAll(int code);

  CTabCtrlEx* tab_ = nullptr;
  QLabel* picture1046_ = nullptr;
  QLabel* picture1047_ = nullptr;
  std::vector<PageBase*> pages_;
  std::vector<int> pageEnabled_;
  std::vector<PageBase*> tabPages_;
  int tabCount_ = 0;
  int currentTab_ = 0;
  QPushButton* pagesButton_ = nullptr;
  QMenu* pagesMenu_ = nullptr;
  QAction* allTabsAction_ = nullptr;
  QLabel* status_ = nullptr;
  QSize templateTab_;        // the tab control's size in the template

  std::chrono::milliseconds heartbeatPeriod_{1000};
  std::mutex heartbeatMutex_;  // guards the wake-up and the list of workers
  std::condition_variable heartbeatWake_;
  std::vector<std::thread> heartbeatThreads_;
  std::unique_ptr<HeartbeatControl> heartbeatControl_;
  DeviceSession session_;
  int deviceWork_ = 0;  // device work running on the pages (GUI thread only)
};

} // namespace divuzo
