// The update page and the unit's Bluetooth address, against the virtual device in the same
// process: when the address cannot be kept, the user is asked before anything is written and
// may stop there; an address that could not be written back is shown, not passed over.
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include <filesystem>

#include "UpdatePageDriver.h"
#include "app/ui/StopMessage.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "engine/InProcessDevice.h"
#include "serial/DeviceSession.h"
#include "update/FlashJob.h"

using namespace divuzo;
using namespace divuzo::test;
namespace fs = std::filesystem;

namespace {

bool Saw(vdev::InProcessDevice& device, const std::string& prefix) {
  for (const auto& line : device.LogLines())
    if (line.rfind(prefix, 0) == 0) return true;
  return false;
}

} // namespace

class AddressKeepingTest : public QObject {
  Q_OBJECT
  QStringList messages_;
  QStringList questions_;
  bool answer_ = false;

  // Connect, then `image` through Select File, then Execute; true once the update ended.
  bool Update(VaduzOdivozuDlg& w, const QString& image, bool connect = true) {
    PageDeviceSetting* p = w.UpdatePage();
    if (connect) {
      QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
      if (!WaitIdentificationEnd(p)) return false;
      SelectFile(p, image);
    }
    bool ended = false;
    p->onUpdateEnded = [&](bool) { ended = true; };
    QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
    return QTest::qWaitFor([&] { return ended; }, 20000);
  }

private slots:
  void init() {
    RecordStopMessages(messages_);
    AnswerQuestions(questions_, answer_);
  }
  void cleanup() {
    SetStopMessageHandler({});
    SetQuestionHandler({});
  }

  void settingsThatCannotKeepTheAddressAreAskedAbout() {
    TempDir empty, dir, config;
    ScopedEnv ports("DIVUZO_VPORT_DIR", empty.path().string());
    // The settings folder is a file: the address read from the unit cannot be stored.
    WriteFileBytes(config / "divuzovuzov", "in the way");
    ScopedEnv settings("XDG_CONFIG_HOME", config.path().string());
    const QString image = MakeImage(dir, QStringLiteral("ZID310_V124_PLM.bin"), "ZID310", "V1.24");
    QVERIFY(!image.isEmpty());
    vdev::DeviceOptions o;
    o.btAddress = {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06}};
    o.bootRom.flashDump = (dir / "flash.bin").string();
    vdev::InProcessDevice device(o);
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    UseInProcessDevice(w, device);
    PageDeviceSetting* p = w.UpdatePage();

    // Asked before anything is written; no: stopped, nothing written, the page usable.
    answer_ = false;
    QVERIFY(Update(w, image));
    QCOMPARE(questions_.size(), 1);
    QVERIFY(questions_[0].startsWith(Text(kTextAddressNotStored)));
    QVERIFY(questions_[0].contains(QString::fromStdString((config / "divuzovuzov").string())));
    QVERIFY(questions_[0].endsWith(Text(kTextAddressQuestion)));
    QCOMPARE(Shown(p, 1233), Text(kTextCancelled));
    QVERIFY(!Saw(device, "boot ROM:"));
    QVERIFY(!fs::exists(dir / "flash.bin"));
    QCOMPARE(Usable(p), QStringLiteral("011111"));
    QVERIFY(messages_.isEmpty());

    // Yes: flashed, and the address read before is written back.
    answer_ = true;
    QVERIFY(Update(w, image, false));
    QCOMPARE(questions_.size(), 2);
    QCOMPARE(Shown(p, 1233), Text(411));
    QVERIFY(fs::exists(dir / "flash.bin"));
    QCOMPARE(device.State().btAddress, (std::array<std::uint8_t, 6>{1, 2, 3, 4, 5, 6}));
    QTRY_VERIFY(w.Control(1)->isEnabled());
  }

  void addressThatCouldNotBeWrittenBackIsShown() {
    TempDir empty, dir;
    ScopedEnv ports("DIVUZO_VPORT_DIR", empty.path().string());
    const QString image = MakeImage(dir, QStringLiteral("ZID310_V124_PLM.bin"), "ZID310", "V1.24");
    QVERIFY(!image.isEmpty());
    // Another program takes the port after the flash and keeps it.
    vdev::DeviceOptions o;
    o.btAddress = {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06}};
    o.bootRom.busyAfterRestartMs = -1;
    vdev::InProcessDevice device(o);
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    UseInProcessDevice(w, device);
    PageDeviceSetting* p = w.UpdatePage();
    QVERIFY(Update(w, image));
    QVERIFY(questions_.isEmpty());
    // The image is in; the unit is without its address, and the warning line says so.
    QCOMPARE(Shown(p, 1233), Text(411));
    QCOMPARE(Shown(p, 1237), Text(kTextAddressNotRestored));
    QCOMPARE(p->UpdateOutcome().code, StatusCode::Failed);
    QCOMPARE(p->UpdateOutcome().reasonTextId, kTextPortBusy);
    QCOMPARE(device.CountReceived("$PMTK492*3D"), 1);
    QTRY_VERIFY(w.Control(1)->isEnabled());
  }
};

QTEST_MAIN(AddressKeepingTest)
#include "AddressKeepingTest.moc"
