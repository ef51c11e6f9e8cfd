#include "trackdata/ui/TransferPageParts.h"

#include "app/ui/DialogTemplate.h"
#include "app/ui/PageBase.h"
#include "app/ui/PageHost.h"
#include "app/ui/StopMessage.h"
#include "serial/DeviceSession.h"
#include "trackdata/BlockTransfer.h"

#include <QLabel>
#include <QProgressBar>

namespace divuzo {

void ShowPercent(const Progress& p, QProgressBar* bar, QLabel* label) {
  if (p.value < 0) return;
  const int percent = std::min(p.value, 100);
  bar->setValue(percent);
  label->setText(QStringLiteral("%1%").arg(percent));
}

QString StatusText(const Status& status) {
  QString text = TextOf(status.textId);
  if (status.textId == kTextCannotWrite || status.textId == kTextCannotRead)
    text += QString::fromStdString(status.detail);
  return text;
}

void ShowOutcome(PageBase* page, const Status& status, QLabel* line, const QString& more) {
  const QString text = StatusText(status);
  line->setText(text);
  if (!status.Ok())
    ShowStopMessage(page, more.isEmpty() ? text : text + QStringLiteral("\n") + more);
}

std::string ChosenPort(PageBase* page) {
  if (!page->Host()) return {};
  std::string name;
  int baud = 0;
  int spare = 0;
  page->Host()->Session().GetLinkSettings(name, baud, spare);
  return name;
}

}  // namespace divuzo
