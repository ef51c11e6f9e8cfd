// The extended tab control and the list box that follows its widest line.
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QtTest>

#include "app/ui/HListBox.h"
#include "app/ui/TabCtrlEx.h"

using divuzo::CTabCtrlEx;
using divuzo::HListBox;

class TabCtrlExTest : public QObject {
  Q_OBJECT

  static void ClickTab(CTabCtrlEx& tab, int item) {
    QTest::mouseClick(tab.TabBar(), Qt::LeftButton, {}, tab.TabBar()->tabRect(item).center());
  }

private slots:
  void singleTabCannotBeDisabledAndKeepsTheSelection() {
    CTabCtrlEx tab;
    tab.resize(300, 200);
    tab.InsertItem(0, QString());
    tab.Install(&tab);
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    QSignalSpy changes(&tab, &CTabCtrlEx::SelChange);

    QCOMPARE(tab.EnableItem(0, false), false);
    QVERIFY(tab.IsItemEnabled(0));
    QCOMPARE(tab.GetCurSel(), 0);

    QTest::keyClick(tab.TabBar(), Qt::Key_Right);
    QCOMPARE(tab.GetCurSel(), 0);
    QTest::keyClick(tab.TabBar(), Qt::Key_Left);
    QCOMPARE(tab.GetCurSel(), 0);
    ClickTab(tab, 0);
    QCOMPARE(tab.GetCurSel(), 0);
    QVERIFY(tab.IsItemEnabled(0));
    // Out-of-range items are neither enabled nor changeable.
    QCOMPARE(tab.IsItemEnabled(1), false);
    QCOMPARE(tab.EnableItem(1, true), false);
    QCOMPARE(tab.FindNextEnabled(0, true), 0);
  }

  void arrowsAndClicksStepOverADisabledTab() {
    CTabCtrlEx tab;
    tab.resize(400, 200);
    tab.InsertItem(0, QStringLiteral("One"));
    tab.InsertItem(1, QStringLiteral("Two"));
    tab.InsertItem(2, QStringLiteral("Three"));
    tab.Install(&tab);
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    QVERIFY(tab.EnableItem(1, false));
    int position = -1;
    QCOMPARE(tab.IsItemEnabled(1, &position), false);
    QCOMPARE(position, 0);
    QSignalSpy changes(&tab, &CTabCtrlEx::SelChange);

    QCOMPARE(tab.GetCurSel(), 0);
    QTest::keyClick(tab.TabBar(), Qt::Key_Right);
    QCOMPARE(tab.GetCurSel(), 2);
    QTest::keyClick(tab.TabBar(), Qt::Key_Left);
    QCOMPARE(tab.GetCurSel(), 0);
    QTest::keyClick(tab.TabBar(), Qt::Key_Up);  // wraps to the last tab
    QCOMPARE(tab.GetCurSel(), 2);
    QTest::keyClick(tab.TabBar(), Qt::Key_Down);  // and back round to the first
    QCOMPARE(tab.GetCurSel(), 0);
    QCOMPARE(changes.count(), 4);

    ClickTab(tab, 1);
    QCOMPARE(tab.GetCurSel(), 0);
    // A click beside every tab is refused too.
    const QRect last = tab.TabBar()->tabRect(2);
    QTest::mouseClick(tab.TabBar(), Qt::LeftButton, {}, QPoint(last.right() + 2, last.center().y()));
    QCOMPARE(tab.GetCurSel(), 0);
    QCOMPARE(changes.count(), 4);
    ClickTab(tab, 2);
    QCOMPARE(tab.GetCurSel(), 2);
    QCOMPARE(changes.count(), 5);

    // Enabled again, the tab takes clicks.
    QVERIFY(tab.EnableItem(1, true));
    QVERIFY(tab.IsItemEnabled(1));
    ClickTab(tab, 1);
    QCOMPARE(tab.GetCurSel(), 1);
  }

