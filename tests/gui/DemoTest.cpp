// The program itself in demonstration mode: it starts the virtual device, walks through the
// update page's first steps for the screenshot, and leaves no device process behind.
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <csignal>
#include <cerrno>

#include "TempDir.h"

class DemoTest : public QObject {
  Q_OBJECT

private slots:
  void demoRunsTheDeviceAndStopsIt() {
    divuzo::test::TempDir dir;
    const QString shot = QString::fromStdString((dir / "window.png").string());
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(DIVUZO_BINARY_DIR "/bin/divuzovuzov"),
                  {QStringLiteral("--demo"), QStringLiteral("--screenshot"), shot});
    QVERIFY(program.waitForStarted());
    QVERIFY(program.waitForFinished(90000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    const QString log = QString::fromLocal8Bit(program.readAllStandardError());
    const QRegularExpression started(QStringLiteral("demonstration device on (/dev/\\S+) \\(pid (\\d+)\\)"));
    const auto match = started.match(log);
    QVERIFY2(match.hasMatch(), qPrintable(log));
    const pid_t device = static_cast<pid_t>(match.captured(2).toLongLong());
    QVERIFY(device > 0);
    // The device was a child of the program and ended with it.
    QCOMPARE(::kill(device, 0), -1);
    QCOMPARE(errno, ESRCH);

    const QImage picture(shot);
    QVERIFY(!picture.isNull());
    QVERIFY(picture.width() > 400 && picture.height() > 400);
  }
};

QTEST_MAIN(DemoTest)
#include "DemoTest.moc"
