#pragma once
// Tab control that hosts the main window's pages and can show single tabs as disabled.
// The control draws the tabs and the page frame only; the pages are its children and the main
// window shows and hides them. A disabled tab cannot be selected by a click, the arrow keys
// step over it, and its label is drawn engraved.
#include <QIcon>
#include <QWidget>
#include <vector>

class QTabBar;

namespace divuzo {

class TabBarEx;

class CTabCtrlEx : public QWidget {
  Q_OBJECT
public:
  explicit CTabCtrlEx(QWidget* parent = nullptr);
  ~CTabCtrlEx() override;

  // Attaches the extended behaviour (owner-drawn labels, disabled items) to `tab`; the main
  // window installs it on its own control. `tab` must not be null.
  bool Install(CTabCtrlEx* tab);
  bool IsInstalled() const { return ownerDraw_; }

  int InsertItem(int item, const QString& label);
  int GetItemCount() const;
  int GetCurSel() const;
  // Selection request as the control receives it: a disabled target is replaced by the next
  // enabled tab when the step goes to a neighbour (or wraps around tab 0), otherwise refused.
  // Returns the previous selection, or -1 when nothing was selected.
  int SetCurSel(int item);
  // Rectangle of tab `item` in this control's coordinates (empty when there is no such tab).
  QRect GetItemRect(int item) const;

  bool IsItemEnabled(int item, int* position = nullptr) const;
  bool EnableItem(int item, bool enable);
  int FindNextEnabled(int start, bool forward) const;
  // Makes `item` the selection (through SetCurSel) and tells the parent (SelChange).
  void SelectItem(int item);
  // Asks the page being left whether it may be left. The control never sits on a property
  // sheet here, so every page may be left.
  bool SendKillActive(int page = -1) const;

  // Gives `item` the image of bitmap `bitmapId` (`maskId` -1: the bitmap is its own mask).
  int SetItemImage(int item, int bitmapId, int maskId);
  int SetItemImage(int item, const QIcon& icon);

  QTabBar* TabBar() const;

signals:
  // The selection changed through a click, an arrow key or SelectItem.
  void SelChange();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  friend class TabBarEx;
  void OnKey(int key);
  // A click on the tab bar at `pos`: true when the selection may change to the tab hit.
  bool AllowSelChanging(const QPoint& pos, int* hit) const;
  void LayoutBar();

  TabBarEx* bar_;
  std::vector<int> disabled_;  // indexes of disabled items, unordered, no duplicates
  std::vector<QIcon> images_;  // the control's image list
  bool ownerDraw_ = false;
};

// Gives a dialog the themed tab-page background where the desktop offers one. Qt styles draw
// tab pages themed already, so there is nothing to switch on here.
void EnableThemeTexture(QWidget* window);

} // namespace divuzo
