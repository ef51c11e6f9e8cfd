#include "app/ui/DialogUnits.h"

#include <QFontMetrics>

namespace divuzo {

#include <cmath>

DialogUnits::DialogUnits(const QString& family, int pointSize)
    : DialogUnits(QFont(family, pointSize)) {}

DialogUnits::DialogUnits(const QFont& font) : font_(font) {
  const QFontMetrics metrics(font_);
  // Average width over the 52 Latin letters.
  const int letters =
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseX_ = letters / 52.0;
  baseY_ = metrics.height();
  if (baseX_ <= 0) baseX_ = 6;
  if (baseY_ <= 0) baseY_ = 13;
}

int DialogUnits::X(int dluX) const { return static_cast<int>(std::lround(dluX * baseX_ / 4.0)); }
int DialogUnits::Y(int dluY) const { return static_cast<int>(std::lround(dluY * baseY_ / 8.0)); }

QRect DialogUnits::ToPixels(int x, int y, int cx, int cy) const {
  return QRect(X(x), Y(y), X(cx), Y(cy));
}

QSize DialogUnits::ToPixels(int cx, int cy) const { return QSize(X(cx), Y(cy)); }

} // namespace divuzo
