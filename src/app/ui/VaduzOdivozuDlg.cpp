#include "app/ui/VaduzOdivozuDlg.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>

#include <algorithm>

#include "app/Tool.h"
#include "app/UtilityManager.h"
#include "app/ui/AboutDlg.h"
#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/PageTable.h"
#include "app/ui/TabCtrlEx.h"
#include "platform/Trace.h"
#include "serial/CloseSequence.h"
#include "serial/ui/PageMTKTracklogSetting.h"
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
// Controls of this program's own: the Pages button and the status line.
constexpr int kPagesButtonId = 1300;
constexpr int kStatusLineId = 1301;
// Their texts.
constexpr int kTextCannotClose = 958;
constexpr int kTextPages = 959;
constexpr int kTextAllTabs = 965;
// The remembered choice to show every page in a tab.
constexpr const char* kAllTabsValue = "ShowAllTabs";

QString TitleOf(int slot) {
  return TextOf(PageTable()[static_cast<std::size_t>(slot)].titleTextId);
}
} // namespace

VaduzOdivozuDlg::VaduzOdivozuDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dialog102"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  heartbeatControl_ = std::make_unique<WindowHeartbeat>(this);
  session_.heartbeat = heartbeatControl_.get();

  DialogTemplate t(this, QStringLiteral("Arial"), 8, 397, 323);
  t.Button(1095, 277, 305, 115, 13, 432);
  QPushButton* ok = t.Button(1, 157, 305, 115, 13, 301);
  ok->setDefault(true);
  t.Button(2, 65, 281, 23, 13, 302, false);
  tab_ = new CTabCtrlEx(this);
  SetControlId(tab_, kTabControlId);
  tab_->setGeometry(t.Units().ToPixels(5, 0, 387, 301));
  templateTab_ = tab_->size();
  picture1047_ = t.Picture(1047, 21, 273, 122, 22, 0, false);
  t.Button(1001, 83, 283, 6, 8, 303, false);
  t.Button(1002, 95, 285, 6, 6, 304, false);
  picture1046_ = t.Picture(1046, 0, 29, 380, 51, 0, false);
  picture1046_->setEnabled(false);
  // This program's own: the Pages button left of the buttons, the status line below them.
  pagesButton_ = t.Button(kPagesButtonId, 5, 305, 60, 13, kTextPages);
  status_ = t.Static(kStatusLineId, 5, 321, 387, 10);

  setWindowIcon(QIcon(BitmapPath(128)));
  setWindowTitle(TextOf(300));

  connect(ok, &QPushButton::clicked, this, &VaduzOdivozuDlg::accept);
  connect(FindControl<QPushButton>(this, 2), &QPushButton::clicked, this, &VaduzOdivozuDlg::reject);
  connect(FindControl<QPushButton>(this, 1001), &QPushButton::clicked, this, &VaduzOdivozuDlg::OnApplyAll);
  connect(FindControl<QPushButton>(this, 1002), &QPushButton::clicked, this, &VaduzOdivozuDlg::OnDefaultAll);
  connect(FindControl<QPushButton>(this, 1095), &QPushButton::clicked, this, &VaduzOdivozuDlg::OnAbout);
  connect(tab_, &CTabCtrlEx::SelChange, this, &VaduzOdivozuDlg::OnTabSelChange);

  CreatePages();
  CreatePagesMenu();

  // The tab list: only the update page gets a tab.
  tabPages_.assign(1, pages_[kSlotUpdate]);
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

  // Every page in a tab when the user chose so last time.
  std::uint32_t allTabs = 0;
  if (Tool().ReadRegDword(HKEY_CURRENT_USER, kAllTabsValue, allTabs) && allTabs != 0) {
    allTabsAction_->setChecked(true);
    for (int slot = 0; slot < PageCount(); ++slot)
      if (TabOfPage(slot) < 0) AddTab(slot);
  }

  setMinimumSize(MinimumWindowSize());
  resize(minimumSize());
  LayOut();
}

VaduzOdivozuDlg::~VaduzOdivozuDlg() {
  // Pages first: they wait for their workers, which may still start or stop the heartbeat.
  status_ = nullptr;
  for (PageBase*& page : pages_) {
    delete page;
    page = nullptr;
  }
  StopHeartbeatAndWait();
}

void VaduzOdivozuDlg::CreatePages() {
  for (const PageEntry& entry : PageTable()) pages_.push_back(entry.create(tab_));
  pageEnabled_.assign(pages_.size(), 1);
  for (PageBase* page : pages_) {
    page->hide();
    page->move(kPageOrigin);
    page->SetHost(this);
    page->OnInitDialog();
  }
}

void VaduzOdivozuDlg::CreatePagesMenu() {
  pagesMenu_ = new QMenu(this);
  allTabsAction_ = pagesMenu_->addAction(TextOf(kTextAllTabs));
  allTabsAction_->setCheckable(true);
  connect(allTabsAction_, &QAction::toggled, this, &VaduzOdivozuDlg::ShowAllTabs);
  pagesMenu_->addSeparator();
  for (int slot = 0; slot < PageCount(); ++slot) {
    QAction* open = pagesMenu_->addAction(TitleOf(slot));
    open->setData(slot);
    connect(open, &QAction::triggered, this, [this, slot] { OpenPage(slot); });
  }
  pagesButton_->setMenu(pagesMenu_);
}

