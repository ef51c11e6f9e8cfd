#include "app/ui/VaduzOdivozuDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>

#include "app/UtilityManager.h"
#include "app/ui/AboutDlg.h"
#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/TabCtrlEx.h"
#include "platform/Trace.h"
#include "serial/CloseSequence.h"
#include "serial/ui/PageGPSStatus.h"
#include "serial/ui/PageMTKTracklogSetting.h"
#include "trackdata/ui/PageTrackLogFormat.h"
#include "trackdata/ui/PageTrackLogPhoto.h"
#include "trackdata/ui/PageTrackLogSetting.h"
#include "trackdata/ui/PageWayPointSetting.h"
#include "update/ui/PageDeviceSetting.h"
#include "update/ui/PageDownloadFW.h"

namespace divuzo {

namespace {
constexpr int kTabControlId = 1006;

class WindowHeartbeat : public HeartbeatControl {
public:
  explicit WindowHeartbeat(VaduzOdivozuDlg* window) : window_(window) {}
  void SetHeartbeat(bool run) override { window_->SetHeartbeat(run); }
  // The window's worker wakes on a stop, so joining it is enough.
  void StopAndWait(int /*maxMs*/, LinkClock& /*clock*/) override { window_->StopHeartbeatAndWait(); }

private:
  VaduzOdivozuDlg* window_;
};
// Pages sit at this point of the tab control, below the tab row.
constexpr QPoint kPageOrigin(8, 28);
} // namespace

VaduzOdivozuDlg::VaduzOdivozuDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dialog102"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  heartbeatControl_ = std::make_unique<WindowHeartbeat>(this);
  session_.heartbeat = heartbeatControl_.get();
  pageEnabled_.fill(1);
  tabPages_.fill(nullptr);

  DialogTemplate t(this, QStringLiteral("Arial"), 8, 397, 323);
  t.Button(1095, 277, 305, 115, 13, 432);
  QPushButton* ok = t.Button(1, 157, 305, 115, 13, 301);
  ok->setDefault(true);
  t.Button(2, 65, 281, 23, 13, 302, false);
  tab_ = new CTabCtrlEx(this);
  SetControlId(tab_, kTabControlId);
  tab_->setGeometry(t.Units().ToPixels(5, 0, 387, 301));
  picture1047_ = t.Picture(1047, 21, 273, 122, 22, 0, false);
  t.Button(1001, 83, 283, 6, 8, 303, false);
  t.Button(1002, 95, 285, 6, 6, 304, false);
  picture1046_ = t.Picture(1046, 0, 29, 380, 51, 0, false);
  picture1046_->setEnabled(false);

  setWindowIcon(QIcon(BitmapPath(128)));
  setWindowTitle(TextOf(300));

  connect(ok, &QPushButton::clicked, this, &VaduzOdivozuDlg::accept);
  connect(FindControl<QPushButton>(this, 2), &QPushButton::clicked, this, &VaduzOdivozuDlg::reject);
  connect(FindControl<QPushButton>(this, 1001), &QPushButton::clicked, this, &VaduzOdivozuDlg::OnApplyAll);
  connect(FindControl<QPushButton>(this, 1002), &QPushButton::clicked, this, &VaduzOdivozuDlg::OnDefaultAll);
  connect(FindControl<QPushButton>(this, 1095), &QPushButton::clicked, this, &VaduzOdivozuDlg::OnAbout);
  connect(tab_, &CTabCtrlEx::SelChange, this, &VaduzOdivozuDlg::OnTabSelChange);

  CreatePages();

  // The tab list: only the update page gets a tab.
  tabPages_[0] = pages_[kSlotUpdate];
  pageEnabled_[0] = 1;
  tabItemEnabled = 1;
  int count = 0;
  if (pageEnabled_[0] == 1) {
    tab_->InsertItem(0, TextOf(305));
    tabPages_[0] = pages_[kSlotUpdate];
    tab_->EnableItem(0, tabItemEnabled != 0);
    theUtilityManager.updateTabIndex = 0;
    count = 1;
  }
  tabCount_ = count;
  tab_->TabBar()->raise();
  SelectPage(0);
  EnableThemeTexture(this);
  picture1047_->setPixmap(QPixmap(BitmapPath(132)));
  tab_->Install(tab_);
}

