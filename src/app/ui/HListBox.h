#pragma once
// List box whose horizontal scroll range follows its widest line.
#include <QListWidget>

namespace divuzo {

class HListBox : public QListWidget {
  Q_OBJECT
public:
  explicit HListBox(QWidget* parent = nullptr);

  // Same results as the plain list operations: the new index, the remaining count, or -1.
  int AddString(const QString& text);
  int InsertString(int index, const QString& text);  // index -1 appends
  int DeleteString(int index);
  void ResetContent();

  int WidestLine() const { return widest_; }
  // Width in pixels that the horizontal scroll bar covers.
  int HorizontalExtent() const { return extent_; }
  void SetHorizontalExtent(int extent);

protected:
  void updateGeometries() override;

private:
  int LineWidth(const QString& text) const;
  void NoteLine(const QString& text);

  int widest_ = 0;
  int extent_ = 0;
  bool inUpdate_ = false;
};

} // namespace divuzo
