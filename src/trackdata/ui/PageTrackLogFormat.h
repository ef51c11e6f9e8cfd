#pragma once
// Format conversion page (dialog 136): one ".trl" file to text, KML, NMEA and GPX files beside
// it. Created hidden by the main window. The conversion itself runs in the core on a worker
// thread (PageWorker); the page shows its progress and result.
#include "app/ui/PageBase.h"
#include "trackdata/TrackConversion.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace divuzo {

class PageWorker;

class PageTrackLogFormat : public PageBase {
  Q_OBJECT
public:
  explicit PageTrackLogFormat(QWidget* parent = nullptr);
  ~PageTrackLogFormat() override;

  // Page state (read by tests and by the window).
  const QString& SourcePath() const { return sourcePath_; }
  int TimeZoneOffset() const { return timeZoneOffset_; }
  OutputFormat CurrentOutputFormat() const { return outputFormat_; }
  bool WantText() const { return wantText_; }
  bool WantKml() const { return wantKml_; }
  bool WantNmea() const { return wantNmea_; }
  bool WantGpx() const { return wantGpx_; }
  bool IsConverting() const { return converting_; }

  // What Browse does after the file dialog: takes the path and shows it in box 1075.
  void SetSourcePath(const QString& path);

public slots:
  void OnBrowse();
  void OnConvert();

signals:
  // Emitted on the GUI thread when a conversion ends (ok false on failure).
  void conversionFinished(bool ok);

protected:
  void OnPageDefault() override;

private:
  void OnTimeZoneSelected(int index);
  void OnCheckBoxChanged();
  void FinishConversion(const ConversionResult& result);

  QLineEdit* sourceEdit_ = nullptr;     // 1075
  QPushButton* browseButton_ = nullptr; // 1074
  QComboBox* timeZoneList_ = nullptr;   // 1085
  QCheckBox* textBox_ = nullptr;        // 1152
  QCheckBox* kmlBox_ = nullptr;         // 1153
  QCheckBox* nmeaBox_ = nullptr;        // 1154
  QCheckBox* gpxBox_ = nullptr;         // 1155
  QPushButton* convertButton_ = nullptr; // 1065
  QLabel* statusText_ = nullptr;        // 1066
  QProgressBar* progress_ = nullptr;

  QString sourcePath_;
  int timeZoneOffset_ = 0;
  bool wantText_ = false, wantKml_ = true, wantNmea_ = false, wantGpx_ = false;
  OutputFormat outputFormat_ = OutputFormat::Kml;
  bool converting_ = false;
  PageWorker* worker_ = nullptr;
  ConversionResult result_;  // written by the worker, read when it ended
};

} // namespace divuzo
