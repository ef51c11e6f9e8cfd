#pragma once
// About box (dialog 100): program name, notice, supported products and the product version.
#include <QDialog>
#include <cstdint>

namespace divuzo {

class AboutDlg : public QDialog {
  Q_OBJECT
public:
  explicit AboutDlg(QWidget* parent = nullptr);

  // " a.b.c.d" from the two halves of a product version (most and least significant).
  static QString FormatProductVersion(std::uint32_t mostSignificant, std::uint32_t leastSignificant);

private:
  // Reads the program's own version information into static 1181; false when it cannot be read
  // (the static then keeps its template text).
  bool ShowProductVersion();
};

} // namespace divuzo
