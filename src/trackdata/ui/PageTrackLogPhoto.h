#pragma once
// Photo page (dialog 135): links the photos of a folder to a track log and writes the photo KML
// (and GPS-tagged copies). Created hidden by the main window. The work runs on a worker thread
// (PageWorker); the page shows the list lines and the summary when it ends.
#include "app/ui/PageBase.h"
#include "trackdata/PhotoGeotagger.h"

#include <QString>

#include <cstdint>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace divuzo {

class HListBox;
class PageWorker;

class PageTrackLogPhoto : public PageBase {
  Q_OBJECT
public:
  explicit PageTrackLogPhoto(QWidget* parent = nullptr);
  ~PageTrackLogPhoto() override;

  // Button 1058: checks the inputs, asks for the KML path and starts the run.
  void ConvertPhotos();

  int TimeZoneOffset() const { return timeZoneOffset_; }
  std::int64_t CalibrationSeconds() const { return calibrationSeconds_; }
  bool IsRunning() const;

  // Seam for tests: the KML save dialog.
  void SetSavePathProvider(std::function<QString()> provider) { savePath_ = std::move(provider); }

signals:
  void ConvertFinished(bool ok);

protected:
  void OnPageDefault() override;

private:
  void BrowseTrackFile();
  void BrowsePhotoFolder();
  void OpenSettings();
  void RunFinished();

  QLineEdit* trackPath_ = nullptr;     // 1078
  QLineEdit* photoFolder_ = nullptr;   // 1050
  QPushButton* convert_ = nullptr;     // 1058
  QPushButton* settings_ = nullptr;    // 1095
  QLabel* status_ = nullptr;           // 1059
  HListBox* messages_ = nullptr;       // 1124
  QLabel* summary_ = nullptr;          // 1125

  int timeZoneOffset_ = 0;
  std::int64_t calibrationSeconds_ = 0;
  std::function<QString()> savePath_;

  PageWorker* worker_ = nullptr;
  PhotoRunReport report_;
  bool runOk_ = false;
};

} // namespace divuzo
