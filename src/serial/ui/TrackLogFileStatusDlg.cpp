#include "serial/ui/TrackLogFileStatusDlg.h"

#include <QPushButton>

#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/HListBox.h"

namespace divuzo {

namespace {
constexpr int kTextTitle = 382;  // the product names it by its role: this program's wording
}  // namespace

TrackLogFileStatusDlg::TrackLogFileStatusDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dialog146"));
  setModal(false);
  DialogTemplate t(this, QStringLiteral("Arial"), 10, 320, 150);
  setWindowTitle(TextOf(kTextTitle));
  list_ = new HListBox(this);
  SetControlId(list_, 1156);
  list_->setGeometry(t.Units().ToPixels(7, 7, 306, 114));
  QPushButton* ok = t.Button(1, 128, 128, 64, 14, 301);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TrackLogFileStatusDlg::AddStatusLine(const QString& text) {
  if (list_) list_->AddString(text);
}

void TrackLogFileStatusDlg::EnableOk(bool enable) {
  if (auto* ok = FindControl<QPushButton>(this, 1)) ok->setEnabled(enable);
}

}  // namespace divuzo
