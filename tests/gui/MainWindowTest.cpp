// The main window: its controls and texts, the pages it hosts, the heartbeat and how it ends.
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include "app/UtilityManager.h"
#include "app/ui/AboutDlg.h"
#include "app/ui/ControlId.h"
#include "app/ui/TabCtrlEx.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "app/ui/PageHost.h"
#include "serial/DeviceSession.h"
#include "update/ui/PageDownloadFW.h"

using namespace divuzo;

class MainWindowTest : public QObject {
  Q_OBJECT

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
    w.close();
    QTest::keyClick(&w, Qt::Key_Escape);
    QTest::mouseClick(FindControl<QPushButton>(&w, 1), Qt::LeftButton);
    QVERIFY(w.isVisible());
    QCOMPARE(w.heartbeatRun.load(), 1);
    QCOMPARE(theUtilityManager.heartbeatEnded.load(), 0);
    host.DeviceWorkEnded();
    w.close();
    QVERIFY(w.isVisible());

    host.DeviceWorkEnded();
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
