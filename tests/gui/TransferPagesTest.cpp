// The GPS status page (129), the track-log setting page (130) and the waypoint page (134):
// their start-up state, the unit conversion and the log-by switch, Apply, Read, Upload and
// Clear against the virtual device in the same process, and a waypoint download at line rate
// during which the window keeps handling events.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "PauseClock.h"
#include "TempDir.h"
#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/PageHost.h"
#include "app/ui/StopMessage.h"
#include "engine/InProcessDevice.h"
#include "serial/DeviceSession.h"
#include "serial/ui/PageGPSStatus.h"
#include "trackdata/ui/PageTrackLogSetting.h"
#include "trackdata/ui/PageWayPointSetting.h"

#include <memory>
#include <random>

using namespace divuzo;

namespace {

// The window as the pages see it: a session on the virtual device, and the busy count.
class TestHost : public PageHost {
 public:
  explicit TestHost(LinkClock& clock, vdev::DeviceOptions options = {}) {
    options.blockTransfer.enabled = true;
    device = std::make_unique<vdev::InProcessDevice>(options, clock);
    device->Attach(session);
  }
  ~TestHost() override { session.Reset(); }
  DeviceSession& Session() override { return session; }
  void EnableWindowControls(std::initializer_list<int>, bool) override {}
  void SetUpdateTabEnabled(bool) override {}
  void ShowDeviceKindPicture() override {}
  void DeviceIdentified() override {}
  void DeviceWorkStarted() override { ++busy; }
  void DeviceWorkEnded() override { --busy; }

  SerialPortList Ports() const {
    SerialPortInfo info;
    info.devicePath = info.portName = device->Path();
    info.friendlyName = "Prolific USB-to-Serial Comm Port (" + device->Path() + ")";
    return {info};
  }

