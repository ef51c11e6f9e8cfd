#include "trackdata/ui/PageTrackLogFormat.h"

#include "StringTable.h"
#include "app/UtilityManager.h"
#include "trackdata/TimeZoneChoice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

namespace divuzo {

namespace {

// A string-table text, or our own wording where the table leaves the text empty.
QString TextOr(int id, const QString& fallback) {
  const std::string& text = LoadText(id);
  return text.empty() ? fallback : QString::fromStdString(text);
}

template <typename T>
T* Control(int id, T* control, int x, int y, int w, int h) {
  control->setObjectName(QString::number(id));
  control->setGeometry(x, y, w, h);
  return control;
}

} // namespace

PageTrackLogFormat::PageTrackLogFormat(QWidget* parent) : PageBase(136, parent) {
  auto* group = Control(1062, new QGroupBox(TextOr(353, tr("トラックログファイル形式変換")), this),
                        8, 8, 464, 236);
  group->lower();
  Control(1071, new QLabel(TextOr(354, tr("元ファイル(*.trl):")), this), 20, 36, 140, 22);
  sourceEdit_ = Control(1075, new QLineEdit(this), 160, 36, 260, 22);
  sourceEdit_->setReadOnly(true);
  browseButton_ = Control(1074, new QPushButton(QStringLiteral("..."), this), 426, 36, 34, 22);

  Control(1072, new QLabel(TextOr(355, tr("タイムゾーン(UTC+-):")), this), 20, 70, 140, 22);
  timeZoneList_ = Control(1085, new QComboBox(this), 160, 70, 80, 22);
  for (const std::string& item : TimeZoneListItems()) timeZoneList_->addItem(QString::fromStdString(item));

  Control(1070, new QLabel(TextOr(356, tr("出力形式:")), this), 20, 104, 140, 22);
  textBox_ = Control(1152, new QCheckBox(QStringLiteral("Text(*.txt)"), this), 160, 104, 150, 22);
  kmlBox_ = Control(1153, new QCheckBox(QStringLiteral("Google Earth(*.kml)"), this), 310, 104, 150, 22);
  nmeaBox_ = Control(1154, new QCheckBox(QStringLiteral("NMEA(*.txt)"), this), 160, 130, 150, 22);
  gpxBox_ = Control(1155, new QCheckBox(QStringLiteral("GPX(*.gpx)"), this), 310, 130, 150, 22);

  convertButton_ = Control(1065, new QPushButton(TextOr(358, tr("変換")), this), 370, 166, 90, 26);
  statusText_ =
      Control(1066, new QLabel(TextOr(357, tr("変換するファイルを選んでください。")), this), 20,
              166, 340, 26);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setGeometry(20, 204, 440, 18);
  progress_->setRange(0, 1000);
  progress_->setValue(0);

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

PageTrackLogFormat::~PageTrackLogFormat() {
  if (worker_.joinable()) worker_.join();
}

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

void PageTrackLogFormat::ShowError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, TextOr(300, QStringLiteral("DIVUZOvuzov")), text,
                  QMessageBox::Ok, this);
  box.exec();
}

void PageTrackLogFormat::OnConvert() {
  if (converting_) return;
  if (sourcePath_.isEmpty()) {
    ShowError(TextOr(380, tr("変換元のファイルが選択されていません。")));
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

  if (worker_.joinable()) worker_.join();
  converting_ = true;
  convertButton_->setEnabled(false);
  browseButton_->setEnabled(false);
  progress_->setValue(0);
  statusText_->setText(TextOr(360, tr("変換中...")));

  worker_ = std::thread([this, request] {
    const ConversionResult result = ConvertTrackFile(request, [this](int step, int steps, double fraction) {
      const int value = steps == 0 ? 1000 : static_cast<int>((step + fraction) * 1000.0 / steps);
      QMetaObject::invokeMethod(this, [this, value] { progress_->setValue(value); }, Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(this, [this, result] { FinishConversion(result); }, Qt::QueuedConnection);
  });
}

void PageTrackLogFormat::FinishConversion(const ConversionResult& result) {
  if (worker_.joinable()) worker_.join();
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
    QString text = TextOr(361, tr("変換が完了しました。"));
    if (!result.warning.empty()) text += QStringLiteral(" (") + QString::fromStdString(result.warning) + ")";
    statusText_->setText(text);
  } else {
    statusText_->setText(QString::fromStdString(result.error));
    ShowError(QString::fromStdString(result.error));
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