VaduzOdivozuDlg::~VaduzOdivozuDlg() {
  // Pages first: they wait for their workers, which may still start or stop the heartbeat.
  for (PageBase*& page : pages_) {
    delete page;
    page = nullptr;
  }
  StopHeartbeatAndWait();
}

void VaduzOdivozuDlg::CreatePages() {
  pages_[kSlotUpdate] = new PageDeviceSetting(tab_);
  pages_[kSlotGpsStatus] = new PageGPSStatus(tab_);
  pages_[kSlotTrackLogSetting] = new PageTrackLogSetting(tab_);
  pages_[kSlotFormat] = new PageTrackLogFormat(tab_);
  pages_[kSlotPhoto] = new PageTrackLogPhoto(tab_);
  pages_[kSlotWayPoint] = new PageWayPointSetting(tab_);
  pages_[kSlotMtkTrackLog] = new PageMTKTracklogSetting(tab_);
  pages_[kSlotDownloadFw] = new PageDownloadFW(tab_);
  for (PageBase* page : pages_) {
    page->hide();
    page->move(kPageOrigin);
    page->SetHost(this);
    page->OnInitDialog();
  }
}

PageDeviceSetting* VaduzOdivozuDlg::UpdatePage() const {
  return static_cast<PageDeviceSetting*>(pages_[kSlotUpdate]);
}
PageMTKTracklogSetting* VaduzOdivozuDlg::MtkPage() const {
  return static_cast<PageMTKTracklogSetting*>(pages_[kSlotMtkTrackLog]);
}
PageDownloadFW* VaduzOdivozuDlg::DownloadPage() const {
  return static_cast<PageDownloadFW*>(pages_[kSlotDownloadFw]);
}

QWidget* VaduzOdivozuDlg::Control(int id) const { return FindControl<QWidget>(this, id); }

// ---- heartbeat ----

void VaduzOdivozuDlg::SetHeartbeat(bool run) {
  std::lock_guard<std::mutex> lock(heartbeatMutex_);
  if (run) {
    heartbeatRun = 1;
    heartbeatThreads_.emplace_back(&VaduzOdivozuDlg::HeartbeatWorker, this);
    return;
  }
  heartbeatRun = 0;
  heartbeatWake_.notify_all();
}

void VaduzOdivozuDlg::StopHeartbeatAndWait() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(heartbeatMutex_);
    heartbeatRun = 0;
    heartbeatWake_.notify_all();
    threads.swap(heartbeatThreads_);
  }
  for (std::thread& t : threads)
    if (t.joinable()) t.join();
}

void VaduzOdivozuDlg::HeartbeatWorker() {
  theUtilityManager.heartbeatEnded = 0;
  std::unique_lock<std::mutex> lock(heartbeatMutex_);
  while (heartbeatRun != 0) {
    // One cycle; a stop wakes the worker at once instead of at the end of the cycle.
    if (heartbeatWake_.wait_for(lock, heartbeatPeriod_, [this] { return heartbeatRun == 0; })) break;
    Trace("Main Dialog OnTimer\n");
  }
  theUtilityManager.heartbeatEnded = 1;
}

// ---- pages ----

void VaduzOdivozuDlg::SelectPage(int n) {
  currentTab_ = n;
  tab_->SetCurSel(n);
  for (int i = 0; i < tabCount_; ++i) tabPages_[static_cast<std::size_t>(i)]->hide();
  if (n >= 0 && n < tabCount_) {
    PageBase* page = tabPages_[static_cast<std::size_t>(n)];
    page->show();
    page->repaint();
  }
}

