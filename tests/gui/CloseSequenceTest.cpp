// What the main window says to the device on each way out, with the update page's line open,
// checked in the virtual device's own log.
#include <QPushButton>
#include <QtTest>

#include "UpdatePageDriver.h"
#include "VdevProcess.h"
#include "app/UtilityManager.h"
#include "app/ui/ControlId.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "serial/Sentence.h"
#include "serial/DeviceSession.h"
#include "update/ui/PageDeviceSetting.h"

using namespace divuzo;
using divuzo::test::DiscoverableVdev;
using divuzo::test::ShowWindow;
using divuzo::test::VdevProcess;

namespace {

// The sentence as the device logs it: without CR LF.
std::string Logged(const std::string& line) {
  std::string s = line;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

} // namespace

class CloseSequenceTest : public QObject {
  Q_OBJECT

  // A window whose update page holds an open line to `vdev`.
  static void OpenLine(VaduzOdivozuDlg& w, const VdevProcess& vdev) {
    DeviceSession& session = w.Session();
    LinkTiming& timing = session.timing;
    timing.queryPolls = 20;
    timing.logPolls = 5;
    timing.pieceSleepMs = 1;
    timing.speedRestorePauseMs = 10;
    session.portName = vdev.PortPath();
    QVERIFY(session.Open());
    session.portOpen = true;
    QVERIFY(w.UpdatePage()->HoldsOpenPort());
  }

private slots:
  void init() { theUtilityManager.Reset(); }

  void escapeSaysGoodbyeOnce() {
    DiscoverableVdev vdev;
    QVERIFY(vdev.Started());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    OpenLine(w, vdev);
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
    QVERIFY(!w.UpdatePage()->HoldsOpenPort());
    const std::string goodbye = Logged(RadedCommandLine(2));
    QCOMPARE(vdev.WaitReceived(goodbye, 1), 1);
    QCOMPARE(vdev.ReceivedSentences().size(), std::size_t{1});
  }

  void closeButtonSaysNothing() {
    DiscoverableVdev vdev;
    QVERIFY(vdev.Started());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    OpenLine(w, vdev);
    QTest::mouseClick(FindControl<QPushButton>(&w, 1), Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(!w.UpdatePage()->HoldsOpenPort());
    QTest::qWait(200);
    QVERIFY(vdev.ReceivedSentences().empty());
  }

  void windowCloseBringsALoggerBackToNormalSpeed() {
    DiscoverableVdev vdev({"--model", "TR410"});
    QVERIFY(vdev.Started());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    OpenLine(w, vdev);
    w.Session().highSpeedLink = 1;
    w.close();
    QVERIFY(!w.isVisible());
    QCOMPARE(w.Session().highSpeedLink.load(), 0);
    QVERIFY(!w.UpdatePage()->HoldsOpenPort());
    const std::string slower = Logged(LogCommandLine(14, 38400, 0));
    const std::string goodbye = Logged(RadedCommandLine(2));
    QCOMPARE(vdev.WaitReceived(goodbye, 2), 2);
    const std::vector<std::string> received = vdev.ReceivedSentences();
    QCOMPARE(received, (std::vector<std::string>{slower, goodbye, goodbye}));
  }
};

QTEST_MAIN(CloseSequenceTest)
#include "CloseSequenceTest.moc"
