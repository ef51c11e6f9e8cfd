#include "app/ui/TabCtrlEx.h"

#include <QBitmap>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

#include "app/ui/ControlId.h"
#include "app/ui/DialogTemplate.h"
#include "platform/Trace.h"

namespace divuzo {

// The tab row. Input goes through the control's rules; labels are drawn by the control's
// owner-draw rules once it is installed.
class TabBarEx : public QTabBar {
public:
  explicit TabBarEx(CTabCtrlEx* owner) : QTabBar(owner), owner_(owner) {
    setDrawBase(false);
    setExpanding(false);
    setFocusPolicy(Qt::StrongFocus);
  }

protected:
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Right: case Qt::Key_Down: case Qt::Key_Left: case Qt::Key_Up:
        owner_->OnKey(event->key());
        event->accept();
        return;
      default:
        QTabBar::keyPressEvent(event);
    }
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    int hit = -1;
    if (!owner_->AllowSelChanging(event->position().toPoint(), &hit)) return;
    if (hit != currentIndex()) {
      setCurrentIndex(hit);
      emit owner_->SelChange();
    }
  }

  void mouseReleaseEvent(QMouseEvent*) override {}
  void wheelEvent(QWheelEvent* event) override { event->ignore(); }

  QSize tabSizeHint(int index) const override {
    QSize size = QTabBar::tabSizeHint(index);
    // A tab with an empty label still gets a grip wide enough to click.
    return size.expandedTo(QSize(fontMetrics().averageCharWidth() * 8, 0));
  }

  void paintEvent(QPaintEvent* event) override {
    if (!owner_->ownerDraw_) {
      QTabBar::paintEvent(event);
      return;
    }
    QStylePainter painter(this);
    const int cur = currentIndex();
    for (int i = 0; i < count(); ++i) {
      if (i == cur) continue;
      DrawItem(painter, i);
    }
    if (cur >= 0) DrawItem(painter, cur);  // the selected tab overlaps its neighbours
  }

private:
  void DrawItem(QStylePainter& painter, int item) {
    QStyleOptionTab opt;
    initStyleOption(&opt, item);
    const QString label = opt.text;
    const QIcon icon = opt.icon;
    opt.text.clear();
    opt.icon = QIcon();
    painter.drawControl(QStyle::CE_TabBarTabShape, opt);

    const bool selected = item == currentIndex();
    const bool enabled = owner_->IsItemEnabled(item);
    QRect rect = opt.rect;
    if (selected) rect.setLeft(rect.left() + 7);
    else rect.adjust(4, 2, 0, 0);

    if (!icon.isNull()) {
      const QSize size = iconSize();
      QPoint topLeft = rect.topLeft();
      if (selected) topLeft.ry() += 3;
      painter.drawPixmap(topLeft, icon.pixmap(size, enabled ? QIcon::Normal : QIcon::Disabled));
      rect.setLeft(rect.left() + size.width() + 2);
    }

    const QPalette& pal = palette();
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    const QPen previous = painter.pen();
    if (enabled) {
      painter.setPen(pal.color(QPalette::Active, QPalette::ButtonText));
    } else {
      // Engraved: a light copy one pixel down and right, the grey label above it.
      painter.setPen(pal.color(QPalette::Active, QPalette::Light));
      painter.drawText(rect.translated(1, 1), flags, label);
      painter.setPen(pal.color(QPalette::Disabled, QPalette::Text));
    }
    painter.drawText(rect, flags, label);
    painter.setPen(previous);
  }

  CTabCtrlEx* owner_;
};

CTabCtrlEx::CTabCtrlEx(QWidget* parent) : QWidget(parent), bar_(new TabBarEx(this)) {
  LayoutBar();
}

CTabCtrlEx::~CTabCtrlEx() = default;

QTabBar* CTabCtrlEx::TabBar() const { return bar_; }

bool CTabCtrlEx::Install(CTabCtrlEx* tab) {
  Q_ASSERT(tab != nullptr);
  if (tab == nullptr) return false;
  Trace("Installing extended tab control\r\n");
  // Another control than this one gets the behaviour through its own object; either way the
  // labels become owner-drawn.
  tab->ownerDraw_ = true;
  tab->bar_->update();
  return true;
}

int CTabCtrlEx::InsertItem(int item, const QString& label) {
  const int index = bar_->insertTab(item, label);
  images_.resize(static_cast<std::size_t>(bar_->count()));
  // Items after the new one move up by one; so do their disabled marks.
  for (int& d : disabled_)
    if (d >= index) ++d;
  LayoutBar();
  return index;
}

int CTabCtrlEx::GetItemCount() const { return bar_->count(); }

int CTabCtrlEx::GetCurSel() const { return bar_->currentIndex(); }

QRect CTabCtrlEx::GetItemRect(int item) const {
  if (item < 0 || item >= bar_->count()) return QRect();
  return bar_->tabRect(item).translated(bar_->pos());
}

