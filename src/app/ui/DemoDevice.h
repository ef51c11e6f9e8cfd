#pragma once
// Demonstration mode: the virtual device (divuzo-vdev) runs as a child process on a private
// port folder, so that the port list finds it, and a copy of the sample image waits in a
// private folder for Select File. The device is the one the opened page talks to: a unit to
// update, a track logger, or a unit of the block transfer. Everything goes away with this object.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace divuzo {

class DemoDevice {
public:
  enum class Kind {
    Update,         // a ZID310 with firmware V1.23 and a Bluetooth address
    Logger,         // a TR410 track logger with 2 MiB of generated tracks
    BlockTransfer,  // a unit that takes waypoint files and hands over a track log
  };
  // The device for the page called `page` (a page-table name; empty: the update page).
  static Kind KindForPage(const QString& page);

  DemoDevice();
  ~DemoDevice();  // stops the device
  DemoDevice(const DemoDevice&) = delete;
  DemoDevice& operator=(const DemoDevice&) = delete;

  // Starts the device and points port discovery at it (DIVUZO_VPORT_DIR). False with a
  // message for the user when it cannot.
  bool Start(Kind kind, QString* error);
  void Stop();

  // The device's pseudo-terminal, once started.
  const QString& PortPath() const { return portPath_; }
  qint64 ProcessId() const { return process_.processId(); }
  // Folder holding a copy of the sample image (empty when none was found).
  const QString& SampleFolder() const { return sampleFolder_; }
  // The track log a block-transfer unit hands over (empty for the other kinds).
  const QString& TrackLogPath() const { return trackLogPath_; }

  // divuzo-vdev beside the program, else on PATH; empty when neither exists.
  static QString FindVirtualDevice();
  // The sample image made by the build (bin/sample) or installed (share/divuzovuzov/sample).
  static QString FindSampleImage();

private:
  QTemporaryDir dir_;
  QProcess process_;
  QString portPath_;
  QString sampleFolder_;
  QString trackLogPath_;
};

} // namespace divuzo
