#include "trackdata/ui/PageTrackLogPhoto.h"

#include "app/UtilityManager.h"
#include "app/ui/ControlId.h"
#include "app/ui/HListBox.h"
#include "app/ui/StopMessage.h"
#include "trackdata/PhotoTexts.h"
#include "trackdata/ui/PhotoCSDlg.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

namespace divuzo {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

} // namespace

PageTrackLogPhoto::PageTrackLogPhoto(QWidget* parent) : PageBase(135, parent) {
  trackPath_ = new QLineEdit(this);
  trackPath_->setObjectName(QStringLiteral("1078"));
  auto* browseTrack = new QPushButton(QStringLiteral("..."), this);
  browseTrack->setObjectName(QStringLiteral("1077"));
  photoFolder_ = new QLineEdit(this);
  photoFolder_->setObjectName(QStringLiteral("1050"));
  auto* browseFolder = new QPushButton(QStringLiteral("..."), this);
  browseFolder->setObjectName(QStringLiteral("1051"));
  settings_ = new QPushButton(QStringLiteral("Photo Combine Setting..."), this);
  settings_->setObjectName(QStringLiteral("1095"));
  convert_ = new QPushButton(QStringLiteral("Convert"), this);
  convert_->setObjectName(QStringLiteral("1058"));
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("1059"));
  messages_ = new HListBox(this);
  SetControlId(messages_, 1124);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("1125"));

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Track Log (.trl)"), this), 0, 0);
  layout->addWidget(trackPath_, 0, 1);
  layout->addWidget(browseTrack, 0, 2);
  layout->addWidget(new QLabel(QStringLiteral("Photo Folder"), this), 1, 0);
  layout->addWidget(photoFolder_, 1, 1);
  layout->addWidget(browseFolder, 1, 2);
  layout->addWidget(settings_, 2, 0);
  layout->addWidget(convert_, 2, 2);
  layout->addWidget(status_, 3, 0, 1, 3);
  layout->addWidget(messages_, 4, 0, 1, 3);
  layout->addWidget(summary_, 5, 0, 1, 3);

  connect(browseTrack, &QPushButton::clicked, this, &PageTrackLogPhoto::BrowseTrackFile);
  connect(browseFolder, &QPushButton::clicked, this, &PageTrackLogPhoto::BrowsePhotoFolder);
  connect(settings_, &QPushButton::clicked, this, &PageTrackLogPhoto::OpenSettings);
  connect(convert_, &QPushButton::clicked, this, &PageTrackLogPhoto::ConvertPhotos);

  timeZoneOffset_ = theUtilityManager.GetTimeZoneHours();
}

PageTrackLogPhoto::~PageTrackLogPhoto() {
  if (worker_ != nullptr) worker_->wait();
}

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
  if (worker_ != nullptr) return;
  if (trackPath_->text().isEmpty()) {
    ShowStopMessage(this, Text(PhotoText(kPhotoTextNoTrackFile)));
    return;
  }
  if (photoFolder_->text().isEmpty()) {
    ShowStopMessage(this, Text(PhotoText(kPhotoTextNoPhotoFolder)));
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

  status_->setText(Text(PhotoText(kPhotoTextConverting)));
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
  worker_ = QThread::create([this, track, folder, output, settings] {
    runOk_ = divuzo::ConvertPhotos(track, folder, output, settings, report_);
  });
  connect(worker_, &QThread::finished, this, &PageTrackLogPhoto::RunFinished);
  worker_->start();
}

void PageTrackLogPhoto::RunFinished() {
  worker_->deleteLater();
  worker_ = nullptr;
  for (const auto& line : report_.listLines) messages_->AddString(Text(line));
  QStringList summary;
  for (const auto& line : report_.summary) summary << Text(line);
  summary_->setText(summary.join(QLatin1Char('\n')));
  convert_->setEnabled(true);
  settings_->setEnabled(true);
  if (runOk_) {
    status_->setText(Text(PhotoText(kPhotoTextConverted)));
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
