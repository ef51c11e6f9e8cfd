#include "app/ui/DemoDevice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace divuzo {

namespace {
constexpr int kStartTimeoutMs = 5000;
constexpr int kStopTimeoutMs = 3000;
// Model, firmware and Bluetooth address the demonstration device reports.
const QStringList kDeviceArgs = {QStringLiteral("--model"), QStringLiteral("ZID310"),
                                 QStringLiteral("--firmware"), QStringLiteral("123"),
                                 QStringLiteral("--bt-address"), QStringLiteral("00:1B:C1:31:00:01")};
} // namespace

DemoDevice::DemoDevice() = default;

DemoDevice::~DemoDevice() { Stop(); }

QString DemoDevice::FindVirtualDevice() {
  const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("divuzo-vdev"));
  if (QFileInfo(beside).isExecutable()) return beside;
  return QStandardPaths::findExecutable(QStringLiteral("divuzo-vdev"));
}

QString DemoDevice::FindSampleImage() {
  const QDir program(QCoreApplication::applicationDirPath());
  const QStringList folders = {program.filePath(QStringLiteral("sample")),
                               program.filePath(QStringLiteral("../share/divuzovuzov/sample")),
                               QStringLiteral(DIVUZO_DATADIR "/sample")};
  for (const QString& folder : folders) {
    const QStringList images = QDir(folder).entryList({QStringLiteral("*.bin")}, QDir::Files, QDir::Name);
    if (!images.isEmpty()) return QDir(folder).filePath(images.first());
  }
  return {};
}

bool DemoDevice::Start(QString* error) {
  if (!dir_.isValid()) {
    *error = QStringLiteral("Cannot make a temporary folder for the demonstration device.");
    return false;
  }
  const QString vdev = FindVirtualDevice();
  if (vdev.isEmpty()) {
    *error = QStringLiteral("divuzo-vdev was found neither beside the program nor on PATH.");
    return false;
  }
  const QString ports = QDir(dir_.path()).filePath(QStringLiteral("ports"));
  QDir().mkpath(ports);
  // Announcements are taken only from a folder that nobody else can write to.
  QFile::setPermissions(ports,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  // Discovery in this process and the device's announcement meet in the private folder.
  qputenv("DIVUZO_VPORT_DIR", QFile::encodeName(ports));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DIVUZO_VPORT_DIR"), ports);
  process_.setProcessEnvironment(env);
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(vdev, kDeviceArgs);
  if (!process_.waitForStarted(kStartTimeoutMs)) {
    *error = QStringLiteral("divuzo-vdev could not be started: %1").arg(process_.errorString());
    return false;
  }
  // The first line of its output is the port's path; it is announced by then.
  while (!process_.canReadLine() && process_.waitForReadyRead(kStartTimeoutMs)) {}
  portPath_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
  if (portPath_.isEmpty()) {
    *error = QStringLiteral("divuzo-vdev did not report its port.");
    Stop();
    return false;
  }

  // Select File writes the image's payload beside the image, so the sample is copied into a
  // folder of our own (the installed one is read-only).
  const QString sample = FindSampleImage();
  if (!sample.isEmpty()) {
    const QString folder = QDir(dir_.path()).filePath(QStringLiteral("sample"));
    QDir().mkpath(folder);
    if (QFile::copy(sample, QDir(folder).filePath(QFileInfo(sample).fileName()))) sampleFolder_ = folder;
  }
  return true;
}

void DemoDevice::Stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(kStopTimeoutMs)) {
    process_.kill();
    process_.waitForFinished(kStopTimeoutMs);
  }
}

} // namespace divuzo
