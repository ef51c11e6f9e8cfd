// The photo page and the photo setting dialog on the offscreen platform.
#include "trackdata/ui/PageTrackLogPhoto.h"
#include "trackdata/ui/PhotoCSDlg.h"

#include "StringTable.h"
#include "app/UtilityManager.h"
#include "app/ui/StopMessage.h"
#include "trackdata/PhotoTexts.h"
#include "trackdata/TrackPointRecord.h"

#include "TempDir.h"
#include "TestJpeg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <ctime>

using namespace divuzo;

class PhotoPageTest : public QObject {
  Q_OBJECT

private slots:
  void init() {
    theUtilityManager.Reset();
    PhotoCSDlg::ResetFirstOpening();
  }

  void labelsAreTheProgramsJapaneseTexts() {
    PageTrackLogPhoto page;
    QStringList labels;
    for (QLabel* label : page.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
      if (!label->text().isEmpty()) labels << label->text();
    QCOMPARE(labels, (QStringList{QString::fromStdString(LoadText(902)), QString::fromStdString(LoadText(903))}));
    for (const QString& label : labels) QVERIFY2(label.toLatin1() != label.toUtf8(), qPrintable(label));
  }

  void convertShowsLinesAndWritesFiles() {
    test::TempDir dir;
    std::string track;
    for (int i = 0; i < 3; ++i) {
      const auto r = EncodeRecord(1333361700 + 60 * i, 35.0f, 139.0f, 5.0f);
      track.append(reinterpret_cast<const char*>(r.bytes.data()), r.bytes.size());
    }
    test::WriteFileBytes(dir / "t.trl", track);
    std::filesystem::create_directory(dir / "photos");
    test::TestPhoto onTrack;
    onTrack.dateTimeOriginal = "2012:04:02 10:15:40";
    test::WriteFileBytes(dir / "photos" / "a.jpg", test::MakeTestJpeg(onTrack));
    test::TestPhoto late;
    late.dateTimeOriginal = "2012:04:02 11:00:00";
    test::WriteFileBytes(dir / "photos" / "b.jpg", test::MakeTestJpeg(late));
    theUtilityManager.writeGpsInPhoto = 1;

    PageTrackLogPhoto page;  // time zone 0 from the shared state
    page.findChild<QLineEdit*>("1078")->setText(QString::fromStdString((dir / "t.trl").string()));
    page.findChild<QLineEdit*>("1050")->setText(QString::fromStdString((dir / "photos").string()));
    const QString kml = QString::fromStdString((dir / "out.kml").string());
    page.SetSavePathProvider([kml] { return kml; });
    QSignalSpy finished(&page, &PageTrackLogPhoto::ConvertFinished);
    page.findChild<QPushButton*>("1058")->click();
    QVERIFY(!page.findChild<QPushButton*>("1058")->isEnabled());
    // Text 360 as the format conversion page shows it too.
    QCOMPARE(page.findChild<QLabel*>("1059")->text(), QString::fromStdString(TextOrOwnWording(360)));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toBool(), true);

    auto* list = page.findChild<QListWidget*>("1124");
    QCOMPARE(list->count(), 4);  // two photos read, one matched, one not
    QCOMPARE(list->item(0)->text(),
             QString::fromStdString(PhotoText(kPhotoTextReadPrefix) + (dir / "photos" / "a.jpg").string()));
    QCOMPARE(list->item(2)->text(),
             QString::fromStdString(PhotoText(kPhotoTextMatchedPrefix) + (dir / "photos" / "a.jpg").string()));
    QCOMPARE(page.findChild<QLabel*>("1125")->text(),
             QString::fromStdString(PhotoReadSummary(2, 0) + "\n" + PhotoMatchSummary(1, 1)));
    QCOMPARE(page.findChild<QLabel*>("1059")->text(),
             QString::fromStdString(PhotoText(kPhotoTextConverted)));
    QVERIFY(std::filesystem::exists(dir / "out.kml"));
    QVERIFY(std::filesystem::exists(dir / "photos" / "GPS" / "a.jpg"));
    QVERIFY(!std::filesystem::exists(dir / "photos" / "GPS" / "b.jpg"));
    QVERIFY(page.findChild<QPushButton*>("1058")->isEnabled());
  }

