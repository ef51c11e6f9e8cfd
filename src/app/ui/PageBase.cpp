#include "app/ui/PageBase.h"

namespace divuzo {

PageBase::PageBase(int dialogId, QWidget* parent) : QWidget(parent), dialogId_(dialogId) {
  setObjectName(QStringLiteral("dialog%1").arg(dialogId));
  hide();
}

PageBase::~PageBase() = default;

void PageBase::PageCommand(int code) {
  switch (code) {
    case PAGE_OK: OnPageOk(); break;
    case PAGE_CANCEL: OnPageCancel(); break;
    case PAGE_APPLY: OnPageApply(); break;
    case PAGE_DEFAULT: OnPageDefault(); break;
    default: break;
  }
}

} // namespace divuzo
