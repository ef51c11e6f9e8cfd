#include "app/ui/DialogTemplate.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "StringTable.h"
#include "app/ui/ControlId.h"

namespace divuzo {

QString TextOf(int id) { return QString::fromStdString(TextOrOwnWording(id)); }

QString BitmapPath(int id) {
  return id == 128 ? QStringLiteral(":/images/icon128.png")
                   : QStringLiteral(":/images/bitmap%1.png").arg(id);
}

DialogTemplate::DialogTemplate(QWidget* dialog, const QString& fontFamily, int pointSize, int cx,
                               int cy)
    : dialog_(dialog), units_(fontFamily, pointSize) {
  InitImageResources();
  dialog_->setFont(units_.Font());
  size_ = units_.ToPixels(cx, cy);
  dialog_->resize(size_);
}

namespace {
// Where a template puts a group box's first controls, below its top: one line (of eight
// vertical units) and a little.
constexpr int kGroupContentsTop = 9;
} // namespace

int DialogTemplate::ExtraAbove(int y) const {
  int extra = 0;
  for (const Group& g : groups_)
    if (g.top < y) extra += g.extra;
  return extra;
}

void DialogTemplate::Place(QWidget* control, int id, int x, int y, int cx, int cy, bool visible) {
  SetControlId(control, id);
  control->setGeometry(units_.ToPixels(x, y, cx, cy).translated(0, ExtraAbove(y)));
  // A template control without the visible style stays hidden when the dialog is shown.
  if (!visible) control->hide();
}

QPushButton* DialogTemplate::Button(int id, int x, int y, int cx, int cy, int textId, bool visible) {
  auto* b = new QPushButton(textId >= 0 ? TextOf(textId) : QString(), dialog_);
  b->setAutoDefault(false);
  Place(b, id, x, y, cx, cy, visible);
  return b;
}

QLabel* DialogTemplate::Static(int id, int x, int y, int cx, int cy, int textId, bool visible) {
  auto* l = new QLabel(textId >= 0 ? TextOf(textId) : QString(), dialog_);
  l->setWordWrap(true);
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(l, id, x, y, cx, cy, visible);
  return l;
}

QGroupBox* DialogTemplate::GroupBox(int id, int x, int y, int cx, int cy, int textId, bool visible) {
  auto* g = new QGroupBox(textId >= 0 ? TextOf(textId) : QString(), dialog_);
  Place(g, id, x, y, cx, cy, visible);
  if (visible) {
    // What the style needs above the contents (frame, title, margin), beyond the template;
    // measured with a title, as every template group box gets one (some only later).
    const QString title = g->title();
    g->setTitle(QStringLiteral("Ag"));
    g->ensurePolished();
    const int needed = g->contentsRect().top() + 2;
    g->setTitle(title);
    const int extra = std::max(0, needed - units_.Y(kGroupContentsTop));
    if (extra > 0) {
      g->resize(g->width(), g->height() + extra);
      groups_.push_back({y, extra});
      dialog_->resize(size_.width(), size_.height() + ExtraAbove(1 << 20));
    }
  }
  return g;
}

QLineEdit* DialogTemplate::Edit(int id, int x, int y, int cx, int cy, bool visible) {
  auto* e = new QLineEdit(dialog_);
  Place(e, id, x, y, cx, cy, visible);
  return e;
}

QLineEdit* DialogTemplate::ReadOnlyEdit(int id, int x, int y, int cx, int cy, bool visible) {
  QLineEdit* e = Edit(id, x, y, cx, cy, visible);
  e->setReadOnly(true);
  return e;
}

QComboBox* DialogTemplate::DropList(int id, int x, int y, int cx, int cy, bool visible) {
  auto* c = new QComboBox(dialog_);
  c->setEditable(false);
  Place(c, id, x, y, cx, cy, visible);
  c->setFixedHeight(std::max(units_.Y(12), c->sizeHint().height()));
  return c;
}

QProgressBar* DialogTemplate::Progress(int id, int x, int y, int cx, int cy, bool visible) {
  auto* p = new QProgressBar(dialog_);
  p->setRange(0, 100);
  p->setValue(0);
  p->setTextVisible(false);
  Place(p, id, x, y, cx, cy, visible);
  return p;
}

QCheckBox* DialogTemplate::CheckBox(int id, int x, int y, int cx, int cy, const QString& caption,
                                   bool visible) {
  auto* c = new QCheckBox(caption, dialog_);
  Place(c, id, x, y, cx, cy, visible);
  return c;
}

QRadioButton* DialogTemplate::Radio(int id, int x, int y, int cx, int cy, const QString& caption,
                                    bool visible) {
  auto* r = new QRadioButton(caption, dialog_);
  r->setAutoExclusive(false);
  Place(r, id, x, y, cx, cy, visible);
  return r;
}

QLabel* DialogTemplate::Picture(int id, int x, int y, int cx, int cy, int bitmapId, bool visible) {
  auto* l = new QLabel(dialog_);
  l->setScaledContents(true);
  if (bitmapId > 0) l->setPixmap(QPixmap(BitmapPath(bitmapId)));
  Place(l, id, x, y, cx, cy, visible);
  return l;
}

} // namespace divuzo
