// The main window: its controls and texts, the pages it hosts and how each is reached, its
// layout under every style, the heartbeat and how it ends.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStyleFactory>
#include <QTabBar>
#include <QtTest>

#include "app/UtilityManager.h"
#include "StringTable.h"
#include "app/ui/AboutDlg.h"
#include "app/ui/ControlId.h"
#include "app/ui/TabCtrlEx.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "app/ui/PageHost.h"
#include "app/ui/PageTable.h"
#include "app/Tool.h"
#include "serial/DeviceSession.h"
#include "update/ui/PageDeviceSetting.h"
#include "update/ui/PageDownloadFW.h"

using namespace divuzo;

class MainWindowTest : public QObject {
  Q_OBJECT

  static bool ShowWindow(QWidget& w) {
    w.show();
    return QTest::qWaitForWindowExposed(&w);
  }

  static QString Text(const VaduzOdivozuDlg& w, int id) {
    auto* b = FindControl<QPushButton>(&w, id);
    return b ? b->text() : QStringLiteral("<missing>");
  }

  // Runs the heartbeat with a short cycle until a worker is inside its loop.
  static void StartHeartbeat(VaduzOdivozuDlg& w) {
    w.SetHeartbeatPeriod(std::chrono::milliseconds(20));
    theUtilityManager.heartbeatEnded = 1;
    w.SetHeartbeat(true);
    QTRY_COMPARE(theUtilityManager.heartbeatEnded.load(), 0);
  }

  static QString Title(int slot) {
    const PageEntry& page = PageTable()[static_cast<std::size_t>(slot)];
    return QString::fromStdString(LoadText(page.titleTextId));
  }

