// The update page's stop buttons against the virtual device in the same process, as the
// window's session reaches it: identification stops when asked, a flash stops when asked
// before its image is written, and a request during the image is turned down with the reason.
#include <QComboBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QtTest>

#include "UpdatePageDriver.h"
#include "app/ui/StopMessage.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "engine/InProcessDevice.h"
#include "serial/DeviceSession.h"
#include "update/BtAddress.h"
#include "update/FlashJob.h"

using namespace divuzo;
using namespace divuzo::test;

class DeviceCancelTest : public QObject {
  Q_OBJECT
  QStringList messages_;

private slots:
  void init() { RecordStopMessages(messages_); }
  void cleanup() { SetStopMessageHandler({}); }

  void identificationStopsWhenAsked() {
    TempDir empty;
    ScopedEnv env("DIVUZO_VPORT_DIR", empty.path().string());
    vdev::DeviceOptions silent;
    silent.faults.silent = true;
    vdev::InProcessDevice device(silent);
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    UseInProcessDevice(w, device);
    PageDeviceSetting* p = w.UpdatePage();
    auto* stop = FindControl<QPushButton>(p, 1240);
    QVERIFY(stop->isHidden());

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
    QVERIFY(stop->isVisible());
    QCOMPARE(stop->text(), Text(302));
    QTest::mouseClick(stop, Qt::LeftButton);
    // A silent device would keep it asking for about 37 s.
    QVERIFY(WaitIdentificationEnd(p, 10000));
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(Shown(p, 1003), Text(kTextCancelled));  // stopped, not timed out
    QCOMPARE(Usable(p), QStringLiteral("011010"));  // Connect again (another port), or ForceUpdate
    QVERIFY(stop->isHidden());
    QVERIFY(!p->HoldsOpenPort());
    QVERIFY(device.CountReceived("$PPLM810*38") < 3);
    QVERIFY(messages_.isEmpty());
    QTRY_VERIFY(w.Control(1)->isEnabled());
  }

  void nothingChangesTheDeviceWhileItIsIdentified() {
    TempDir empty;
    ScopedEnv env("DIVUZO_VPORT_DIR", empty.path().string());
    TempDir dir;
    const QString image = MakeImage(dir, QStringLiteral("ZID310_V124_PLM.bin"), "ZID310", "V1.24");
    QVERIFY(!image.isEmpty());
    vdev::DeviceOptions o;
    o.btAddress = {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06}};
    o.faults.silent = true;
    vdev::InProcessDevice device(o);
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    UseInProcessDevice(w, device);
    PageDeviceSetting* p = w.UpdatePage();
    // A first Connect fails: ForceUpdate becomes usable.
    QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
    QVERIFY(WaitIdentificationEnd(p));
    QCOMPARE(Usable(p), QStringLiteral("011010"));

    // The unit answers now, slowly. While it is asked, no control that changes the device or
    // the port can be used, ForceUpdate included, and the busy cursor shows.
    device.Faults().silent = false;
    device.Faults().splitReplies = true;
    device.Faults().splitPauseMs = 150;
    QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
    QVERIFY(p->IsWorking());
    QCOMPARE(Usable(p), QStringLiteral("000000"));
    QVERIFY(QGuiApplication::overrideCursor() != nullptr);
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QTest::mouseClick(FindControl<QPushButton>(p, 1239), Qt::LeftButton);
    QVERIFY(!p->Session().device.forced);
    QVERIFY(WaitIdentificationEnd(p));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    QCOMPARE(Shown(p, 1003), Text(311));
    QCOMPARE(p->Session().device.kind, DeviceKind::ZID310);
    QVERIFY(!p->Session().device.forced);
    QCOMPARE(Shown(p, 1237), Text(401));
    // Identified: Select File is next, and has the focus (Enter chooses a file, it does not
    // close the window).
    QCOMPARE(Usable(p), QStringLiteral("000110"));
    QVERIFY(FindControl<QPushButton>(p, 1192)->hasFocus());