// A selected page other than the first is enabled, shown and repainted at once.
void VaduzOdivozuDlg::RevealSelectedPage() {
  if (currentTab_ <= 0 || currentTab_ >= tabCount_) return;
  PageBase* page = tabPages_[static_cast<std::size_t>(currentTab_)];
  page->setEnabled(true);
  page->show();
  page->repaint();
}

void VaduzOdivozuDlg::ShowSelectedPage() {
  currentTab_ = tab_->GetCurSel();
  for (int i = 0; i < tabCount_; ++i) {
    if (i == currentTab_) continue;
    PageBase* page = tabPages_[static_cast<std::size_t>(i)];
    page->hide();
    page->setEnabled(false);
  }
  RevealSelectedPage();
}

void VaduzOdivozuDlg::OnTabSelChange() {
  currentTab_ = tab_->GetCurSel();
  for (int i = 0; i < tabCount_; ++i) {
    PageBase* page = tabPages_[static_cast<std::size_t>(i)];
    const bool selected = i == currentTab_;
    page->setEnabled(selected);
    page->setVisible(selected);
  }
  RevealSelectedPage();
}

void VaduzOdivozuDlg::ShowDeviceKindPicture() {
  picture1047_->setPixmap(QPixmap(BitmapPath(132)));
  const DeviceKind kind = session_.device.kind;
  if (kind == DeviceKind::T410 || kind == DeviceKind::ZID300) {
    picture1046_->setPixmap(QPixmap(BitmapPath(141)));
    SelectPage(0);
  } else {
    picture1046_->setPixmap(QPixmap(BitmapPath(129)));
  }
}

void VaduzOdivozuDlg::PumpMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void VaduzOdivozuDlg::ApplyUpdateTabEnabled() {
  tab_->EnableItem(theUtilityManager.updateTabIndex, tabItemEnabled != 0);
}

void VaduzOdivozuDlg::SetUpdateTabEnabled(bool enabled) {
  tabItemEnabled = enabled ? 1 : 0;
  ApplyUpdateTabEnabled();
}

void VaduzOdivozuDlg::DeviceIdentified() { DownloadPage()->EnableDownloadButton(); }

void VaduzOdivozuDlg::EnableControls(std::initializer_list<int> ids, bool enable) {
  std::vector<int> list(ids);
  QMetaObject::invokeMethod(this, [this, list, enable] {
    for (int id : list)
      if (QWidget* w = Control(id)) w->setEnabled(enable);
  }, Qt::AutoConnection);
}

void VaduzOdivozuDlg::SendPageCommandToAll(int code) {
  for (int i = 0; i < tabCount_; ++i) tabPages_[static_cast<std::size_t>(i)]->PageCommand(code);
}

void VaduzOdivozuDlg::OnApplyAll() { SendPageCommandToAll(PAGE_APPLY); }
void VaduzOdivozuDlg::OnDefaultAll() { SendPageCommandToAll(PAGE_DEFAULT); }

void VaduzOdivozuDlg::OnAbout() {
  AboutDlg about(this);
  about.exec();
}

// ---- closing ----

void VaduzOdivozuDlg::RequestClose() {
  if (DeviceWorkRunning()) return;
  // With a line open: logger back to normal speed, goodbye, then the Cancel steps.
  CloseOnRequest(session_);
  StopHeartbeatAndWait();
  QDialog::reject();
}

void VaduzOdivozuDlg::reject() {
  if (DeviceWorkRunning()) return;
  // With a line open: goodbye, purge and close.
  CloseOnCancel(session_);
  StopHeartbeatAndWait();
  QDialog::reject();
}

void VaduzOdivozuDlg::accept() {
  if (DeviceWorkRunning()) return;
  // With a line open: purge and close without a word.
  CloseOnOk(session_);
  StopHeartbeatAndWait();
  QDialog::done(QDialog::Accepted);
}

void VaduzOdivozuDlg::closeEvent(QCloseEvent* event) {
  // The close ends the dialog itself (or is refused); the event is not passed on.
  event->ignore();
  RequestClose();
}

} // namespace divuzo
