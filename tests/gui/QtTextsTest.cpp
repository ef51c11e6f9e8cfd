// Qt's own dialogs (the file dialog of Select File, standard buttons) speak the user's
// language like the rest of the window, as the program's application object sets them up.
#include <QDialogButtonBox>
#include <QFile>
#include <QLibraryInfo>
#include <QPushButton>
#include <QtTest>

#include <cstdlib>

#include "app/ui/VaduzOdivozu.h"

class QtTextsTest : public QObject {
  Q_OBJECT

private slots:
  void standardButtonsInJapanese() {
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm")))
      QSKIP("Qt's Japanese translation is not installed");
    QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    QCOMPARE(box.button(QDialogButtonBox::Open)->text(), QStringLiteral("開く"));
  }

  // With the program's texts in English, Qt's own texts are English too, and back.
  void standardButtonsFollowTheChosenLanguage() {
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                       QStringLiteral("/qtbase_ja.qm")))
      QSKIP("Qt's Japanese translation is not installed");
    auto* app = static_cast<divuzo::VaduzOdivozu*>(QCoreApplication::instance());
    app->UseLanguage(divuzo::Language::English);
    {
      QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
      QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
    }
    app->UseLanguage(divuzo::Language::Japanese);
    QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
  }
};

int main(int argc, char** argv) {
  // The user's language comes from the environment, as for any program started from a
  // Japanese desktop session.
  setenv("LC_ALL", "ja_JP.UTF-8", 1);
  divuzo::VaduzOdivozu app(argc, argv);
  QtTextsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "QtTextsTest.moc"
