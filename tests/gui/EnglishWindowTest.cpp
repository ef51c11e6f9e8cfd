// The window in English, as `divuzovuzov --lang en` shows it: no Japanese left anywhere on the
// update page or the main window's own controls, at start-up and through Connect, Select File
// and Execute against the virtual device.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "JapaneseText.h"
#include "UpdatePageDriver.h"
#include "app/ui/VaduzOdivozu.h"
#include "app/ui/TabCtrlEx.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "trackdata/ui/PageTrackLogFormat.h"
#include "trackdata/ui/PhotoCSDlg.h"

using namespace divuzo;
using namespace divuzo::test;

namespace {

// Every text a user can meet on `root` and the widgets inside it, shown or not, as
// "object name: text".
QStringList TextsOf(QWidget* root) {
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  QStringList texts;
  auto add = [&texts](QWidget* w, const QString& text) {
    if (!text.isEmpty()) texts << w->objectName() + QStringLiteral(": ") + text;
  };
  for (QWidget* w : widgets) {
    add(w, w->windowTitle());
    add(w, w->toolTip());
    if (auto* label = qobject_cast<QLabel*>(w)) add(w, label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) add(w, button->text());
    if (auto* group = qobject_cast<QGroupBox*>(w)) add(w, group->title());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) add(w, edit->text() + edit->placeholderText());
    if (auto* bar = qobject_cast<QProgressBar*>(w)) add(w, bar->text());
    if (auto* box = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < box->count(); ++i) add(w, box->itemText(i));
  }
  return texts;
}

// The texts of `root` that hold Japanese, one per line; empty when there is none.
QString JapaneseIn(QWidget* root) {
  QStringList found;
  for (const QString& text : TextsOf(root))
    if (HasJapanese(text.toStdString())) found << text;
  return found.join(QLatin1Char('\n'));
}

}  // namespace

class EnglishWindowTest : public QObject {
  Q_OBJECT

  QStringList messages_;

 private slots:
  void init() {
    theUtilityManager.Reset();
    RecordStopMessages(messages_);
  }
  void cleanup() { SetStopMessageHandler({}); }

  void startUpHasNoJapanese() {
    TempDir empty;
    ScopedEnv env("DIVUZO_VPORT_DIR", empty.path().string());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    PageDeviceSetting* p = w.UpdatePage();
    // The page is filled in (not merely empty), in English.
    QCOMPARE(FindControl<QPushButton>(p, 1002)->text(), QStringLiteral("Connect"));
    QCOMPARE(FindControl<QPushButton>(&w, 1)->text(), QStringLiteral("Close"));
    QVERIFY(TextsOf(p).size() > 15);
    QVERIFY2(JapaneseIn(p).isEmpty(), qPrintable(JapaneseIn(p)));
    // The window's own buttons and title; the hidden pages are not this test's.
    for (int id : {1, 2, 1001, 1002, 1095, 1300}) {
      QWidget* control = w.Control(id);
      QVERIFY2(!HasJapanese(TextsOf(control).join(' ').toStdString()),
               qPrintable(TextsOf(control).join(' ')));
    }
    QVERIFY(!HasJapanese(w.windowTitle().toStdString()));
    // The Pages menu, and the tabs it opens.
    for (QAction* action : w.PagesMenu()->actions())
      QVERIFY2(!HasJapanese(action->text().toStdString()), qPrintable(action->text()));
    w.ShowAllTabs(true);
    for (int i = 0; i < w.TabControl()->GetItemCount(); ++i)
      QVERIFY2(!HasJapanese(w.TabControl()->TabBar()->tabText(i).toStdString()),
               qPrintable(w.TabControl()->TabBar()->tabText(i)));
    w.ShowAllTabs(false);
    // Why the window cannot close.
    w.DeviceWorkStarted();
    w.close();
    QVERIFY(!w.StatusText().isEmpty());
    QVERIFY2(!HasJapanese(w.StatusText().toStdString()), qPrintable(w.StatusText()));
    w.DeviceWorkEnded();
  }

  // The program takes ja and en only.
  void langOptionRefusesOtherLanguages() {
    QProcess program;
    program.start(QStringLiteral(DIVUZO_BINARY_DIR "/bin/divuzovuzov"),
                  {QStringLiteral("--lang"), QStringLiteral("de")});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 2);
    QVERIFY(QString::fromLocal8Bit(program.readAllStandardError())
                .contains(QStringLiteral("--lang takes ja or en")));
  }

  // The window's own labels come from the translation file beside the program: the pages that
  // have such labels speak English too.
  void ownLabelsFromTheTranslationFile() {
    PageTrackLogFormat format;
    QCOMPARE(FindControl<QPushButton>(&format, 1065)->text(), QStringLiteral("Convert"));
    QVERIFY2(JapaneseIn(&format).isEmpty(), qPrintable(JapaneseIn(&format)));
    PhotoCSDlg settings;
    QVERIFY2(JapaneseIn(&settings).isEmpty(), qPrintable(JapaneseIn(&settings)));
  }

  void connectSelectFileAndExecuteInEnglish() {
    if (RealBridgeAttached()) QSKIP("a USB serial bridge is attached");
    DiscoverableVdev vdev(
        {"--model", "ZID310", "--firmware", "123", "--bt-address", "00:1B:C1:02:03:04"});
    QVERIFY(vdev.Started());
    TempDir dir;
    const QString image = MakeImage(dir, QStringLiteral("ZID310_V124_PLM.bin"), "ZID310", "V1.24");
    QVERIFY(!image.isEmpty());
    VaduzOdivozuDlg w;
    QVERIFY(ShowWindow(w));
    PageDeviceSetting* p = w.UpdatePage();

    QTest::mouseClick(FindControl<QPushButton>(p, 1005), Qt::LeftButton);
    QCOMPARE(Shown(p, 1003), QStringLiteral("Ready to connect. Press Connect."));
    QTest::mouseClick(FindControl<QPushButton>(p, 1002), Qt::LeftButton);
    QVERIFY(WaitIdentificationEnd(p));
    QCOMPARE(Shown(p, 1003), QStringLiteral("The device has been read."));
    QVERIFY2(JapaneseIn(p).isEmpty(), qPrintable(JapaneseIn(p)));

    SelectFile(p, image);
    QCOMPARE(Shown(p, 1228),
             QStringLiteral("The update file is a newer version. Go on with the update."));
    QVERIFY2(JapaneseIn(p).isEmpty(), qPrintable(JapaneseIn(p)));

    bool ended = false, succeeded = false;
    p->onUpdateEnded = [&](bool success) { ended = true, succeeded = success; };
    QTest::mouseClick(FindControl<QPushButton>(p, 1224), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(ended, 60000);
    QVERIFY2(succeeded, qPrintable(Shown(p, 1233)));
    QCOMPARE(Shown(p, 1233), QStringLiteral("The update is complete."));
    QVERIFY2(JapaneseIn(p).isEmpty(), qPrintable(JapaneseIn(p)));
    for (const QString& message : messages_)
      QVERIFY2(!HasJapanese(message.toStdString()), qPrintable(message));
    QTRY_VERIFY(w.Control(1)->isEnabled());
  }
};

int main(int argc, char** argv) {
  divuzo::VaduzOdivozu app(argc, argv);  // the locale of the tests is C: Japanese
  app.UseLanguage(divuzo::Language::English);
  EnglishWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "EnglishWindowTest.moc"
