#include "app/ui/HListBox.h"

#include <QScrollBar>
#include <algorithm>

namespace divuzo {

namespace {
constexpr int kBorderWidth = 1;  // width of a thin window border
} // namespace

HListBox::HListBox(QWidget* parent) : QListWidget(parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

int HListBox::LineWidth(const QString& text) const {
  return fontMetrics().horizontalAdvance(text) + 3 * kBorderWidth;
}

void HListBox::NoteLine(const QString& text) {
  const int width = LineWidth(text);
  if (width > widest_) {
    widest_ = width;
    SetHorizontalExtent(widest_);
  }
}

int HListBox::AddString(const QString& text) {
  addItem(text);
  NoteLine(text);
  return count() - 1;
}

int HListBox::InsertString(int index, const QString& text) {
  if (index < -1 || index > count()) return -1;
  const int at = index == -1 ? count() : index;
  insertItem(at, text);
  NoteLine(text);
  return at;
}

int HListBox::DeleteString(int index) {
  if (index < 0 || index >= count()) return -1;
  delete takeItem(index);
  widest_ = 0;
  for (int i = 0; i < count(); ++i) widest_ = std::max(widest_, LineWidth(item(i)->text()));
  SetHorizontalExtent(widest_);
  return count();
}

void HListBox::ResetContent() {
  clear();
  widest_ = 0;  // the extent stays until the next add
}

void HListBox::SetHorizontalExtent(int extent) {
  extent_ = extent;
  updateGeometries();
}

void HListBox::updateGeometries() {
  // Setting the range can show the scroll bar, which lays the view out again and lands here:
  // the outer call finishes the work, or the two would hand the bar back and forth for ever.
  if (inUpdate_) return;
  inUpdate_ = true;
  QListWidget::updateGeometries();
  // The scroll range comes from the extent, as a list box without automatic sizing has it.
  const int page = viewport()->width();
  horizontalScrollBar()->setPageStep(page);
  horizontalScrollBar()->setRange(0, std::max(0, extent_ - page));
  inUpdate_ = false;
}

} // namespace divuzo
