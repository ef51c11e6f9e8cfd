#include "trackdata/ui/PageTrackLogFormat.h"

#include "app/UtilityManager.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/PageWorker.h"
#include "app/ui/StopMessage.h"
#include "trackdata/TimeZoneChoice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace divuzo {

PageTrackLogFormat::PageTrackLogFormat(QWidget* parent) : PageBase(136, parent) {
  DialogTemplate t(this, QStringLiteral("Arial"), 10, 320, 170);
  t.GroupBox(1062, 5, 5, 310, 160, 353);
  t.Static(1071, 12, 21, 90, 10, 354);
  sourceEdit_ = t.ReadOnlyEdit(1075, 105, 19, 180, 12);
  browseButton_ = t.Button(1074, 288, 19, 20, 12);
  browseButton_->setText(QStringLiteral("..."));
  t.Static(1072, 12, 41, 90, 10, 355);
  timeZoneList_ = t.DropList(1085, 105, 39, 50, 120);
  for (const std::string& item : TimeZoneListItems()) timeZoneList_->addItem(QString::fromStdString(item));
  t.Static(1070, 12, 61, 90, 10, 356);
  textBox_ = t.CheckBox(1152, 105, 59, 95, 12, QStringLiteral("Text(*.txt)"));
  kmlBox_ = t.CheckBox(1153, 205, 59, 100, 12, QStringLiteral("Google Earth(*.kml)"));
  nmeaBox_ = t.CheckBox(1154, 105, 75, 95, 12, QStringLiteral("NMEA(*.txt)"));
  gpxBox_ = t.CheckBox(1155, 205, 75, 100, 12, QStringLiteral("GPX(*.gpx)"));
  statusText_ = t.Static(1066, 12, 101, 220, 20, 357);
  convertButton_ = t.Button(1065, 240, 99, 68, 16, 358);
  progress_ = t.Progress(-1, 12, 126, 296, 10);
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setRange(0, 1000);
  worker_ = new PageWorker(this);

  // Initial time zone from the computer's standard-time bias; "-0" matches no item and leaves
  // the list without a selection.
  const InitialTimeZone initial = InitialTimeZoneFromBias(ComputerTimeZoneBiasMinutes());
  timeZoneList_->setCurrentIndex(initial.listIndex);
  timeZoneOffset_ = initial.offsetHours;
  theUtilityManager.SetTimeZoneHours(timeZoneOffset_);
  outputFormat_ = OutputFormat::Kml;
  kmlBox_->setChecked(true);
  wantKml_ = true;

  connect(browseButton_, &QPushButton::clicked, this, &PageTrackLogFormat::OnBrowse);
  connect(convertButton_, &QPushButton::clicked, this, &PageTrackLogFormat::OnConvert);
  connect(timeZoneList_, &QComboBox::activated, this, &PageTrackLogFormat::OnTimeZoneSelected);
  for (QCheckBox* box : {textBox_, kmlBox_, nmeaBox_, gpxBox_})
    connect(box, &QCheckBox::toggled, this, &PageTrackLogFormat::OnCheckBoxChanged);
}

PageTrackLogFormat::~PageTrackLogFormat() { worker_->Wait(); }

void PageTrackLogFormat::SetSourcePath(const QString& path) {
  sourcePath_ = path;
  sourceEdit_->setText(path);
}

void PageTrackLogFormat::OnBrowse() {
  QFileDialog dialog(this);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("*.trl"));
  dialog.setDefaultSuffix(QStringLiteral("TRL"));
  dialog.selectFile(QStringLiteral("*.trl"));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    SetSourcePath(dialog.selectedFiles().first());
}

void PageTrackLogFormat::OnTimeZoneSelected(int index) {
  if (index >= 0) timeZoneOffset_ = TimeZoneOffsetForItem(index);
}

void PageTrackLogFormat::OnCheckBoxChanged() {
  wantText_ = textBox_->isChecked();
  wantKml_ = kmlBox_->isChecked();
  wantNmea_ = nmeaBox_->isChecked();
  wantGpx_ = gpxBox_->isChecked();
}

void PageTrackLogFormat::OnConvert() {
  if (converting_) return;
  if (sourcePath_.isEmpty()) {
    ShowStopMessage(this, TextOf(380));
    return;
  }
  ConversionRequest request;
  request.source = sourcePath_.toStdString();
  request.wantText = wantText_;
  request.wantKml = wantKml_;
  request.wantNmea = wantNmea_;
  request.wantGpx = wantGpx_;
  request.timeZoneHours = timeZoneOffset_;
  if (!(wantText_ || wantKml_ || wantNmea_ || wantGpx_)) return;

  converting_ = true;
  convertButton_->setEnabled(false);
  browseButton_->setEnabled(false);
  progress_->setValue(0);
  statusText_->setText(TextOf(360));

  // The bar counts in thousandths of the whole run, over all the outputs asked for.
  worker_->Start(
      [this, request] {
        ProgressSink& reports = worker_->Reports();
        result_ = ConvertTrackFile(request, [&reports](int step, int steps, double fraction) {
          Progress p;
          p.total = 1000;
          p.done = steps == 0 ? 1000 : static_cast<std::uint64_t>((step + fraction) * 1000.0 / steps);
          reports.Report(p);
        });
        return result_.ok ? Status::Success(361) : Status::Failure(StatusCode::Failed, 0, result_.error);
      },
      [this](const Progress& p) { progress_->setValue(static_cast<int>(p.done)); },
      [this](const Status&) { FinishConversion(result_); });
}

void PageTrackLogFormat::FinishConversion(const ConversionResult& result) {
  converting_ = false;
  convertButton_->setEnabled(true);
  browseButton_->setEnabled(true);
  // The last format written is the one the next conversion step would run.
  if (!result.written.empty()) {
    const std::string last = result.written.back().string();
    for (OutputFormat format : {OutputFormat::Text, OutputFormat::Kml, OutputFormat::Nmea, OutputFormat::Gpx})
      if (ConvertedFileName(sourcePath_.toStdString(), format) == last) outputFormat_ = format;
  }
  if (result.ok) {
    progress_->setValue(1000);
    QString text = TextOf(361);
    if (!result.warning.empty()) text += QStringLiteral(" (") + QString::fromStdString(result.warning) + ")";
    statusText_->setText(text);
  } else {
    statusText_->setText(QString::fromStdString(result.error));
    ShowStopMessage(this, QString::fromStdString(result.error));
  }
  emit conversionFinished(result.ok);
}

void PageTrackLogFormat::OnPageDefault() {
  timeZoneList_->setCurrentIndex(13);
  timeZoneOffset_ = 0;
  outputFormat_ = OutputFormat::Kml;
  for (QCheckBox* box : {textBox_, nmeaBox_, gpxBox_}) box->setChecked(false);
  kmlBox_->setChecked(true);
  OnCheckBoxChanged();
}

} // namespace divuzo
