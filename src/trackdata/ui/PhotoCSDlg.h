#pragma once
// Photo setting dialog (dialog 145): photo time zone, calibration (day, hour, minute, second)
// and whether to write GPS-tagged copies. Values go to theUtilityManager; the photo page takes
// the time zone and the calibration in seconds after OK.
#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace divuzo {

class PhotoCSDlg : public QDialog {
  Q_OBJECT
public:
  explicit PhotoCSDlg(QWidget* parent = nullptr);

  int TimeZoneOffset() const { return timeZoneOffset_; }
  std::int64_t CalibrationSeconds() const { return calibrationSeconds_; }

  // The first opening in a run takes the computer's time zone; tests start over with this.
  static void ResetFirstOpening();

  void accept() override;

private:
  // The offset and the calibration in seconds from the controls.
  void ReadValues();
  // ReadValues, then the offset and the four calibration numbers into theUtilityManager.
  void StoreValues();

  QComboBox* timeZone_ = nullptr;
  QSpinBox* calibration_[4] = {};
  QCheckBox* writeGps_ = nullptr;
  QLabel* threshold_ = nullptr;
  int timeZoneOffset_ = 0;
  std::int64_t calibrationSeconds_ = 0;
};

} // namespace divuzo