  // Opens the Pages menu with a click on its button and clicks the entry of page `slot` (or
  // the "show all tabs" entry for -1), as a user does.
  static void ChooseFromPagesMenu(VaduzOdivozuDlg& w, int slot) {
    QMenu* menu = w.PagesMenu();
    QAction* wanted = nullptr;
    for (QAction* a : menu->actions())
      if (slot < 0 ? a->isCheckable()
                   : !a->isSeparator() && !a->isCheckable() && a->data().toInt() == slot)
        wanted = a;
    QVERIFY(wanted);
    bool clicked = false;
    QTimer::singleShot(0, &w, [&] {
      QVERIFY(menu->isVisible());
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(wanted).center());
      clicked = true;
    });
    QTest::mouseClick(FindControl<QPushButton>(&w, 1300), Qt::LeftButton);
    QTRY_VERIFY(clicked);
    QTRY_VERIFY(!menu->isVisible());
  }

  // Every visible control of `page` whose middle lies in a visible group box lies inside the
  // group's frame, below its title.
  static QStringList OutsideTheirFrames(QWidget* page) {
    QStringList wrong;
    const auto children = page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* c : children) {
      if (!c->isVisible() || qobject_cast<QGroupBox*>(c)) continue;
      for (QWidget* g : children) {
        auto* group = qobject_cast<QGroupBox*>(g);
        if (!group || !group->isVisible() || !group->geometry().contains(c->geometry().center()))
          continue;
        const QRect inside = group->contentsRect().translated(group->pos());
        if (!inside.contains(c->geometry()))
          wrong << c->objectName() + " in " + group->objectName();
      }
    }
    return wrong;
  }

  // Visible controls of `page` (not group boxes) that overlap another one.
  static QStringList Overlapping(QWidget* page) {
    QStringList wrong;
    QList<QWidget*> shown;
    for (QWidget* c : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
      if (c->isVisible() && !qobject_cast<QGroupBox*>(c)) shown << c;
    for (int i = 0; i < shown.size(); ++i)
      for (int j = i + 1; j < shown.size(); ++j)
        if (shown[i]->geometry().intersects(shown[j]->geometry()))
          wrong << shown[i]->objectName() + "/" + shown[j]->objectName();
    return wrong;
  }

private slots:
  void init() { theUtilityManager.Reset(); }

  void startUpShowsTheUpdatePageInItsOneTab() {
    VaduzOdivozuDlg w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.windowTitle(), QStringLiteral("DIVUZOvuzov"));

    QCOMPARE(Text(w, 1), QStringLiteral("閉じる"));
    QCOMPARE(Text(w, 1095), QStringLiteral("DIVUZOvuzov について"));
    QCOMPARE(Text(w, 2), QStringLiteral("中止"));
    QCOMPARE(Text(w, 1001), QString());
    QCOMPARE(Text(w, 1002), QString());
    QVERIFY(w.Control(1)->isVisible());
    QVERIFY(w.Control(1095)->isVisible());
    for (int hidden : {2, 1001, 1002, 1046, 1047}) {
      QVERIFY2(w.Control(hidden) != nullptr, qPrintable(QString::number(hidden)));
      QVERIFY2(!w.Control(hidden)->isVisible(), qPrintable(QString::number(hidden)));
    }
    QVERIFY(!w.Control(1046)->isEnabled());
    QVERIFY(FindControl<QPushButton>(&w, 1)->isDefault());

    CTabCtrlEx* tab = w.TabControl();
    QCOMPARE(tab, FindControl<CTabCtrlEx>(&w, 1006));
    QCOMPARE(tab->GetItemCount(), 1);
    QCOMPARE(tab->TabBar()->tabText(0), QString());
    QCOMPARE(tab->GetCurSel(), 0);
    QVERIFY(tab->IsInstalled());
    QCOMPARE(w.TabCount(), 1);

    // Eight pages in slot order, children of the tab control, only the update page shown.
    const int ids[] = {133, 129, 130, 136, 135, 134, 143, 147};
    for (int slot = 0; slot < kPageSlotCount; ++slot) {
      PageBase* page = w.Page(slot);
      QVERIFY(page != nullptr);
      QCOMPARE(page->DialogId(), ids[slot]);
      QCOMPARE(page->parentWidget(), static_cast<QWidget*>(tab));
      QCOMPARE(page->pos(), QPoint(8, 28));
      QCOMPARE(page->Host(), static_cast<PageHost*>(&w));
      QCOMPARE(page->isVisible(), slot == kSlotUpdate);
    }

    // Every page fits inside the tab control below the tab row, and the visible controls of the
    // update page fit inside the page (template sizes in dialog units of two different fonts).
    for (int slot = 0; slot < kPageSlotCount; ++slot)
      QVERIFY2(tab->rect().contains(w.Page(slot)->geometry()), qPrintable(QString::number(slot)));
    QVERIFY(w.Page(kSlotUpdate)->geometry().top() >= tab->TabBar()->geometry().bottom());
    QVERIFY(w.rect().contains(tab->geometry()));
    for (QWidget* c : w.Page(kSlotUpdate)->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
      if (c->isVisible()) QVERIFY2(w.Page(kSlotUpdate)->rect().contains(c->geometry()), qPrintable(c->objectName()));

    // Selecting the single tab again changes nothing.
    tab->SelectItem(0);
    QCOMPARE(tab->GetCurSel(), 0);
    QVERIFY(w.Page(kSlotUpdate)->isVisible());
    QVERIFY(!w.Page(kSlotDownloadFw)->isVisible());
  }

  void everyPageOpensFromThePagesMenu() {
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    CTabCtrlEx* tab = w.TabControl();
    QCOMPARE(w.PageCount(), int(PageTable().size()));
    QCOMPARE(FindControl<QPushButton>(&w, 1300)->text(), QString::fromStdString(LoadText(959)));
    // The update page alone at start, its tab without a label.
    QCOMPARE(tab->GetItemCount(), 1);
    QCOMPARE(tab->TabBar()->tabText(0), QString());
    for (int slot = 0; slot < w.PageCount(); ++slot) {
      qInfo("page %s", PageTable()[static_cast<std::size_t>(slot)].name);
      ChooseFromPagesMenu(w, slot);
      if (QTest::currentTestFailed()) return;
      const int index = w.TabOfPage(slot);
      QVERIFY(index >= 0);
      QCOMPARE(tab->GetCurSel(), index);
      QCOMPARE(w.CurrentTab(), index);
      QVERIFY(w.Page(slot)->isVisible());
      QVERIFY(w.Page(slot)->isEnabled());
      for (int other = 0; other < w.PageCount(); ++other)
        if (other != slot) QVERIFY(!w.Page(other)->isVisible());
      if (slot != kSlotUpdate) QCOMPARE(tab->TabBar()->tabText(index), Title(slot));
    }
    // One tab per page, the update tab first and named now that it is not alone.
    QCOMPARE(tab->GetItemCount(), w.PageCount());
    QCOMPARE(tab->TabBar()->tabText(0), Title(kSlotUpdate));
    // Back to the update page by its tab, as a click does.
    tab->SelectItem(0);
    QVERIFY(w.Page(kSlotUpdate)->isVisible());
    QVERIFY(!w.Page(kSlotDownloadFw)->isVisible());
    // Not remembered: the next window starts with the update page alone again.
    VaduzOdivozuDlg next;
    QCOMPARE(next.TabControl()->GetItemCount(), 1);
    // By name, as --page does.
    QVERIFY(next.OpenPage("photo"));
    QCOMPARE(next.CurrentTab(), next.TabOfPage(kSlotPhoto));
    QVERIFY(next.Page(kSlotPhoto)->isVisibleTo(&next));
    QVERIFY(!next.OpenPage("no-such-page"));
  }

  // --page takes the names of the page table, and nothing else.
  void pageOptionTakesOnlyPageNames() {
    QProcess program;
    program.start(QStringLiteral(DIVUZO_BINARY_DIR "/bin/divuzovuzov"), {"--list-pages"});
    QVERIFY(program.waitForFinished(30000));
    QStringList names;
    for (const PageEntry& page : PageTable()) names << page.name;
    const QString printed = QString::fromLocal8Bit(program.readAllStandardOutput());
    QCOMPARE(printed.split('\n', Qt::SkipEmptyParts), names);
    program.start(QStringLiteral(DIVUZO_BINARY_DIR "/bin/divuzovuzov"),
                  {"--page", "no-such-page", "-platform", "offscreen"});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 2);
    QVERIFY(QString::fromLocal8Bit(program.readAllStandardError()).contains("--page takes one of"));
  }

  void showingAllTabsIsRemembered() {
    {
      VaduzOdivozuDlg w;
      QVERIFY(ShowWindow(w));
      QVERIFY(!w.AllTabsShown());
      ChooseFromPagesMenu(w, -1);
      if (QTest::currentTestFailed()) return;
      QVERIFY(w.AllTabsShown());
      QCOMPARE(w.TabControl()->GetItemCount(), w.PageCount());
      QCOMPARE(w.CurrentTab(), 0);
    }
    std::uint32_t stored = 0;
    QVERIFY(Tool().ReadRegDword(HKEY_CURRENT_USER, "ShowAllTabs", stored));
    QCOMPARE(stored, 1u);
    {
      // The next start shows every page in slot order, on the update page.
      VaduzOdivozuDlg w;
      QVERIFY(ShowWindow(w));
      QCOMPARE(w.TabControl()->GetItemCount(), w.PageCount());
      for (int slot = 0; slot < w.PageCount(); ++slot) QCOMPARE(w.TabOfPage(slot), slot);
      QVERIFY(w.Page(kSlotUpdate)->isVisible());
      ChooseFromPagesMenu(w, -1);
      if (QTest::currentTestFailed()) return;
      QVERIFY(!w.AllTabsShown());
    }
    VaduzOdivozuDlg w;
    QCOMPARE(w.TabControl()->GetItemCount(), 1);
  }

  void otherPagesWaitWhileDeviceWorkRuns() {
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    QVERIFY(w.OpenPage(kSlotPhoto));
    QVERIFY(w.OpenPage(kSlotUpdate));
    PageHost& host = w;
    host.DeviceWorkStarted();
    // Only the page at work can be seen; no other page can be opened.
    QVERIFY(w.TabControl()->IsItemEnabled(0));
    QVERIFY(!w.TabControl()->IsItemEnabled(w.TabOfPage(kSlotPhoto)));
    QVERIFY(!FindControl<QPushButton>(&w, 1300)->isEnabled());
    QVERIFY(!w.OpenPage(kSlotFormat));
    host.DeviceWorkEnded();
    QVERIFY(w.TabControl()->IsItemEnabled(w.TabOfPage(kSlotPhoto)));
    QVERIFY(FindControl<QPushButton>(&w, 1300)->isEnabled());
  }

  void layoutFitsEveryStyle() {
    const QString original = QApplication::style()->name();
    for (const QString& style : QStyleFactory::keys()) {
      qInfo("style %s", qPrintable(style));
      QApplication::setStyle(style);
      VaduzOdivozuDlg w;
      QVERIFY(ShowWindow(w));
      w.ShowAllTabs(true);
      const QSize least = w.minimumSize();
      QCOMPARE(w.size(), least);
      for (int slot = 0; slot < w.PageCount(); ++slot) {
        QWidget* page = w.Page(slot);
        // Each page whole inside the tab control, below the tab row, at the smallest size.
        QVERIFY2(w.TabControl()->rect().contains(page->geometry()), PageTable()[slot].name);
        QVERIFY(page->geometry().top() >= w.TabControl()->TabBar()->geometry().bottom());
        w.OpenPage(slot);
        QCOMPARE(OutsideTheirFrames(page), QStringList());
      }
      // The update page's own controls do not overlap, and its port box shows a whole path.
      QCOMPARE(Overlapping(w.UpdatePage()), QStringList());
      QCOMPARE(Overlapping(w.DownloadPage()), QStringList());
      auto* ports = FindControl<QComboBox>(w.UpdatePage(), 1116);
      QVERIFY(ports->lineEdit()->width() >= ports->fontMetrics().horizontalAdvance("/dev/ttyUSB0"));
      // Every button of the window below the tab control, inside the window.
      for (int id : {1300, 1, 1095}) {
        QWidget* b = w.Control(id);
        QVERIFY(w.rect().contains(b->geometry()));
        QVERIFY(b->geometry().top() >= w.TabControl()->geometry().bottom());
      }
      // Grown (maximised, say): the tab control takes the room, the buttons keep to the
      // bottom right corner, the status line to the bottom.
      const QRect tab = w.TabControl()->geometry();
      const int right = w.width() - w.Control(1095)->geometry().right();
      const int bottom = w.height() - w.Control(1095)->geometry().bottom();
      w.resize(least + QSize(300, 200));
      QTRY_COMPARE(w.size(), least + QSize(300, 200));
      QCOMPARE(w.TabControl()->geometry().size(), tab.size() + QSize(300, 200));
      QCOMPARE(w.width() - w.Control(1095)->geometry().right(), right);
      QCOMPARE(w.height() - w.Control(1095)->geometry().bottom(), bottom);
      QVERIFY(w.Control(1)->geometry().right() < w.Control(1095)->geometry().left());
      QVERIFY(w.Control(1301)->geometry().top() > w.Control(1)->geometry().bottom());
      w.ShowAllTabs(false);
    }
    QApplication::setStyle(original);
  }

  void deviceKindChoosesTheBanner() {
    VaduzOdivozuDlg w;
    auto* banner = FindControl<QLabel>(&w, 1046);
    const auto argb = [](const QImage& i) { return i.convertToFormat(QImage::Format_ARGB32); };
    const QImage logger = argb(QImage(QStringLiteral(":/images/bitmap141.png")));
    const QImage other = argb(QImage(QStringLiteral(":/images/bitmap129.png")));
    QVERIFY(!logger.isNull() && !other.isNull() && logger != other);
    for (int kind : {0, 3, 4, 7}) {
      w.Session().device.kind = KindFromNumber(kind);
      w.ShowDeviceKindPicture();
      const QImage shown = argb(banner->pixmap().toImage());
      QCOMPARE(shown == logger, kind == 3 || kind == 4);
      QCOMPARE(shown == other, !(kind == 3 || kind == 4));
    }
    QVERIFY(!FindControl<QLabel>(&w, 1047)->pixmap().isNull());
  }

  void escapeEndsTheWindowWithTheHeartbeatStopped() {
    VaduzOdivozuDlg w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    StartHeartbeat(w);
    StartHeartbeat(w);  // a second start runs a second worker; one stop ends both
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QCOMPARE(w.heartbeatRun.load(), 0);
    QCOMPARE(theUtilityManager.heartbeatEnded.load(), 1);
  }

  void closeButtonAndEnterEndTheWindow() {
    VaduzOdivozuDlg w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    StartHeartbeat(w);
    QTest::mouseClick(FindControl<QPushButton>(&w, 1), Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(theUtilityManager.heartbeatEnded.load(), 1);

    VaduzOdivozuDlg w2;
    w2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w2));
    QTest::keyClick(&w2, Qt::Key_Return);
    QVERIFY(!w2.isVisible());
    QCOMPARE(w2.result(), int(QDialog::Accepted));
  }

  void windowCloseWaitsForDeviceWork() {
    VaduzOdivozuDlg w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    StartHeartbeat(w);

    // Two pages at work: every way out waits until both have ended.
    PageHost& host = w;
    host.DeviceWorkStarted();
    host.DeviceWorkStarted();
    QCOMPARE(w.StatusText(), QString());
    w.close();
    QTest::keyClick(&w, Qt::Key_Escape);
    QTest::mouseClick(FindControl<QPushButton>(&w, 1), Qt::LeftButton);
    QVERIFY(w.isVisible());
    // The user is told why.
    QCOMPARE(w.StatusText(), QString::fromStdString(LoadText(958)));
    QCOMPARE(w.heartbeatRun.load(), 1);
    QCOMPARE(theUtilityManager.heartbeatEnded.load(), 0);
    host.DeviceWorkEnded();
    w.close();
    QVERIFY(w.isVisible());

    host.DeviceWorkEnded();
    QCOMPARE(w.StatusText(), QString());
    w.close();
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QCOMPARE(theUtilityManager.heartbeatEnded.load(), 1);
  }

  void aboutButtonOpensTheAboutBox() {
    VaduzOdivozuDlg w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QString seen;
    // Runs inside the About box's own modal loop, then closes it with its button.
    QTimer::singleShot(0, &w, [&seen] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) return;
      seen = modal->objectName() + "|" + FindControl<QLabel>(modal, 1181)->text();
      QTest::mouseClick(FindControl<QPushButton>(modal, 1), Qt::LeftButton);
    });
    QTest::mouseClick(FindControl<QPushButton>(&w, 1095), Qt::LeftButton);
    QCOMPARE(seen, QStringLiteral("dialog100| 1.0.0.0"));
    QVERIFY(w.isVisible());
  }

  void aboutBoxTexts() {
    AboutDlg about;
    QCOMPARE(about.windowTitle(), QStringLiteral("DIVUZOvuzov"));
    QCOMPARE(FindControl<QLabel>(&about, 1225)->text(),
             QStringLiteral("適合製品 : ZID300,ZID310,ZID200,ZIDTonic1      "));
    QCOMPARE(FindControl<QPushButton>(&about, 1)->text(), QStringLiteral("閉じる"));
    QVERIFY(FindControl<QLabel>(&about, 1181)->isHidden());
    // The program's own version resource gives the product version.
    QCOMPARE(FindControl<QLabel>(&about, 1181)->text(), QStringLiteral(" 1.0.0.0"));
    // Each 16-bit word of the two halves is one number, most significant first.
    QCOMPARE(AboutDlg::FormatProductVersion(0x00020003u, 0x0004FFFFu), QStringLiteral(" 2.3.4.65535"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