  void missingInputsAreReported() {
    PageTrackLogPhoto page;
    QStringList errors;
    SetStopMessageHandler([&errors](const QString& caption, const QString& text) {
      QCOMPARE(caption, QString::fromStdString(LoadText(300)));
      errors << text;
    });
    bool asked = false;
    page.SetSavePathProvider([&asked] {
      asked = true;
      return QString();
    });
    page.ConvertPhotos();
    page.findChild<QLineEdit*>("1078")->setText("x.trl");
    page.ConvertPhotos();
    QCOMPARE(errors, (QStringList{QString::fromStdString(PhotoText(kPhotoTextNoTrackFile)),
                                  QString::fromStdString(PhotoText(kPhotoTextNoPhotoFolder))}));
    QVERIFY(!asked);
    page.findChild<QLineEdit*>("1050")->setText("folder");
    page.ConvertPhotos();  // the save dialog is cancelled: nothing runs
    QVERIFY(asked);
    QVERIFY(!page.IsRunning());
    QCOMPARE(errors.size(), 2);
    SetStopMessageHandler({});
  }

  void settingDialogStoresValues() {
    // First opening in the run: the computer's zone (+9 here); later ones keep the stored one.
    qputenv("TZ", "JST-9");
    tzset();
    theUtilityManager.SetTimeZoneHours(3);
    {
      PhotoCSDlg dialog;
      QCOMPARE(dialog.findChild<QComboBox*>("timeZoneList")->currentText(), QString("+9"));
      QCOMPARE(dialog.findChild<QSpinBox*>("1131")->minimum(), -30);
      QCOMPARE(dialog.findChild<QSpinBox*>("1132")->maximum(), 23);
      QCOMPARE(dialog.findChild<QSpinBox*>("1134")->minimum(), -59);
      dialog.findChild<QSpinBox*>("1132")->setValue(1);
      dialog.findChild<QSpinBox*>("1134")->setValue(-5);
      // A change of a calibration box is stored at once.
      QCOMPARE(theUtilityManager.GetPhotoCalibration(), (std::array<int, 4>{0, 1, 0, -5}));
      dialog.findChild<QCheckBox*>("1187")->setChecked(true);
      dialog.accept();
      QCOMPARE(dialog.CalibrationSeconds(), std::int64_t{3595});
      QCOMPARE(theUtilityManager.GetTimeZoneHours(), 9);
      QCOMPARE(theUtilityManager.writeGpsInPhoto.load(), 1);
      QVERIFY(dialog.findChild<QLabel*>("1184")->text().contains("\n(2) "));
    }
    theUtilityManager.SetTimeZoneHours(-5);
    {
      PhotoCSDlg dialog;
      QCOMPARE(dialog.findChild<QComboBox*>("timeZoneList")->currentText(), QString("-5"));
      QCOMPARE(dialog.findChild<QSpinBox*>("1132")->value(), 1);
      QVERIFY(dialog.findChild<QCheckBox*>("1187")->isChecked());
      dialog.reject();
    }
    qunsetenv("TZ");
    tzset();
  }

  void defaultsRestoreAndThePageTakesTheDialogValues() {
    PageTrackLogPhoto page;
    theUtilityManager.SetTimeZoneHours(7);
    theUtilityManager.SetPhotoCalibration(1, 2, 3, 4);
    page.PageCommand(PAGE_DEFAULT);
    QCOMPARE(theUtilityManager.settingsReset.load(), 1);
    QCOMPARE(theUtilityManager.GetPhotoCalibration(), (std::array<int, 4>{0, 0, 0, 0}));

    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<PhotoCSDlg*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->findChild<QComboBox*>("timeZoneList")->currentText(), QString("0"));
      dialog->findChild<QComboBox*>("timeZoneList")->setCurrentIndex(4);  // "+9"
      dialog->findChild<QSpinBox*>("1131")->setValue(-1);
      dialog->accept();
    });
    page.findChild<QPushButton*>("1095")->click();
    QCOMPARE(theUtilityManager.settingsReset.load(), 0);
    QCOMPARE(page.TimeZoneOffset(), 9);
    QCOMPARE(page.CalibrationSeconds(), std::int64_t{-86400});
  }
};

QTEST_MAIN(PhotoPageTest)
#include "PhotoPageTest.moc"
