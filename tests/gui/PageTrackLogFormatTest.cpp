// The format conversion page: its initial state, a conversion of a real file on the worker
// thread, the missing-source message and the defaults restore.
#include "StringTable.h"
#include "TempDir.h"
#include "app/UtilityManager.h"
#include "trackdata/TrackPointRecord.h"
#include "trackdata/ui/PageTrackLogFormat.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <cstdlib>

using namespace divuzo;

namespace {

template <typename T>
T* Find(QWidget* page, int id) {
  return page->findChild<T*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

std::string Records(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    const TrackPointRecord r = EncodeRecord(1333361700 + i, 25.0f, 121.5f, 100.0f);
    bytes.append(reinterpret_cast<const char*>(r.bytes.data()), 16);
  }
  return bytes;
}

} // namespace

class PageTrackLogFormatTest : public QObject {
  Q_OBJECT
private slots:
  void initTestCase() {
    // The page takes its first time zone from the computer's: nine hours east here.
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
  }

  void initialState() {
    theUtilityManager.Reset();
    PageTrackLogFormat page;
    QVERIFY(page.isHidden());
    QCOMPARE(page.DialogId(), 136);
    auto* zones = Find<QComboBox>(&page, 1085);
    QVERIFY(zones);
    QCOMPARE(zones->count(), 26);
    QCOMPARE(zones->itemText(0), QStringLiteral("+13"));
    QCOMPARE(zones->itemText(25), QStringLiteral("-12"));
    QCOMPARE(zones->currentText(), QStringLiteral("+9"));
    QCOMPARE(page.TimeZoneOffset(), 9);
    QCOMPARE(theUtilityManager.GetTimeZoneHours(), 9);
    QVERIFY(Find<QCheckBox>(&page, 1153)->isChecked());
    QVERIFY(!Find<QCheckBox>(&page, 1152)->isChecked());
    QVERIFY(page.WantKml() && !page.WantText() && !page.WantNmea() && !page.WantGpx());
    QCOMPARE(Find<QCheckBox>(&page, 1155)->text(), QStringLiteral("GPX(*.gpx)"));
    QVERIFY(Find<QLineEdit>(&page, 1075)->isReadOnly());
    for (int id : {1074, 1065}) QVERIFY(Find<QPushButton>(&page, id));
    for (int id : {1066, 1070, 1071, 1072}) QVERIFY(!Find<QLabel>(&page, id)->text().isEmpty());
  }

  void convertsAllFormatsOnTheWorker() {
    test::TempDir dir;
    test::WriteFileBytes(dir / "day1.trl", Records(3));
    PageTrackLogFormat page;
    page.SetSourcePath(QString::fromStdString((dir / "day1.trl").string()));
    QCOMPARE(Find<QLineEdit>(&page, 1075)->text(), page.SourcePath());
    for (int id : {1152, 1154, 1155}) Find<QCheckBox>(&page, id)->setChecked(true);
    auto* zones = Find<QComboBox>(&page, 1085);
    zones->setCurrentIndex(13);
    emit zones->activated(13);  // as a user's choice does
    QCOMPARE(page.TimeZoneOffset(), 0);

    QSignalSpy finished(&page, &PageTrackLogFormat::conversionFinished);
    Find<QPushButton>(&page, 1065)->click();
    QVERIFY(page.IsConverting());
    // Text 360 as the photo page shows it too.
    QCOMPARE(Find<QLabel>(&page, 1066)->text(), QString::fromStdString(TextOrOwnWording(360)));
    QVERIFY(!Find<QPushButton>(&page, 1065)->isEnabled());
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(Find<QPushButton>(&page, 1065)->isEnabled());
    QCOMPARE(page.CurrentOutputFormat(), OutputFormat::Gpx);

    for (const char* name : {"day1.txt", "day1.kml", "day1NMEA.txt", "day1.gpx"})
      QVERIFY2(std::filesystem::exists(dir / name), name);
    // Offset 0 chosen: the text lines show UTC.
    const std::string text = test::ReadFileBytes(dir / "day1.txt");
    QVERIFY(text.rfind("121.5000000,25.0000000,100.00,Mon Apr 02 10:15:00 2012\r\n", 0) == 0);
  }

  void missingSourceShowsAnErrorAndWritesNothing() {
    PageTrackLogFormat page;
    QString shown;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      shown = box->text();
      QCOMPARE(box->icon(), QMessageBox::Critical);
      box->accept();
    });
    page.OnConvert();
    QVERIFY(!shown.isEmpty());
    QVERIFY(!page.IsConverting());
  }

  void unreadableSourceIsReported() {
    test::TempDir dir;
    test::WriteFileBytes(dir / "tiny.trl", "short");
    PageTrackLogFormat page;
    page.SetSourcePath(QString::fromStdString((dir / "tiny.trl").string()));
    QSignalSpy finished(&page, &PageTrackLogFormat::conversionFinished);
    // Close the error box as soon as it appears.
    QTimer closer;
    connect(&closer, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
    });
    closer.start(20);
    page.OnConvert();
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toBool(), false);
    QVERIFY(Find<QLabel>(&page, 1066)->text().contains(QStringLiteral("too short")));
    QVERIFY(!std::filesystem::exists(dir / "tiny.kml"));
  }

  void defaultsRestore() {
    theUtilityManager.Reset();
    PageTrackLogFormat page;
    for (int id : {1152, 1154, 1155}) Find<QCheckBox>(&page, id)->setChecked(true);
    Find<QCheckBox>(&page, 1153)->setChecked(false);
    page.PageCommand(PAGE_DEFAULT);
    QCOMPARE(Find<QComboBox>(&page, 1085)->currentIndex(), 13);
    QCOMPARE(page.TimeZoneOffset(), 0);
    QVERIFY(page.WantKml() && !page.WantText() && !page.WantNmea() && !page.WantGpx());
    QVERIFY(Find<QCheckBox>(&page, 1153)->isChecked());
    // The shared time zone stays as the page set it at start-up.
    QCOMPARE(theUtilityManager.GetTimeZoneHours(), 9);
  }
};

QTEST_MAIN(PageTrackLogFormatTest)
#include "PageTrackLogFormatTest.moc"
