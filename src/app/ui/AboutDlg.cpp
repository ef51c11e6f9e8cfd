#include "app/ui/AboutDlg.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "app/FileVersionInfo.h"
#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"

namespace divuzo {

AboutDlg::AboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dialog100"));
  DialogTemplate t(this, QStringLiteral("Arial"), 8, 235, 62);
  t.Picture(-1, 11, 12, 20, 20, 128)->setObjectName(QStringLiteral("icon"));
  t.Static(1179, 40, 10, 130, 8, 300);
  t.Static(1180, 40, 22, 130, 8, 385);
  t.Static(1181, 40, 34, 130, 8, -1, false);
  t.Static(1225, 40, 44, 185, 10, 433);
  QPushButton* ok = t.Button(1, 178, 7, 50, 14, 301);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  setWindowTitle(TextOf(300));
  ShowProductVersion();
}

QString AboutDlg::FormatProductVersion(std::uint32_t ms, std::uint32_t ls) {
  return QString::asprintf(" %d.%d.%d.%d", static_cast<int>(ms >> 16), static_cast<int>(ms & 0xFFFF),
                           static_cast<int>(ls >> 16), static_cast<int>(ls & 0xFFFF));
}

bool AboutDlg::ShowProductVersion() {
  CFileVersionInfo info;
  if (!info.Create()) return false;
  const std::uint32_t ms = (std::uint32_t{info.GetProductVersion(3)} << 16) | info.GetProductVersion(2);
  const std::uint32_t ls = (std::uint32_t{info.GetProductVersion(1)} << 16) | info.GetProductVersion(0);
  FindControl<QLabel>(this, 1181)->setText(FormatProductVersion(ms, ls).left(255));
  return true;
}

} // namespace divuzo
