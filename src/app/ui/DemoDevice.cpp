#include "app/ui/DemoDevice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cmath>

#include "trackdata/TrackPointRecord.h"

namespace divuzo {

namespace {
constexpr int kStartTimeoutMs = 5000;
constexpr int kStopTimeoutMs = 3000;
// Model, firmware and Bluetooth address the unit to update reports.
const QStringList kUpdateArgs = {QStringLiteral("--model"), QStringLiteral("ZID310"),
                                 QStringLiteral("--firmware"), QStringLiteral("123"),
                                 QStringLiteral("--bt-address"), QStringLiteral("00:1B:C1:31:00:01")};

// A walk of 192 points, one a second, round the Imperial Palace in Tokyo: six blocks of the
// block transfer's 512 bytes.
QByteArray DemoTrackLog() {
  constexpr int kPoints = 192;
  constexpr std::int32_t kStart = 1767225600;  // 2026-01-01 00:00:00 UTC
  QByteArray log;
  for (int i = 0; i < kPoints; ++i) {
    const double angle = 2.0 * M_PI * i / kPoints;
    const TrackPointRecord r =
        EncodeRecord(kStart + i, static_cast<float>(35.6852 + 0.008 * std::sin(angle)),
                     static_cast<float>(139.7528 + 0.010 * std::cos(angle)), 25.0f);
    log.append(reinterpret_cast<const char*>(r.bytes.data()), static_cast<int>(r.bytes.size()));
  }
  return log;
}
} // namespace

DemoDevice::Kind DemoDevice::KindForPage(const QString& page) {
  if (page == QStringLiteral("logger")) return Kind::Logger;
  if (page == QStringLiteral("waypoint") || page == QStringLiteral("tracklog-setting") ||
      page == QStringLiteral("gps-status"))
    return Kind::BlockTransfer;
  return Kind::Update;
}

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

bool DemoDevice::Start(Kind kind, QString* error) {
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
  QStringList args = kUpdateArgs;
  if (kind == Kind::Logger) {
    args = {QStringLiteral("--model"), QStringLiteral("TR410")};
  } else if (kind == Kind::BlockTransfer) {
    trackLogPath_ = QDir(dir_.path()).filePath(QStringLiteral("tracklog.bin"));
    QFile log(trackLogPath_);
    if (!log.open(QIODevice::WriteOnly) || log.write(DemoTrackLog()) < 0 || !log.flush()) {
      *error = QStringLiteral("Cannot write the demonstration track log %1.").arg(trackLogPath_);
      return false;
    }
    args = {QStringLiteral("--block-transfer"), QStringLiteral("--tracklog"), trackLogPath_,
            QStringLiteral("--received"), QDir(dir_.path()).filePath(QStringLiteral("received.bin"))};
  }
  process_.start(vdev, args);
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
