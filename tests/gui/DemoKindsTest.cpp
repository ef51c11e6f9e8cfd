// The demonstration devices of the logger and the transfer pages: each is found where the
// page looks for it and does the page's job, and it goes away with the demonstration.
#include <QFile>
#include <QtTest>

#include <csignal>
#include <cerrno>

#include "TempDir.h"
#include "app/ui/DemoDevice.h"
#include "serial/DeviceSession.h"
#include "serial/LoggerConnection.h"
#include "serial/PortChoice.h"
#include "trackdata/TrackLogReceive.h"
#include "trackdata/TrackPointRecord.h"
#include "trackdata/TransferPortSearch.h"

using namespace divuzo;

class DemoKindsTest : public QObject {
  Q_OBJECT

  // The port the pages find without being told one: the first known bridge.
  static std::string FoundPort() {
    std::string port;
    return FindKnownBridgePort(port) ? port : std::string();
  }

private slots:
  void pagesChooseTheirDevice() {
    QCOMPARE(DemoDevice::KindForPage(QString()), DemoDevice::Kind::Update);
    QCOMPARE(DemoDevice::KindForPage(QStringLiteral("update")), DemoDevice::Kind::Update);
    QCOMPARE(DemoDevice::KindForPage(QStringLiteral("convert")), DemoDevice::Kind::Update);
    QCOMPARE(DemoDevice::KindForPage(QStringLiteral("logger")), DemoDevice::Kind::Logger);
    for (const char* page : {"waypoint", "tracklog-setting", "gps-status"})
      QCOMPARE(DemoDevice::KindForPage(QString::fromLatin1(page)), DemoDevice::Kind::BlockTransfer);
  }

  void loggerConnectsWithTracksInItsMemory() {
    qint64 pid = 0;
    {
      DemoDevice demo;
      QString error;
      QVERIFY2(demo.Start(DemoDevice::Kind::Logger, &error), qPrintable(error));
      pid = demo.ProcessId();
      const std::string port = FoundPort();
      QCOMPARE(QString::fromStdString(port), demo.PortPath());
      DeviceSession session;
      LoggerState logger;
      const LoggerConnectResult r = ConnectLogger(session, logger, port);
      QVERIFY2(r.connected, r.status.detail.c_str());
      QVERIFY(logger.usedEnd.has_value());
      QVERIFY(*logger.usedEnd > 0x10000);  // tracks to download
      QCOMPARE(session.device.kind, DeviceKind::T410);
      session.Close();
    }
    QCOMPARE(::kill(static_cast<pid_t>(pid), 0), -1);
    QCOMPARE(errno, ESRCH);
  }

  void transferUnitHandsOverItsTrackLog() {
    DemoDevice demo;
    QString error;
    QVERIFY2(demo.Start(DemoDevice::Kind::BlockTransfer, &error), qPrintable(error));
    const std::string port = FoundPort();
    QCOMPARE(QString::fromStdString(port), demo.PortPath());
    test::TempDir dir;
    DeviceSession session;
    const auto ports = TransferPortsFor(TransferKind::TrackLog, CurrentPortList(), port);
    const TrackLogReceiveResult r = ReceiveTrackLog(session, dir / "demo.trl", ports);
    QVERIFY2(r.status.Ok(), r.status.detail.c_str());
    QFile sent(demo.TrackLogPath());
    QVERIFY(sent.open(QIODevice::ReadOnly));
    const QByteArray log = sent.readAll();
    QCOMPARE(log.size() % 512, 0);
    QFile received(QString::fromStdString(r.written.string()));
    QVERIFY(received.open(QIODevice::ReadOnly));
    QCOMPARE(received.readAll(), log);
    // Every record is a good point one second after the one before it.
    for (int i = 0; i < log.size() / 16; ++i) {
      const TrackPointRecord record = RecordFromBytes(reinterpret_cast<const std::uint8_t*>(log.constData()) + 16 * i);
      QVERIFY(IsValidRecord(record));
      QCOMPARE(DecodeRecord(record).time, 1767225600 + i);
    }
  }
};

QTEST_MAIN(DemoKindsTest)
#include "DemoKindsTest.moc"
