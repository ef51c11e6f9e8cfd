// The update page against the virtual device on a real pseudo-terminal: port choice,
// identification, the image check, ForceUpdate and the progress display.
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "UpdatePageDriver.h"
#include "StringTable.h"
#include "app/UtilityManager.h"
#include "app/ui/ControlId.h"
#include "app/ui/StopMessage.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "serial/DeviceProtocol.h"
#include "serial/PortChoice.h"
#include "serial/DeviceSession.h"
#include "serial/VirtualPorts.h"
#include "update/FlashJob.h"
#include "update/ui/PageDeviceSetting.h"

using namespace divuzo;
using namespace divuzo::test;

class UpdatePageTest : public QObject {
  Q_OBJECT

  QStringList messages_;

private slots:
  void init() {
    theUtilityManager.Reset();
    RecordStopMessages(messages_);
  }
  void cleanup() { SetStopMessageHandler({}); }

  void startUpTextsAndState() {
    TempDir empty;
    ScopedEnv env("DIVUZO_VPORT_DIR", empty.path().string());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    PageDeviceSetting* p = w.UpdatePage();
    QVERIFY(p->isVisible());
    QCOMPARE(Usable(p), QStringLiteral("100000"));
    const std::pair<int, int> texts[] = {{1237, 401}, {1003, 309}, {1010, 318}, {2, 430},
                                         {1012, 320}, {1201, 419}, {1200, 418}, {1202, 420},
                                         {1228, 440}, {1233, 443}, {1238, 448}};
    for (auto [id, textId] : texts) QCOMPARE(Shown(p, id), Text(textId));
    const std::pair<int, int> buttons[] = {{1005, 397}, {1002, 307}, {1192, 431}, {1239, 451}, {1224, 442}};
    for (auto [id, textId] : buttons) QCOMPARE(FindControl<QPushButton>(p, id)->text(), Text(textId));
    // The warning line alone is red.
    QCOMPARE(FindControl<QLabel>(p, 1237)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(FindControl<QLabel>(p, 1003)->palette().color(QPalette::WindowText) != QColor(255, 0, 0));
    auto* bar = FindControl<QProgressBar>(p, 1093);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    for (int hidden : {1117, 1004, 1007, 1161, 1219, 1223, 1240, 1241})
      QVERIFY2(!FindControl<QWidget>(p, hidden)->isVisible(), qPrintable(QString::number(hidden)));
    QCOMPARE(p->Session().device.kind, DeviceKind::None);

    // Progress: values below 100 show their percentage, 1000 shows 100%, others keep the text.
    p->SetUpdateProgress(42);
    QCOMPARE(bar->value(), 42);
    QCOMPARE(Shown(p, 1234), QStringLiteral("42%"));
    p->SetUpdateProgress(150);
    QCOMPARE(bar->value(), 100);
    QCOMPARE(Shown(p, 1234), QStringLiteral("42%"));
    p->SetUpdateProgress(1000);
    QCOMPARE(bar->value(), 100);
    QCOMPARE(Shown(p, 1234), QStringLiteral("100%"));
    QCOMPARE(p->Percent(), 100);
  }

  void autoDetectConnectAndSelectFile() {
    if (RealBridgeAttached()) QSKIP("a USB serial bridge is attached");
    DiscoverableVdev vdev(
        {"--model", "ZID310", "--firmware", "123", "--bt-address", "00:1B:C1:02:03:04"});
    QVERIFY(vdev.Started());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    PageDeviceSetting* p = w.UpdatePage();

    QTest::mouseClick(FindControl<QPushButton>(p, 1005), Qt::LeftButton);
    QCOMPARE(Shown(p, 1003), Text(450));
    QCOMPARE(Usable(p), QStringLiteral("010000"));
    QCOMPARE(FindControl<QComboBox>(p, 1116)->currentText(), QString::fromStdString(vdev.PortPath()));
    QCOMPARE(LinkPort(p), QString::fromStdString(vdev.PortPath()));

    // The next step's button has the focus: Enter connects; it does not close the window.
    QCOMPARE(QApplication::focusWidget(), FindControl<QWidget>(p, 1002));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(w.isVisible());
    QVERIFY(p->IsWorking());
    // While the device is asked, nothing can start a competing step and the window cannot close.
    QCOMPARE(Usable(p), QStringLiteral("000000"));
    QVERIFY(!w.Control(1)->isEnabled());
    QVERIFY(!w.Control(1095)->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(Shown(p, 1003), Text(310), 5000);
    w.close();
    QVERIFY(w.isVisible());

    QVERIFY(WaitIdentificationEnd(p));
    QCOMPARE(Shown(p, 1003), Text(311));
    QCOMPARE(Shown(p, 1011), QStringLiteral("ZID310"));
    QCOMPARE(Shown(p, 1013), QStringLiteral("V1.23"));
    QCOMPARE(Shown(p, 1199), QStringLiteral("V01"));
    QCOMPARE(p->Session().device.kind, DeviceKind::ZID310);
    QCOMPARE(Usable(p), QStringLiteral("000100"));
    QTRY_VERIFY(w.Control(1)->isEnabled());
    QVERIFY(w.Control(1095)->isEnabled());
    QVERIFY(!p->HoldsOpenPort());
    QCOMPARE(w.heartbeatRun.load(), 1);
    QVERIFY(vdev.CountReceived("$PPLM810*38") >= 1);
    QVERIFY(messages_.isEmpty());

    // A newer image for this product: verdict 437, Execute usable, fields shown.
    TempDir dir;
    const QString image = MakeImage(dir, QStringLiteral("ZID310_V124_PLM.bin"), "ZID310", "V1.24");
    QVERIFY(!image.isEmpty());
    QString askedFolder = QStringLiteral("<not asked>");
    p->imageStartFolder = QString::fromStdString(dir.path().string());
    p->chooseImageFile = [&](QWidget*, const QString& folder) {
      askedFolder = folder;
      return image;
    };
    QTest::mouseClick(FindControl<QPushButton>(p, 1192), Qt::LeftButton);
    QCOMPARE(askedFolder, QString::fromStdString(dir.path().string()));
    QCOMPARE(Shown(p, 1198), image);
    QCOMPARE(Shown(p, 1228), Text(437));
    QCOMPARE(Shown(p, 1213), QStringLiteral("ZID310"));
    QCOMPARE(Shown(p, 1212), QStringLiteral("V1.24"));
    QCOMPARE(Usable(p), QStringLiteral("000101"));
    QVERIFY(QFile::exists(QString::fromStdString(p->tempImagePath)));

    // An image of another product is refused: verdict 435, Execute unusable again.
    const QString other = MakeImage(dir, QStringLiteral("ZID300_V200_PLM.bin"), "TR550", "V2.00");
    QVERIFY(!other.isEmpty());
    SelectFile(p, other);
    QCOMPARE(Shown(p, 1228), Text(435));
    QCOMPARE(Usable(p), QStringLiteral("000100"));

    // A file without the tag in its name: the warning box, the fields emptied.
    const QString untagged = MakeImage(dir, QStringLiteral("firmware.bin"), "ZID310", "V1.24");
    SelectFile(p, untagged);
    QCOMPARE(messages_, QStringList{QStringLiteral("WARNING!!|") + Text(444)});
    QCOMPARE(Shown(p, 1213), QString());
    QCOMPARE(Usable(p), QStringLiteral("000100"));

    // Cancelling the file dialog changes nothing.
    SelectFile(p, QString());
    QCOMPARE(Shown(p, 1198), untagged);

    // Back to the good image, then Execute: the device's boot ROM takes the image.
    SelectFile(p, image);
    QCOMPARE(Usable(p), QStringLiteral("000101"));
    const QString temp = QString::fromStdString(p->tempImagePath);
    QVERIFY(QFile::exists(temp));
    p->updatePauseMs = 10;
    auto& bt = p->Job().Addresses();
    bt.timing.restorePauseMs = 10;
    bt.timing.ackSettleMs = 10;
    bool ended = false, succeeded = false;
    p->onUpdateEnded = [&](bool success) { ended = true; succeeded = success; };
    QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
    QCOMPARE(Usable(p), QStringLiteral("000000"));
    QVERIFY(!w.Control(1)->isEnabled());
    QVERIFY(!w.Control(1095)->isEnabled());
    w.close();  // refused while the device is being flashed
    QVERIFY(w.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(ended, 60000);
    QVERIFY2(succeeded, qPrintable(Shown(p, 1233)));
    QCOMPARE(Shown(p, 1233), Text(411));
    QCOMPARE(Shown(p, 1234), QStringLiteral("100%"));
    QCOMPARE(FindControl<QProgressBar>(p, 1093)->value(), 100);
    QCOMPARE(Shown(p, 1237), Text(401));  // kind 7 keeps the warning line
    QCOMPARE(Usable(p), QStringLiteral("000000"));
    QTRY_VERIFY(w.Control(1)->isEnabled());
    QVERIFY(w.Control(1095)->isEnabled());
    QVERIFY(!QFile::exists(temp));
    QVERIFY(messages_.size() == 1);
    // The address was asked before and written back after.
    QVERIFY(vdev.CountReceived("$PMTK492*3D") >= 1);
    QCOMPARE(QString::fromStdString(bt.LastWrittenSentence()).left(9), QStringLiteral("$PMTK392,"));
  }

  void portListFollowsPlugging() {
    TempDir ports;
    ScopedEnv env("DIVUZO_VPORT_DIR", ports.path().string());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    PageDeviceSetting* p = w.UpdatePage();
    // Only the virtual ports, as on a computer without serial ports of its own.
    p->listPorts = [](SerialPortList& list) {
      list.clear();
      for (const auto& port : ListVirtualPorts())
        list.push_back({port.path, port.path, port.friendlyName, 0, ""});
    };
    auto* list = FindControl<QComboBox>(p, 1116);
    {
      // Plugged in while the window is open: the list has it, without a click.
      VdevProcess vdev({"--model", "ZID310"}, ports.path().string());
      QVERIFY(vdev.Started());
      const QString path = QString::fromStdString(vdev.PortPath());
      QTRY_COMPARE_WITH_TIMEOUT(list->findData(path), 0, 5000);
      QCOMPARE(list->count(), 1);
      QCOMPARE(Shown(p, 1003), Text(309));
      // Pulled out: gone again, and the page says to plug the unit in and switch it on.
      vdev.Stop();
      QTRY_COMPARE_WITH_TIMEOUT(list->count(), 0, 5000);
      QCOMPARE(Shown(p, 1003), Text(309) + "\n" + Text(919));
      QTest::mouseClick(FindControl<QPushButton>(p, 1005), Qt::LeftButton);
      QCOMPARE(Shown(p, 1003), Text(449) + "\n" + Text(919));
    }
    // Plugged in again after Auto Detect: it can be chosen from the list.
    VdevProcess vdev({"--model", "ZID310"}, ports.path().string());
    QVERIFY(vdev.Started());
    QTRY_COMPARE_WITH_TIMEOUT(list->findData(QString::fromStdString(vdev.PortPath())), 0, 5000);
    QCOMPARE(Shown(p, 1003), Text(449));
    list->setCurrentIndex(0);
    QCOMPARE(LinkPort(p), QString::fromStdString(vdev.PortPath()));
  }

  void typedPortThatDoesNotExist() {
    if (RealBridgeAttached()) QSKIP("a USB serial bridge is attached");
    TempDir empty;
    ScopedEnv env("DIVUZO_VPORT_DIR", empty.path().string());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    PageDeviceSetting* p = w.UpdatePage();
    p->Session().timing.queryPolls = 3;
    p->OnAutoDetect();
    const QString missing = QString::fromStdString((empty.path() / "ttyUSB9").string());
    FindControl<QComboBox>(p, 1116)->setEditText(missing);
    QCOMPARE(LinkPort(p), missing);
    QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
    QVERIFY(WaitIdentificationEnd(p));
    // The user learns why, in the program's language: the port is not there. Nothing timed out.
    QCOMPARE(Shown(p, 1003), Text(kTextPortNotFound));
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(messages_[0], Text(300) + "|" + missing + "\n" + Text(kTextPortNotFound));
    // Another port can be chosen, or the same one tried again.
    QCOMPARE(Usable(p), QStringLiteral("011010"));
  }

  void manualPortAndForcedUpdateWithoutFile() {
    if (RealBridgeAttached()) QSKIP("a USB serial bridge is attached");
    // A device on a port whose name is no known bridge, answering nothing.
    DiscoverableVdev vdev({"--silent", "--name", "Virtual serial port ({path})"});
    QVERIFY(vdev.Started());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    PageDeviceSetting* p = w.UpdatePage();
    p->Session().timing.queryPolls = 3;
    p->Session().timing.disconnectPauseMs = 10;

    QTest::mouseClick(FindControl<QPushButton>(p, 1005), Qt::LeftButton);
    QCOMPARE(Shown(p, 1003), Text(449));
    QCOMPARE(Usable(p), QStringLiteral("011000"));

    // The list offers the virtual port by its name; a typed path is taken as well.
    auto* list = FindControl<QComboBox>(p, 1116);
    const int index = list->findText(QString::fromStdString("Virtual serial port (" + vdev.PortPath() + ")"));
    QVERIFY(index >= 0);
    list->setCurrentIndex(index);
    QCOMPARE(list->currentText(), QString::fromStdString(vdev.PortPath()));
    QCOMPARE(LinkPort(p), QString::fromStdString(vdev.PortPath()));
    list->setEditText(QStringLiteral("/dev/ttyUSB7"));
    QCOMPARE(LinkPort(p), QStringLiteral("/dev/ttyUSB7"));
    // Enter confirms the typed path and leaves the window open.
    QTest::keyClick(list->lineEdit(), Qt::Key_Return);
    QVERIFY(w.isVisible());
    QCOMPARE(list->currentText(), QStringLiteral("/dev/ttyUSB7"));
    list->setEditText(QString::fromStdString(vdev.PortPath()));

    // "Default All" (hidden button 1002 of the window) puts the page's choice back to the
    // first entry without touching the stored link settings.
    const int before = list->currentIndex();
    FindControl<QPushButton>(&w, 1002)->click();
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(LinkPort(p), QString::fromStdString(vdev.PortPath()));
    list->setCurrentIndex(before);
    QCOMPARE(list->currentText(), QString::fromStdString(vdev.PortPath()));

    QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
    QVERIFY(WaitIdentificationEnd(p));
    QCOMPARE(Shown(p, 1003), Text(315));
    QCOMPARE(Usable(p), QStringLiteral("011010"));
    QVERIFY(vdev.CountReceived("$PPLM810*38") >= 1);  // the device was asked, on the chosen port
    QVERIFY(!p->HoldsOpenPort());

    QTest::mouseClick(FindControl<QPushButton>(p, 1239), Qt::LeftButton);
    QCOMPARE(Shown(p, 1237), Text(452));
    QCOMPARE(Usable(p), QStringLiteral("001111"));
    QCOMPARE(p->Session().device.kind, DeviceKind::ZID300);
    QCOMPARE(p->Session().device.modelName, std::string("KRB-1"));

    // Execute without a file: message 412, and the page is not left stuck: a file can be
    // chosen, the unit connected again or another port picked.
    QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
    QCOMPARE(messages_, QStringList{Text(300) + QStringLiteral("|") + Text(412)});
    QCOMPARE(Usable(p), QStringLiteral("011110"));
    QVERIFY(w.Control(1)->isEnabled());
  }
};

QTEST_MAIN(UpdatePageTest)
#include "UpdatePageTest.moc"