int VaduzOdivozuDlg::TabOfPage(int slot) const {
  if (slot < 0 || slot >= PageCount()) return -1;
  for (int i = 0; i < tabCount_; ++i)
    if (tabPages_[static_cast<std::size_t>(i)] == pages_[static_cast<std::size_t>(slot)]) return i;
  return -1;
}

int VaduzOdivozuDlg::AddTab(int slot) {
  PageBase* page = pages_[static_cast<std::size_t>(slot)];
  // With more than one tab, the update tab needs its name too.
  if (tabCount_ == 1) tab_->TabBar()->setTabText(0, TitleOf(kSlotUpdate));
  const int index = tab_->InsertItem(tabCount_, TitleOf(slot));
  tabPages_.push_back(page);
  tabCount_ = static_cast<int>(tabPages_.size());
  page->hide();
  ApplyTabLocks();
  return index;
}

bool VaduzOdivozuDlg::OpenPage(int slot) {
  if (slot < 0 || slot >= PageCount() || DeviceWorkRunning()) return false;
  int tab = TabOfPage(slot);
  if (tab < 0) tab = AddTab(slot);
  tab_->SelectItem(tab);
  return true;
}

bool VaduzOdivozuDlg::OpenPage(const std::string& name) { return OpenPage(PageSlotByName(name)); }

void VaduzOdivozuDlg::ShowAllTabs(bool show) {
  if (show)
    for (int slot = 0; slot < PageCount(); ++slot)
      if (TabOfPage(slot) < 0) AddTab(slot);
  if (allTabsAction_->isChecked() != show) {
    const QSignalBlocker block(allTabsAction_);
    allTabsAction_->setChecked(show);
  }
  if (!Tool().WriteRegDword(HKEY_CURRENT_USER, kAllTabsValue, show ? 1 : 0))
    TraceF("cannot remember the tabs: %s\n", GetLastRegistryMessage().c_str());
}

bool VaduzOdivozuDlg::AllTabsShown() const { return allTabsAction_->isChecked(); }

QString VaduzOdivozuDlg::StatusText() const { return status_->text(); }

void VaduzOdivozuDlg::DeviceWorkStarted() {
  ++deviceWork_;
  ApplyTabLocks();
}

void VaduzOdivozuDlg::DeviceWorkEnded() {
  --deviceWork_;
  if (!status_) return;  // the window is going
  if (deviceWork_ == 0) status_->clear();
  ApplyTabLocks();
}

void VaduzOdivozuDlg::ApplyTabLocks() {
  const bool working = DeviceWorkRunning();
  pagesButton_->setEnabled(!working);
  for (int i = 0; i < tabCount_; ++i) {
    bool enabled = !working || i == currentTab_;
    if (i == theUtilityManager.updateTabIndex) enabled = enabled && tabItemEnabled != 0;
    tab_->EnableItem(i, enabled);
  }
}

bool VaduzOdivozuDlg::RefuseWhileWorking() {
  if (!DeviceWorkRunning()) return false;
  status_->setText(TextOf(kTextCannotClose));
  return true;
}

QSize VaduzOdivozuDlg::MinimumWindowSize() const {
  // The template's size, or more where a page needs more room to show whole.
  QSize tabSize = templateTab_;
  for (PageBase* page : pages_) {
    tabSize.setWidth(std::max(tabSize.width(), kPageOrigin.x() + page->width() + kPageOrigin.x()));
    tabSize.setHeight(
        std::max(tabSize.height(), kPageOrigin.y() + page->height() + kPageOrigin.x()));
  }
  const QRect tab = tab_->geometry();
  const int below = FindControl<QWidget>(this, 1095)->y() - (tab.y() + templateTab_.height());
  const int buttons = FindControl<QWidget>(this, 1095)->height();
  const int statusGap = status_->y() - (FindControl<QWidget>(this, 1095)->y() + buttons);
  return {tab.x() * 2 + tabSize.width(),
          tab.y() + tabSize.height() + below + buttons + statusGap + status_->height() + below};
}

void VaduzOdivozuDlg::LayOut() {
  // Margins as the template has them; the tab control takes what the window has beyond them.
  QWidget* about = FindControl<QWidget>(this, 1095);
  QWidget* close = FindControl<QWidget>(this, 1);
  const int margin = tab_->x();
  const int gap = std::max(0, about->x() - (close->x() + close->width()));
  const int statusHeight = status_->height();
  const int buttons = about->height();
  const int spacing = std::max(1, margin);
  const int statusTop = height() - spacing - statusHeight;
  const int buttonTop = statusTop - spacing - buttons;
  tab_->setGeometry(margin, tab_->y(), width() - 2 * margin, buttonTop - spacing - tab_->y());
  about->move(width() - margin - about->width(), buttonTop);
  close->move(about->x() - gap - close->width(), buttonTop);
  pagesButton_->move(margin, buttonTop);
  status_->setGeometry(margin, statusTop, width() - 2 * margin, statusHeight);
}

void VaduzOdivozuDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (status_) LayOut();
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
    tabPages_[static_cast<std::size_t>(n)]->setEnabled(true);
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
  if (RefuseWhileWorking()) return;
  // With a line open: logger back to normal speed, goodbye, then the Cancel steps.
  CloseOnRequest(session_);
  StopHeartbeatAndWait();
  QDialog::reject();
}

void VaduzOdivozuDlg::reject() {
  if (RefuseWhileWorking()) return;
  // With a line open: goodbye, purge and close.
  CloseOnCancel(session_);
  StopHeartbeatAndWait();
  QDialog::reject();
}

void VaduzOdivozuDlg::accept() {
  if (RefuseWhileWorking()) return;
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