  DeviceSession session;
  std::unique_ptr<vdev::InProcessDevice> device;
  int busy = 0;
};

template <typename T>
T* Control(QWidget* page, int id) {
  T* control = FindControl<T>(page, id);
  if (!control) qFatal("control %d missing", id);
  return control;
}

// Clicks near the left edge, where a radio's or check box's indicator is.
void Click(QWidget* page, int id) {
  QAbstractButton* button = Control<QAbstractButton>(page, id);
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

QByteArray RandomBytes(int size, unsigned seed) {
  std::mt19937 random(seed);
  QByteArray bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  return bytes.replace("\r\n", "\rn");
}

void WriteFile(const std::filesystem::path& path, const QByteArray& bytes) {
  QFile file(QString::fromStdString(path.string()));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray ReadFile(const std::filesystem::path& path) {
  QFile file(QString::fromStdString(path.string()));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TransferPagesTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    SetStopMessageHandler([this](const QString&, const QString& text) { messages << text; });
    messages.clear();
  }
  void cleanup() { SetStopMessageHandler({}); }

  void gpsStatusStartsOnPlusEightWithHotStart() {
    PageGPSStatus page;
    page.OnInitDialog();
    QVERIFY(page.isHidden());
    auto* zones = Control<QComboBox>(&page, 1013);
    QCOMPARE(zones->count(), 25);
    QCOMPARE(zones->itemText(0), QStringLiteral("+12"));
    QCOMPARE(zones->itemText(12), QStringLiteral("0"));
    QCOMPARE(zones->itemText(24), QStringLiteral("-12"));
    QCOMPARE(zones->currentText(), QStringLiteral("+8"));
    QVERIFY(Control<QRadioButton>(&page, 1026)->isChecked());
    for (int other : {1027, 1028, 1012}) QVERIFY(!Control<QRadioButton>(&page, other)->isChecked());
    // The radios are one group: choosing another clears Hot Start.
    Click(&page, 1028);
    QVERIFY(!Control<QRadioButton>(&page, 1026)->isChecked());
    QCOMPARE(Control<QLineEdit>(&page, 1016)->text(), QStringLiteral("2006/12/04 04:00:00"));
    QCOMPARE(Control<QLineEdit>(&page, 1018)->text(), QStringLiteral("2006/12/04 12:00:00"));
    QCOMPARE(Control<QLineEdit>(&page, 1008)->text(), QStringLiteral("24.997132 N"));
    QVERIFY(!Control<QPushButton>(&page, 1001)->isEnabled());
    page.PageCommand(PAGE_DEFAULT);
    QCOMPARE(zones->currentText(), QStringLiteral("+8"));
  }

  void trackLogUnitsAndLogBySwitch() {
    PageTrackLogSetting page;
    page.OnInitDialog();
    auto* time = Control<QLineEdit>(&page, 1005);
    auto* distance = Control<QLineEdit>(&page, 1006);
    QVERIFY(Control<QCheckBox>(&page, 1001)->isChecked());
    QVERIFY(Control<QRadioButton>(&page, 1003)->isChecked());
    QCOMPARE(time->text(), QStringLiteral("10"));
    QCOMPARE(distance->text(), QStringLiteral("100"));
    QVERIFY(time->isEnabled() && !distance->isEnabled() &&
            !Control<QRadioButton>(&page, 1015)->isEnabled());
    QCOMPARE(Control<QLabel>(&page, 1038)->text(), QStringLiteral("0%"));

    Click(&page, 1004);
    QVERIFY(!time->isEnabled() && distance->isEnabled());
    QVERIFY(Control<QRadioButton>(&page, 1014)->isEnabled() &&
            Control<QRadioButton>(&page, 1015)->isEnabled());
    distance->setText(QStringLiteral("33"));
    Click(&page, 1015);
    QCOMPARE(distance->text(), QStringLiteral("108"));
    QCOMPARE(Control<QLabel>(&page, 1033)->text(), QStringLiteral("Foot"));
    QVERIFY(page.FeetShown());
    Click(&page, 1014);
    QCOMPARE(distance->text(), QStringLiteral("32"));
    QCOMPARE(Control<QLabel>(&page, 1033)->text(), QStringLiteral("Meter"));

    Click(&page, 1003);
    QVERIFY(time->isEnabled() && !distance->isEnabled());
    // Default brings the page's values back; recording off disables the whole group.
    page.PageCommand(PAGE_DEFAULT);
    QCOMPARE(distance->text(), QStringLiteral("100"));
    Control<QCheckBox>(&page, 1001)->setChecked(false);
    emit Control<QCheckBox>(&page, 1001)->clicked(false);
    QVERIFY(!time->isEnabled() && !Control<QRadioButton>(&page, 1074)->isEnabled());
  }

  void applySendsOnlyChangesAndReadShowsTheDevice() {
    test::PauseClock clock;
    TestHost host(clock);
    PageTrackLogSetting page;
    page.SetHost(&host);
    page.OnInitDialog();
    page.PageCommand(PAGE_APPLY);
    QVERIFY(!page.IsWorking());
    QVERIFY(host.device->ReceivedSentences().empty());

    Control<QLineEdit>(&page, 1005)->setText(QStringLiteral("25"));
    Click(&page, 1073);
    page.PageCommand(PAGE_APPLY);
    QVERIFY(QTest::qWaitFor([&] { return !page.IsWorking(); }, 10000));
    QCOMPARE(host.device->ReceivedSentences(),
             (std::vector<std::string>{"$PMTK182,1,3,25*10", "$PMTK182,1,6,2*20"}));
    QCOMPARE(page.KnownValues().intervalSeconds, 25);
    QCOMPARE(Control<QLabel>(&page, 1050)->text(), TextOf(978));
    QVERIFY(!host.session.IsOpen());  // the line was opened for Apply and closed again
    QCOMPARE(host.busy, 0);
    // Applied once, not again.
    page.PageCommand(PAGE_APPLY);
    QVERIFY(!page.IsWorking());
    QCOMPARE(host.device->ReceivedSentences().size(), std::size_t(2));

    host.device->State().loggerParameters[3] = 0;
    host.device->State().loggerParameters[4] = 250;
    Click(&page, 1082);
    QVERIFY(QTest::qWaitFor([&] { return !page.IsWorking(); }, 10000));
    QCOMPARE(Control<QLabel>(&page, 1050)->text(), TextOf(978));
    QVERIFY(Control<QRadioButton>(&page, 1004)->isChecked());
    QCOMPARE(Control<QLineEdit>(&page, 1006)->text(), QStringLiteral("250"));
    QCOMPARE(Control<QLineEdit>(&page, 1005)->text(), QStringLiteral("0"));
    QVERIFY(Control<QRadioButton>(&page, 1073)->isChecked());
    QVERIFY(messages.isEmpty());

    // Clear erases the unit's log: asked first, and a No sends nothing.
    QStringList asked;
    bool answer = false;
    SetQuestionHandler([&](const QString&, const QString& text) {
      asked << text;
      return answer;
    });
    const std::size_t sentBefore = host.device->ReceivedSentences().size();
    Click(&page, 1007);
    QCOMPARE(asked, QStringList{TextOf(997)});
    QVERIFY(!page.IsWorking());
    QCOMPARE(host.device->ReceivedSentences().size(), sentBefore);
    answer = true;
    Click(&page, 1007);
    SetQuestionHandler({});
    QCOMPARE(asked.size(), 2);
    QVERIFY(QTest::qWaitFor([&] { return !page.IsWorking(); }, 10000));
    QVERIFY(host.device->ReceivedSentences().size() > sentBefore);
    QCOMPARE(Control<QLabel>(&page, 1048)->text(), TextOf(979));
    QCOMPARE(Control<QLabel>(&page, 1040)->text(), QStringLiteral("100%"));
  }

  void uploadStoresTheLogOrOnlyAPartialFile() {
    test::TempDir dir;
    const QByteArray log = RandomBytes(8 * 512, 21);
    WriteFile(dir / "log.bin", log);
    test::PauseClock clock;
    vdev::DeviceOptions options;
    options.blockTransfer.trackLogPath = (dir / "log.bin").string();
    auto host = std::make_unique<TestHost>(clock, options);
    PageTrackLogSetting page;
    page.SetHost(host.get());
    page.OnInitDialog();
    page.listPorts = [&] { return host->Ports(); };
    page.chooseSaveFile = [&](QWidget*) {
      return QString::fromStdString((dir / "day.trl").string());
    };
    Click(&page, 1036);
    QVERIFY(page.IsWorking());
    QVERIFY(!Control<QPushButton>(&page, 1082)->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return !page.IsWorking(); }, 10000));
    QCOMPARE(ReadFile(dir / "day.trl"), log);
    QCOMPARE(Control<QLabel>(&page, 1038)->text(), QStringLiteral("100%"));
    QCOMPARE(Control<QLabel>(&page, 1048)->text(), TextOf(975));
    QVERIFY(Control<QPushButton>(&page, 1082)->isEnabled());
    QVERIFY(messages.isEmpty());

    // The device aborts after block 2: the message names the partial file; no day2.trl.
    options.blockTransfer.abortBlock = 2;
    host = std::make_unique<TestHost>(clock, options);
    page.SetHost(host.get());
    page.chooseSaveFile = [&](QWidget*) {
      return QString::fromStdString((dir / "day2.trl").string());
    };
    Click(&page, 1036);
    QVERIFY(QTest::qWaitFor([&] { return !page.IsWorking(); }, 10000));
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].startsWith(TextOf(107)));
    QVERIFY(messages[0].contains(QString::fromStdString((dir / "day2.trl.partial").string())));
    QVERIFY(!std::filesystem::exists(dir / "day2.trl"));
    QCOMPARE(ReadFile(dir / "day2.trl.partial"), log.left(3 * 512));
    page.SetHost(nullptr);
  }

  void waypointDownloadKeepsTheWindowAlive() {
    test::TempDir dir;
    const QByteArray map = RandomBytes(24 * 1024, 22);  // about 2 s at 115200
    WriteFile(dir / "area.mpt", map);
    vdev::DeviceOptions options;
    options.blockTransfer.lineRate = true;
    options.blockTransfer.receivedPath = (dir / "received.bin").string();
    TestHost host(LinkClock::System(), options);
    PageWayPointSetting page;
    page.SetHost(&host);
    page.OnInitDialog();
    QCOMPARE(Control<QLineEdit>(&page, 1031)->text(), QStringLiteral("Default File Name"));
    QCOMPARE(Control<QLineEdit>(&page, 1035)->text(), QStringLiteral("Default File Version"));
    QCOMPARE(Control<QLineEdit>(&page, 1034)->text(), QStringLiteral("Default File Date"));
    page.listPorts = [&] { return host.Ports(); };
    page.chooseFile = [&](QWidget*) { return QString::fromStdString((dir / "area.mpt").string()); };

    // While the transfer runs the event loop keeps turning: timer ticks, and the percentage
    // label passes through values between 0 and 100.
    int ticks = 0;
    QSet<QString> shown;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] {
      ++ticks;
      shown << Control<QLabel>(&page, 1038)->text();
    });
    timer.start(50);
    Click(&page, 1000);
    QCOMPARE(Control<QLineEdit>(&page, 1031)->text(), QStringLiteral("area.mpt"));
    QVERIFY(Control<QLineEdit>(&page, 1034)
                ->text()
                .contains(QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d (AM|PM)$")));
    QVERIFY(!Control<QPushButton>(&page, 1000)->isEnabled());
    QVERIFY(!Control<QPushButton>(&page, 1240)->isHidden());  // the stop button is offered
    QCOMPARE(host.busy, 1);
    QVERIFY(QTest::qWaitFor([&] { return !page.IsTransferring(); }, 30000));
    timer.stop();
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    shown.remove(QStringLiteral("0%"));
    shown.remove(QStringLiteral("100%"));
    QVERIFY2(shown.size() >= 3, qPrintable(QStringList(shown.values()).join(',')));
    QCOMPARE(Control<QLabel>(&page, 1038)->text(), QStringLiteral("100%"));
    QCOMPARE(Control<QLabel>(&page, 1048)->text(), TextOf(973));
    QCOMPARE(ReadFile(dir / "received.bin"), map);
    QVERIFY(Control<QPushButton>(&page, 1000)->isEnabled());
    QVERIFY(Control<QPushButton>(&page, 1240)->isHidden());
    QCOMPARE(host.busy, 0);
  }

 private:
  QStringList messages;
};

QTEST_MAIN(TransferPagesTest)
#include "TransferPagesTest.moc"