int CTabCtrlEx::SetCurSel(int item) {
  const int cur = bar_->currentIndex();
  if (item >= 0 && item < bar_->count() && !IsItemEnabled(item)) {
    const int d = std::abs(item - cur);
    if (d == 1 || d == item || d == cur) {
      const bool forward = (item - cur == 1) || (item - cur < -1);
      const int next = FindNextEnabled(item, forward);
      if (next >= 0) {
        bar_->setCurrentIndex(next);
        return 0;
      }
    }
    return -1;
  }
  if (item < 0 || item >= bar_->count()) return -1;
  bar_->setCurrentIndex(item);
  return cur;
}

bool CTabCtrlEx::IsItemEnabled(int item, int* position) const {
  if (item < 0 || item >= bar_->count()) return false;
  const auto it = std::find(disabled_.begin(), disabled_.end(), item);
  if (it != disabled_.end()) {
    if (position) *position = static_cast<int>(it - disabled_.begin());
    return false;
  }
  return true;
}

bool CTabCtrlEx::EnableItem(int item, bool enable) {
  const int count = bar_->count();
  if (item < 0 || item >= count) return false;
  int position = -1;
  const bool enabled = IsItemEnabled(item, &position);
  if (enabled == enable) return true;
  if (enable) {
    disabled_.erase(disabled_.begin() + position);
  } else {
    if (item == bar_->currentIndex()) {
      const int start = item == count - 1 ? 0 : item + 1;
      const int next = FindNextEnabled(start, true);
      if (next < 0 || next == item) return false;
      SelectItem(next);
    }
    disabled_.push_back(item);
  }
  bar_->update(bar_->tabRect(item));
  return true;
}

int CTabCtrlEx::FindNextEnabled(int start, bool forward) const {
  const int count = bar_->count();
  if (count <= 0 || start < 0 || start >= count) return -1;
  for (int step = 0; step < count; ++step) {
    const int i = forward ? (start + step) % count : (start - step + count) % count;
    if (IsItemEnabled(i)) return i;
  }
  return -1;
}

void CTabCtrlEx::SelectItem(int item) {
  if (item < 0 || item >= bar_->count()) return;
  if (!SendKillActive(-1)) return;
  SetCurSel(item);
  emit SelChange();
}

bool CTabCtrlEx::SendKillActive(int) const { return true; }

int CTabCtrlEx::SetItemImage(int item, int bitmapId, int maskId) {
  if (item < 0 || item >= bar_->count()) return -1;
  if (maskId == -1) {
    Trace("CTabCtrlEx::SetItemImage - No mask specified so using bitmap as mask\r\n");
    maskId = bitmapId;
  }
  InitImageResources();
  QPixmap bitmap(BitmapPath(bitmapId));
  if (bitmap.isNull()) {
    Trace("Failed to load bitmap\r\n");
    return -1;
  }
  if (maskId != bitmapId) {
    const QImage mask(BitmapPath(maskId));
    if (mask.isNull()) {
      Trace("Failed to load mask\r\n");
      return -1;
    }
    // White pixels of the mask are transparent.
    bitmap.setMask(QBitmap::fromImage(mask.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskOutColor)));
  }
  return SetItemImage(item, QIcon(bitmap));
}

int CTabCtrlEx::SetItemImage(int item, const QIcon& icon) {
  if (item < 0 || item >= bar_->count()) return -1;
  if (icon.isNull()) {
    TraceF("Failed to add icon to image list for item %d\r\n", item);
    return -1;
  }
  images_.push_back(icon);
  bar_->setTabIcon(item, icon);
  return static_cast<int>(images_.size()) - 1;
}

void CTabCtrlEx::OnKey(int key) {
  const int count = bar_->count();
  if (count <= 0) return;
  const int cur = bar_->currentIndex();
  if (key == Qt::Key_Right || key == Qt::Key_Down)
    SelectItem(cur == count - 1 ? 0 : cur + 1);
  else
    SelectItem(cur <= 0 ? count - 1 : cur - 1);
}

bool CTabCtrlEx::AllowSelChanging(const QPoint& pos, int* hit) const {
  *hit = bar_->tabAt(pos);
  if (*hit < 0) return false;
  return IsItemEnabled(*hit) && SendKillActive(-1);
}

void CTabCtrlEx::LayoutBar() {
  bar_->setGeometry(0, 0, std::min(width(), bar_->sizeHint().width()), bar_->sizeHint().height());
}

void CTabCtrlEx::resizeEvent(QResizeEvent*) { LayoutBar(); }

void CTabCtrlEx::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(this);
  const int top = bar_->geometry().bottom() + 1 - style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
  frame.rect = QRect(0, top, width(), height() - top);
  frame.tabBarSize = bar_->size();
  frame.shape = QTabBar::RoundedNorth;
  frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}

void EnableThemeTexture(QWidget*) {}

} // namespace divuzo
