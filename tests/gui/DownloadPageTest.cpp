// The firmware download page (no tab, reached by code only) against the virtual device.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "StringTable.h"
#include "UpdatePageDriver.h"
#include "app/UtilityManager.h"
#include "app/ui/ControlId.h"
#include "app/ui/StopMessage.h"
#include "app/ui/TabCtrlEx.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "serial/DeviceSession.h"
#include "update/FlashJob.h"
#include "update/ui/PageDeviceSetting.h"
#include "update/ui/PageDownloadFW.h"

using namespace divuzo;
using namespace divuzo::test;

namespace {

// A TR550 image, V2.00.
QString MakeTr550Image(const TempDir& dir) {
  return MakeImage(dir, QStringLiteral("T410_V200_PLM.bin"), "TR550", "V2.00", 4096, 3);
}

// Identifies the device through the update page, as the Download button needs.
bool Identify(VaduzOdivozuDlg& w) {
  PageDeviceSetting* p = w.UpdatePage();
  // Answers come at once; the unanswered goodbye of a fixed-query device need not take 2.3 s.
  w.Session().timing.queryPolls = 15;
  p->OnAutoDetect();
  p->OnConnect();
  auto* status = FindControl<QLabel>(p, 1003);
  return QTest::qWaitFor([&] { return !p->IsWorking() && status->text() != Text(310); }, 20000) &&
         status->text() == Text(311);
}

} // namespace

class DownloadPageTest : public QObject {
  Q_OBJECT
  QStringList messages_;

private slots:
  void init() {
    theUtilityManager.Reset();
    RecordStopMessages(messages_);
  }
  // Short pauses around the address steps of the page's download.
  static void ShortPauses(PageDownloadFW* d) {
    auto& bt = d->Job().Addresses().timing;
    bt.restorePauseMs = 10;
    bt.ackSettleMs = 10;
  }
  void cleanup() { SetStopMessageHandler({}); }

  void downloadFlashesAndFreesTheWindowAgain() {
    if (RealBridgeAttached()) QSKIP("a USB serial bridge is attached");
    DiscoverableVdev vdev(
        {"--model", "TR550", "--firmware", "105", "--bt-address", "00:1B:C1:05:50:01"});
    QVERIFY(vdev.Started());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    PageDownloadFW* d = w.DownloadPage();
    QVERIFY(!d->isVisible());
    QCOMPARE(FindControl<QLabel>(d, 1189)->text(), Text(404));
    QCOMPARE(FindControl<QPushButton>(d, 1006)->text(), Text(403));
    auto* download = FindControl<QPushButton>(d, 1006);
    QVERIFY(!download->isEnabled());

    QVERIFY(Identify(w));
    QCOMPARE(w.Session().device.kind, DeviceKind::ZID300);
    QVERIFY(download->isEnabled());
    ShortPauses(d);

    // Without a file: message 412.
    QTest::mouseClick(download, Qt::LeftButton);
    QCOMPARE(messages_, QStringList{Text(300) + "|" + Text(412)});
    QVERIFY(!d->IsBusy());

    TempDir dir;
    const QString image = MakeTr550Image(dir);
    QVERIFY(!image.isEmpty());
    // Opened from the Pages menu's entry, the page offers its file chooser.
    QVERIFY(w.OpenPage(kSlotDownloadFw));
    QVERIFY(d->isVisible());
    auto* browse = FindControl<QPushButton>(d, 1005);
    QVERIFY(browse->isVisible() && browse->isEnabled());
    d->chooseImageFile = [&](QWidget*) { return image; };
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(FindControl<QLineEdit>(d, 1004)->text(), image);

    d->pauseMs = 10;
    bool ended = false;
    divuzo::Status outcome = divuzo::Status::Failure(StatusCode::Failed, 0);
    d->onDownloadEnded = [&](const divuzo::Status& o) { ended = true; outcome = o; };
    QTest::mouseClick(download, Qt::LeftButton);
    QVERIFY(d->IsBusy());
    QVERIFY(!download->isEnabled());
    QVERIFY(!w.Control(1)->isEnabled());
    w.close();  // refused while the download runs
    QVERIFY(w.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(ended, 60000);
    QVERIFY(outcome.Ok());
    QCOMPARE(outcome.textId, 411);
    QCOMPARE(FindControl<QLabel>(d, 1189)->text(), Text(411));
    QCOMPARE(FindControl<QLabel>(d, 1008)->text(), QStringLiteral("100%"));
    QCOMPARE(FindControl<QProgressBar>(d, 1007)->value(), 100);
    QVERIFY(!d->IsBusy());
    QTRY_VERIFY(w.Control(1)->isEnabled());
    QVERIFY(w.Control(1095)->isEnabled());
    QVERIFY(w.TabControl()->IsItemEnabled(0));
    QVERIFY(vdev.CountReceived("$PMTK492*3D") >= 1);

    // Free again, the window closes.
    w.close();
    QVERIFY(!w.isVisible());
  }

  void kindWithoutAllInOneAgentFails() {
    if (RealBridgeAttached()) QSKIP("a USB serial bridge is attached");
    DiscoverableVdev vdev({"--model", "ZID310", "--firmware", "123"});
    QVERIFY(vdev.Started());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    QVERIFY(Identify(w));
    QCOMPARE(w.Session().device.kind, DeviceKind::ZID310);
    PageDownloadFW* d = w.DownloadPage();
    ShortPauses(d);
    TempDir dir;
    const QString image = MakeTr550Image(dir);
    d->chooseImageFile = [&](QWidget*) { return image; };
    d->OnBrowse();
    d->pauseMs = 10;
    bool ended = false;
    divuzo::Status outcome;
    d->onDownloadEnded = [&](const divuzo::Status& o) { ended = true; outcome = o; };
    QTest::mouseClick(FindControl<QPushButton>(d, 1006), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(ended, 60000);
    QCOMPARE(outcome.code, StatusCode::Failed);
    QCOMPARE(FindControl<QLabel>(d, 1189)->text(), Text(447));
    QVERIFY(!d->IsBusy());
    QTRY_VERIFY(w.Control(1)->isEnabled());
    // The temporary payload is gone after the run.
    QVERIFY(!QFile::exists(QString::fromStdString((dir / "Raded_FW_Temp.bin").string())));
  }
};

QTEST_MAIN(DownloadPageTest)
#include "DownloadPageTest.moc"
