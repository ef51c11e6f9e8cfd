#pragma once
// Dialog units -> pixels. Dialog layouts are given in dialog units of the dialog's font: one
// horizontal unit is a quarter of the font's average character width, one vertical unit an
// eighth of its height, so a layout scales with its font the way a dialog template does.
// The average width is kept unrounded: fonts that stand in for the template's face are a
// little wider, and rounding it up as well would push a page out of its tab.
#include <QFont>
#include <QRect>

namespace divuzo {

class DialogUnits {
public:
  // Base units of `family` at `pointSize` (e.g. "Arial", 8).
  DialogUnits(const QString& family, int pointSize);
  explicit DialogUnits(const QFont& font);

  const QFont& Font() const { return font_; }
  double BaseX() const { return baseX_; }  // average character width in pixels
  int BaseY() const { return baseY_; }  // character height in pixels

  int X(int dluX) const;  // horizontal length in pixels
  int Y(int dluY) const;  // vertical length in pixels
  QRect ToPixels(int x, int y, int cx, int cy) const;
  QSize ToPixels(int cx, int cy) const;

private:
  QFont font_;
  double baseX_ = 0;
  int baseY_ = 0;
};

} // namespace divuzo
