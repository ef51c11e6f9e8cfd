#include "trackdata/ui/PhotoCSDlg.h"

#include "app/UtilityManager.h"
#include "trackdata/PhotoGeotagger.h"
#include "trackdata/PhotoTexts.h"
#include "trackdata/TimeZoneChoice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace divuzo {

namespace {

bool firstOpeningDone = false;

// Edit boxes 1131..1134 with their spin buttons (1135..1138): day, hour, minute, second.
constexpr int kLimits[4] = {30, 23, 59, 59};
constexpr const char* kLabels[4] = {
    QT_TRANSLATE_NOOP("divuzo::PhotoCSDlg", "日"), QT_TRANSLATE_NOOP("divuzo::PhotoCSDlg", "時"),
    QT_TRANSLATE_NOOP("divuzo::PhotoCSDlg", "分"), QT_TRANSLATE_NOOP("divuzo::PhotoCSDlg", "秒")};

} // namespace

void PhotoCSDlg::ResetFirstOpening() { firstOpeningDone = false; }

PhotoCSDlg::PhotoCSDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dialog145"));
  setWindowTitle(QStringLiteral("Photo Combine Setting"));

  timeZone_ = new QComboBox(this);
  timeZone_->setObjectName(QStringLiteral("timeZoneList"));
  for (const auto& item : TimeZoneListItems()) timeZone_->addItem(QString::fromStdString(item));

  auto* calibrationRow = new QHBoxLayout;
  for (int i = 0; i < 4; ++i) {
    calibration_[i] = new QSpinBox(this);
    calibration_[i]->setObjectName(QString::number(1131 + i));
    calibration_[i]->setRange(-kLimits[i], kLimits[i]);
    calibrationRow->addWidget(calibration_[i]);
    calibrationRow->addWidget(new QLabel(tr(kLabels[i]), this));
  }

  writeGps_ = new QCheckBox(QStringLiteral("Write GPS in Photo(Create New GPS Photo File)"), this);
  writeGps_->setObjectName(QStringLiteral("1187"));

  threshold_ = new QLabel(this);
  threshold_->setObjectName(QStringLiteral("1184"));
  threshold_->setWordWrap(true);
  threshold_->setText(QString::fromStdString(PhotoText(kPhotoTextThresholdHeading) + "\n(1) " +
                                             PhotoText(kPhotoTextThresholdOutside) + "\n(2) " +
                                             PhotoText(kPhotoTextThresholdGap)));
  auto* thresholdTitle = new QLabel(QStringLiteral("Photo Discarded Threshold"), this);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Time Zone"), timeZone_);
  form->addRow(QStringLiteral("Calibration"), calibrationRow);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &PhotoCSDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &PhotoCSDlg::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(writeGps_);
  layout->addWidget(thresholdTitle);
  layout->addWidget(threshold_);
  layout->addWidget(buttons);

  // Opening: a defaults restore wins; else the first opening of the run takes the computer's
  // time zone, later ones keep the stored offset.
  int offset = theUtilityManager.GetTimeZoneHours();
  if (theUtilityManager.settingsReset.exchange(0) != 0) {
    offset = 0;
  } else if (!firstOpeningDone) {
    offset = InitialTimeZoneFromBias(ComputerTimeZoneBiasMinutes()).offsetHours;
  }
  firstOpeningDone = true;
  const int item = TimeZoneItemForOffset(offset);
  timeZone_->setCurrentIndex(item >= 0 ? item : TimeZoneItemForOffset(0));
  const auto stored = theUtilityManager.GetPhotoCalibration();
  for (int i = 0; i < 4; ++i) calibration_[i]->setValue(stored[i]);
  writeGps_->setChecked(theUtilityManager.writeGpsInPhoto.load() != 0);
  ReadValues();

  for (auto* box : calibration_) {
    connect(box, &QSpinBox::valueChanged, this, [this] { StoreValues(); });
  }
}

void PhotoCSDlg::ReadValues() {
  timeZoneOffset_ = TimeZoneOffsetForItem(timeZone_->currentIndex());
  calibrationSeconds_ =
      divuzo::CalibrationSeconds(calibration_[0]->value(), calibration_[1]->value(),
                                 calibration_[2]->value(), calibration_[3]->value());
}

void PhotoCSDlg::StoreValues() {
  ReadValues();
  theUtilityManager.SetTimeZoneHours(timeZoneOffset_);
  theUtilityManager.SetPhotoCalibration(calibration_[0]->value(), calibration_[1]->value(),
                                        calibration_[2]->value(), calibration_[3]->value());
}

void PhotoCSDlg::accept() {
  StoreValues();
  theUtilityManager.writeGpsInPhoto = writeGps_->isChecked() ? 1 : 0;
  QDialog::accept();
}

} // namespace divuzo
