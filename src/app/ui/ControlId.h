#pragma once
// Control ids as object names: a control with id 1095 is the direct child of its dialog whose
// objectName is "1095". Lookups go through direct children only, so equal ids on different
// dialogs (the main window's button 2 and the update page's label 2) never meet.
#include <QString>
#include <QWidget>

namespace divuzo {

inline void SetControlId(QWidget* control, int id) { control->setObjectName(QString::number(id)); }

inline int ControlIdOf(const QWidget* control) {
  bool ok = false;
  const int id = control->objectName().toInt(&ok);
  return ok ? id : -1;
}

// Control `id` of `dialog`, or null when the dialog has none of that type.
template <typename T = QWidget>
T* FindControl(const QWidget* dialog, int id) {
  return dialog->findChild<T*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

// Registers the embedded icon and bitmaps (safe to call more than once).
void InitImageResources();

} // namespace divuzo