    // The update is the identified unit's: its address is kept.
    device.Faults().splitReplies = false;
    SelectFile(p, image);
    QVERIFY(FindControl<QPushButton>(p, 1224)->hasFocus());
    bool ended = false, succeeded = false;
    p->onUpdateEnded = [&](bool success) { ended = true; succeeded = success; };
    QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(ended, 20000);
    QVERIFY2(succeeded, qPrintable(Shown(p, 1233)));
    QCOMPARE(Shown(p, 1233), Text(411));
    QCOMPARE(device.CountReceived("$PMTK492*3D"), 1);
    const std::string write = BtAddressWriteSentence({0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
    QCOMPARE(device.CountReceived(write.substr(0, write.size() - 2)), 1);
    QTRY_VERIFY(w.Control(1)->isEnabled());
  }

  void flashStopsBeforeTheImageAndNotDuringIt() {
    TempDir empty;
    ScopedEnv env("DIVUZO_VPORT_DIR", empty.path().string());
    TempDir dir;
    const QString image = MakeImage(dir, QStringLiteral("ZID310_V124_PLM.bin"), "ZID310", "V1.24", 128 * 1024);
    QVERIFY(!image.isEmpty());

    // Asked before the image: the update stops there (text 901), nothing is written.
    {
      vdev::DeviceOptions o;
      o.btAddress = {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06}};
      o.bootRom.flashDump = (dir / "first.bin").string();
      vdev::InProcessDevice device(o);
      VaduzOdivozuDlg w;
      QVERIFY(ShowWindow(w));
      UseInProcessDevice(w, device);
      PageDeviceSetting* p = w.UpdatePage();
      p->updatePauseMs = 300;  // the stop is looked at after the pause that follows the save
      QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
      QVERIFY(WaitIdentificationEnd(p));
      SelectFile(p, image);
      bool ended = false, succeeded = true;
      p->onUpdateEnded = [&](bool success) { ended = true; succeeded = success; };
      QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
      auto* stop = FindControl<QPushButton>(p, 1241);
      QVERIFY(stop->isVisible());
      QTest::mouseClick(stop, Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(ended, 20000);
      QVERIFY(!succeeded);
      QCOMPARE(Shown(p, 1233), Text(kTextCancelled));
      QVERIFY(messages_.isEmpty());
      QVERIFY(!QFile::exists(QString::fromStdString((dir / "first.bin").string())));
      QVERIFY(stop->isHidden());
      QTRY_VERIFY(w.Control(1)->isEnabled());
    }

    // Asked while the image goes over (the line paced as a real one): turned down with the
    // reason, and the update completes.
    vdev::DeviceOptions o;
    o.btAddress = {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06}};
    o.bootRom.lineRate = true;
    o.bootRom.flashDump = (dir / "second.bin").string();
    vdev::InProcessDevice device(o);
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    UseInProcessDevice(w, device);
    PageDeviceSetting* p = w.UpdatePage();
    QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
    QVERIFY(WaitIdentificationEnd(p));
    SelectFile(p, image);
    bool ended = false, succeeded = false;
    p->onUpdateEnded = [&](bool success) { ended = true; succeeded = success; };
    QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(Shown(p, 1233), Text(409), 20000);
    QTest::mouseClick(FindControl<QPushButton>(p, 1241), Qt::LeftButton);
    QCOMPARE(messages_, QStringList{Text(300) + QStringLiteral("|") + Text(kTextCancelRefusedWhileFlashing)});
    QTRY_VERIFY_WITH_TIMEOUT(ended, 30000);
    QVERIFY2(succeeded, qPrintable(Shown(p, 1233)));
    QCOMPARE(Shown(p, 1233), Text(411));
    QVERIFY(QFile::exists(QString::fromStdString((dir / "second.bin").string())));
  }
};

QTEST_MAIN(DeviceCancelTest)
#include "DeviceCancelTest.moc"