  void disablingTheSelectedTabMovesTheSelectionOn() {
    CTabCtrlEx tab;
    for (int i = 0; i < 3; ++i) tab.InsertItem(i, QString::number(i));
    QSignalSpy changes(&tab, &CTabCtrlEx::SelChange);
    tab.SetCurSel(2);
    QVERIFY(tab.EnableItem(2, false));  // the search wraps round to tab 0
    QCOMPARE(tab.GetCurSel(), 0);
    QCOMPARE(changes.count(), 1);
    QVERIFY(tab.EnableItem(0, false));
    QCOMPARE(tab.GetCurSel(), 1);
    // The last enabled tab stays enabled and selected.
    QCOMPARE(tab.EnableItem(1, false), false);
    QCOMPARE(tab.GetCurSel(), 1);
    QVERIFY(tab.IsItemEnabled(1));
    QCOMPARE(tab.FindNextEnabled(2, true), 1);
    QCOMPARE(tab.FindNextEnabled(0, false), 1);
  }

  void selectionRequestsToDisabledTabs() {
    CTabCtrlEx tab;
    for (int i = 0; i < 5; ++i) tab.InsertItem(i, QString::number(i));
    tab.SetCurSel(1);
    QVERIFY(tab.EnableItem(3, false));
    // A jump over a tab onto a disabled one is refused.
    QCOMPARE(tab.SetCurSel(3), -1);
    QCOMPARE(tab.GetCurSel(), 1);
    // A step to a disabled neighbour goes on to the next enabled tab in that direction.
    tab.SetCurSel(2);
    QCOMPARE(tab.SetCurSel(3), 0);
    QCOMPARE(tab.GetCurSel(), 4);
    QCOMPARE(tab.SetCurSel(3), 0);
    QCOMPARE(tab.GetCurSel(), 2);
    // A wrap from the last tab to a disabled tab 0 goes forward to tab 1.
    QVERIFY(tab.EnableItem(3, true));
    tab.SetCurSel(4);
    QVERIFY(tab.EnableItem(0, false));
    QCOMPARE(tab.SetCurSel(0), 0);
    QCOMPARE(tab.GetCurSel(), 1);
  }

  void disabledLabelIsDrawnDifferently() {
    CTabCtrlEx tab;
    tab.resize(400, 200);
    tab.InsertItem(0, QStringLiteral("First"));
    tab.InsertItem(1, QStringLiteral("Second"));
    tab.Install(&tab);
    const QRect r = tab.TabBar()->tabRect(1);
    const QImage enabled = tab.TabBar()->grab(r).toImage();
    QVERIFY(tab.EnableItem(1, false));
    const QImage disabled = tab.TabBar()->grab(r).toImage();
    QVERIFY(enabled != disabled);
  }

  void listBoxExtentFollowsTheWidestLine() {
    HListBox list;
    list.resize(80, 100);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QCOMPARE(list.AddString(QStringLiteral("short")), 0);
    const int shortWidth = list.HorizontalExtent();
    QVERIFY(shortWidth > 0);
    QCOMPARE(list.AddString(QStringLiteral("a much, much longer line than the list box is wide")), 1);
    const int longWidth = list.HorizontalExtent();
    QVERIFY(longWidth > shortWidth);
    QVERIFY(list.horizontalScrollBar()->maximum() > 0);
    QCOMPARE(list.InsertString(0, QStringLiteral("mid-sized line")), 0);
    QCOMPARE(list.HorizontalExtent(), longWidth);

    // Deleting the widest line shrinks the extent to the widest one left.
    QCOMPARE(list.DeleteString(2), 2);
    QVERIFY(list.HorizontalExtent() < longWidth);
    QVERIFY(list.HorizontalExtent() > shortWidth);
    QCOMPARE(list.DeleteString(5), -1);

    // After a reset the extent stays until the next line is added.
    const int before = list.HorizontalExtent();
    list.ResetContent();
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.HorizontalExtent(), before);
    list.AddString(QStringLiteral("x"));
    QVERIFY(list.HorizontalExtent() < before);
  }
};

QTEST_MAIN(TabCtrlExTest)
#include "TabCtrlExTest.moc"
