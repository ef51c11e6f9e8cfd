#pragma once
// Demonstration mode: the virtual device (divuzo-vdev) runs as a child process on a private
// port folder, so that the port list finds it, and a copy of the sample image waits in a
// private folder for Select File. Everything goes away with this object.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace divuzo {

class DemoDevice {
public:
  DemoDevice();
  ~DemoDevice();  // stops the device
  DemoDevice(const DemoDevice&) = delete;
  DemoDevice& operator=(const DemoDevice&) = delete;

  // Starts the device and points port discovery at it (DIVUZO_VPORT_DIR). False with a
  // message for the user when it cannot.
  bool Start(QString* error);
  void Stop();

  // The device's pseudo-terminal, once started.
  const QString& PortPath() const { return portPath_; }
  qint64 ProcessId() const { return process_.processId(); }
  // Folder holding a copy of the sample image (empty when none was found).
  const QString& SampleFolder() const { return sampleFolder_; }

  // divuzo-vdev beside the program, else on PATH; empty when neither exists.
  static QString FindVirtualDevice();
  // The sample image made by the build (bin/sample) or installed (share/divuzovuzov/sample).
  static QString FindSampleImage();

private:
  QTemporaryDir dir_;
  QProcess process_;
  QString portPath_;
  QString sampleFolder_;
};

} // namespace divuzo
