#pragma once
// Builds a dialog's controls from its template: each control is a direct child of the dialog,
// named by its control id (see PageBase.h), placed from dialog units of the dialog's font.
// Controls are created in template order, so later controls stack above earlier ones (group
// boxes come first and stay behind the controls they frame).
//
// Templates put a group box's first controls a line below its top, where a Windows group box
// has its frame. Qt's styles may draw the title above the frame and need more room: a group
// box then grows by what its style needs beyond that, and everything below its top (inside
// it and under it, and the dialog itself) moves down by as much, so controls sit inside their
// frames under every style.
#include <QSize>
#include <QString>
#include <vector>

#include "app/ui/DialogUnits.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QWidget;

namespace divuzo {

// Text of string-table entry `id`, or this program's wording of a text the product leaves open
// ("" for an id that has neither).
QString TextOf(int id);

// Pixmap of bitmap resource `id` (129-141) or of the icon (128); null when there is none.
QString BitmapPath(int id);

class DialogTemplate {
public:
  // The dialog gets the template's font; `cx`, `cy` is its client size in dialog units.
  DialogTemplate(QWidget* dialog, const QString& fontFamily, int pointSize, int cx, int cy);

  const DialogUnits& Units() const { return units_; }
  QWidget* Dialog() const { return dialog_; }

  // `textId` < 0 leaves the control without text.
  QPushButton* Button(int id, int x, int y, int cx, int cy, int textId = -1, bool visible = true);
  QLabel* Static(int id, int x, int y, int cx, int cy, int textId = -1, bool visible = true);
  QGroupBox* GroupBox(int id, int x, int y, int cx, int cy, int textId = -1, bool visible = true);
  QLineEdit* ReadOnlyEdit(int id, int x, int y, int cx, int cy, bool visible = true);
  QLineEdit* Edit(int id, int x, int y, int cx, int cy, bool visible = true);
  // A drop-down list; `cy` is the height of the open list as in a template, the closed control
  // takes the height of one line.
  QComboBox* DropList(int id, int x, int y, int cx, int cy, bool visible = true);
  QProgressBar* Progress(int id, int x, int y, int cx, int cy, bool visible = true);
  // A check box with a caption of its own (the templates quote these captions).
  QCheckBox* CheckBox(int id, int x, int y, int cx, int cy, const QString& caption, bool visible = true);
  // A radio button with a caption of its own. Radios are not exclusive by themselves (every
  // control shares the dialog as parent): the page puts each group in a QButtonGroup.
  QRadioButton* Radio(int id, int x, int y, int cx, int cy, const QString& caption,
                      bool visible = true);
  // A picture static showing bitmap `bitmapId` (0: none yet).
  QLabel* Picture(int id, int x, int y, int cx, int cy, int bitmapId, bool visible = true);

private:
  void Place(QWidget* control, int id, int x, int y, int cx, int cy, bool visible);
  // Pixels added above template row `y` by the group boxes that begin above it.
  int ExtraAbove(int y) const;

  QWidget* dialog_;
  DialogUnits units_;
  QSize size_;  // the template's size in pixels
  struct Group {
    int top;    // template row of the group box
    int extra;  // pixels its style needs beyond the template
  };
  std::vector<Group> groups_;
};

} // namespace divuzo
