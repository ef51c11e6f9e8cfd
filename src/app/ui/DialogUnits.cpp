#include "app/ui/DialogUnits.h"

#include <QFontMetrics>

namespace divuzo {

namespace {
// Rounded a * b / c, as dialog templates are scaled.
int MulDiv(int a, int b, int c) {
  const long long p = static_cast<long long>(a) * b;
  return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}
} // namespace

DialogUnits::DialogUnits(const QString& family, int pointSize)
    : DialogUnits(QFont(family, pointSize)) {}

DialogUnits::DialogUnits(const QFont& font) : font_(font) {
  const QFontMetrics metrics(font_);
  // Average width over the 52 Latin letters, rounded as dialog managers do.
  const int letters =
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseX_ = (letters / 26 + 1) / 2;
  baseY_ = metrics.height();
  if (baseX_ <= 0) baseX_ = 6;
  if (baseY_ <= 0) baseY_ = 13;
}

int DialogUnits::X(int dluX) const { return MulDiv(dluX, baseX_, 4); }
int DialogUnits::Y(int dluY) const { return MulDiv(dluY, baseY_, 8); }

QRect DialogUnits::ToPixels(int x, int y, int cx, int cy) const {
  return QRect(X(x), Y(y), X(cx), Y(cy));
}

QSize DialogUnits::ToPixels(int cx, int cy) const { return QSize(X(cx), Y(cy)); }

} // namespace divuzo
