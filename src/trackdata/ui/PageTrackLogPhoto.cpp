#include "trackdata/ui/PageTrackLogPhoto.h"

#include "app/UtilityManager.h"
#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/HListBox.h"
#include "app/ui/PageWorker.h"
#include "app/ui/StopMessage.h"
#include "trackdata/PhotoTexts.h"
#include "trackdata/ui/PhotoCSDlg.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace divuzo {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// Labels of this program's own beside the two path boxes.
constexpr int kTextTrackFileLabel = 902;
constexpr int kTextPhotoFolderLabel = 903;

} // namespace

PageTrackLogPhoto::PageTrackLogPhoto(QWidget* parent) : PageBase(135, parent) {
  DialogTemplate t(this, QStringLiteral("Arial"), 10, 320, 165);
  t.Static(-1, 12, 12, 90, 10, kTextTrackFileLabel);
  trackPath_ = t.Edit(1078, 105, 10, 180, 12);
  QPushButton* browseTrack = t.Button(1077, 288, 10, 20, 12);
  browseTrack->setText(QStringLiteral("..."));
  t.Static(-1, 12, 28, 90, 10, kTextPhotoFolderLabel);
  photoFolder_ = t.Edit(1050, 105, 26, 180, 12);
  QPushButton* browseFolder = t.Button(1051, 288, 26, 20, 12);
  browseFolder->setText(QStringLiteral("..."));
  // The template's own captions.
  settings_ = t.Button(1095, 12, 44, 100, 14);
  settings_->setText(QStringLiteral("Photo Combine Setting..."));
  convert_ = t.Button(1058, 240, 44, 68, 14);
  convert_->setText(QStringLiteral("Convert"));
  status_ = t.Static(1059, 12, 62, 296, 10);
  messages_ = new HListBox(this);
  SetControlId(messages_, 1124);
  messages_->setGeometry(t.Units().ToPixels(12, 76, 296, 60));
  summary_ = t.Static(1125, 12, 140, 296, 20);
  worker_ = new PageWorker(this);

  connect(browseTrack, &QPushButton::clicked, this, &PageTrackLogPhoto::BrowseTrackFile);
  connect(browseFolder, &QPushButton::clicked, this, &PageTrackLogPhoto::BrowsePhotoFolder);
  connect(settings_, &QPushButton::clicked, this, &PageTrackLogPhoto::OpenSettings);
  connect(convert_, &QPushButton::clicked, this, &PageTrackLogPhoto::ConvertPhotos);

  timeZoneOffset_ = theUtilityManager.GetTimeZoneHours();
}

PageTrackLogPhoto::~PageTrackLogPhoto() { worker_->Wait(); }

bool PageTrackLogPhoto::IsRunning() const { return worker_->Running(); }

void PageTrackLogPhoto::BrowseTrackFile() {
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QStringLiteral("trl"));
  dialog.setNameFilter(QStringLiteral("*.trl"));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    trackPath_->setText(dialog.selectedFiles().first());
  }
}

void PageTrackLogPhoto::BrowsePhotoFolder() {
  const QString folder = QFileDialog::getExistingDirectory(this, QString(), photoFolder_->text());
  if (!folder.isEmpty()) photoFolder_->setText(folder);
}

void PageTrackLogPhoto::OpenSettings() {
  PhotoCSDlg dialog(this);
  if (dialog.exec() == QDialog::Accepted) {
    timeZoneOffset_ = dialog.TimeZoneOffset();
    calibrationSeconds_ = dialog.CalibrationSeconds();
  }
}

void PageTrackLogPhoto::ConvertPhotos() {
  if (IsRunning()) return;
  if (trackPath_->text().isEmpty()) {
    ShowStopMessage(this, TextOf(kPhotoTextNoTrackFile));
    return;
  }
  if (photoFolder_->text().isEmpty()) {
    ShowStopMessage(this, TextOf(kPhotoTextNoPhotoFolder));
    return;
  }
  QString kml;
  if (savePath_) {
    kml = savePath_();
  } else {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("kml"));
    dialog.setNameFilter(QStringLiteral("*.kml"));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
      kml = dialog.selectedFiles().first();
    }
  }
  if (kml.isEmpty()) return;

  status_->setText(TextOf(kPhotoTextConverting));
  messages_->ResetContent();
  summary_->clear();
  convert_->setEnabled(false);
  settings_->setEnabled(false);

  PhotoSettings settings;
  settings.timeZoneHours = timeZoneOffset_;
  settings.calibrationSeconds = calibrationSeconds_;
  settings.writeGps = theUtilityManager.writeGpsInPhoto.load() != 0;
  const std::filesystem::path track = trackPath_->text().toStdString();
  const std::filesystem::path folder = photoFolder_->text().toStdString();
  const std::filesystem::path output = kml.toStdString();
  report_ = {};
  worker_->Start(
      [this, track, folder, output, settings] {
        runOk_ = divuzo::ConvertPhotos(track, folder, output, settings, report_);
        return runOk_ ? Status::Success(kPhotoTextConverted) : Status::Failure(StatusCode::Failed, 0, report_.error);
      },
      {}, [this](const Status&) { RunFinished(); });
}

void PageTrackLogPhoto::RunFinished() {
  for (const auto& line : report_.listLines) messages_->AddString(Text(line));
  QStringList summary;
  for (const auto& line : report_.summary) summary << Text(line);
  summary_->setText(summary.join(QLatin1Char('\n')));
  convert_->setEnabled(true);
  settings_->setEnabled(true);
  if (runOk_) {
    status_->setText(TextOf(kPhotoTextConverted));
  } else {
    status_->setText(Text(report_.error));
    ShowStopMessage(this, Text(report_.error));
  }
  emit ConvertFinished(runOk_);
}

void PageTrackLogPhoto::OnPageDefault() {
  theUtilityManager.SetTimeZoneHours(0);
  theUtilityManager.SetPhotoCalibration(0, 0, 0, 0);
  theUtilityManager.settingsReset = 1;
  timeZoneOffset_ = 0;
  calibrationSeconds_ = 0;
}

} // namespace divuzo
