#include "serial/ui/PageGPSStatus.h"

#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace divuzo {

namespace {

// Time-zone offsets of the list, +12 down to -12; "+8" is chosen at start-up.
constexpr int kTimeZoneItems = 25;
constexpr int kInitialTimeZoneIndex = 4;

}  // namespace

PageGPSStatus::PageGPSStatus(QWidget* parent) : PageBase(129, parent) {
  DialogTemplate t(this, QStringLiteral("Arial"), 10, 320, 170);
  t.GroupBox(-1, 5, 5, 180, 112);
  struct Row {
    int id;
    const char* caption;
  };
  const Row rows[] = {{1016, "GMT"},       {1018, "Local Time"}, {1008, "Latitude"},
                      {1009, "Longitude"}, {1011, "Altitude"},   {1010, "Speed"}};
  int y = 14;
  for (const Row& row : rows) {
    t.Static(-1, 12, y + 2, 55, 10)->setText(QString::fromLatin1(row.caption));
    t.ReadOnlyEdit(row.id, 70, y, 108, 12);
    y += 16;
  }
  t.Static(-1, 12, 124, 150, 10)->setText(QStringLiteral("Select Time Zone of Country (UTC)"));
  timeZoneList_ = t.DropList(1013, 12, 137, 60, 120);

  t.GroupBox(1020, 192, 5, 123, 112)->setTitle(QStringLiteral("Reset Device"));
  t.Static(-1, 200, 16, 100, 10)->setText(QStringLiteral("Reset Mode"));
  resetMode_ = new QButtonGroup(this);
  const Row modes[] = {
      {1026, "Hot Start"}, {1027, "Warm Start"}, {1028, "Cold Start"}, {1012, "Factory Reset"}};
  y = 30;
  for (const Row& mode : modes) {
    resetMode_->addButton(t.Radio(mode.id, 204, y, 100, 12, QString::fromLatin1(mode.caption)),
                          mode.id);
    y += 15;
  }
  QPushButton* reset = t.Button(1001, 240, 96, 68, 14);
  reset->setText(QStringLiteral("Reset"));
  reset->setEnabled(false);
}

PageGPSStatus::~PageGPSStatus() = default;

void PageGPSStatus::OnInitDialog() {
  FindControl<QRadioButton>(this, 1026)->setChecked(true);
  // Sample values that agree with each other: local time is GMT plus eight hours.
  FindControl<QLineEdit>(this, 1016)->setText(QStringLiteral("2006/12/04 04:00:00"));
  FindControl<QLineEdit>(this, 1018)->setText(QStringLiteral("2006/12/04 12:00:00"));
  FindControl<QLineEdit>(this, 1008)->setText(QStringLiteral("24.997132 N"));
  FindControl<QLineEdit>(this, 1009)->setText(QStringLiteral("121.485058 E"));
  FindControl<QLineEdit>(this, 1011)->setText(QStringLiteral("127.9 m"));
  FindControl<QLineEdit>(this, 1010)->setText(QStringLiteral("0.00 km/h"));
  timeZoneList_->clear();
  for (int i = 0; i < kTimeZoneItems; ++i) {
    const int hours = 12 - i;
    timeZoneList_->addItem(hours > 0 ? QStringLiteral("+%1").arg(hours) : QString::number(hours));
  }
  timeZoneList_->setCurrentIndex(kInitialTimeZoneIndex);
}

}  // namespace divuzo
