// divuzovuzov: the desktop program.
//   --demo             start the built-in virtual device and offer its sample image
//   --screenshot FILE  save a picture of the window to FILE once it is shown, then close
#include <QCommandLineParser>
#include <QPixmap>
#include <QTimer>

#include "app/ui/VaduzOdivozu.h"
#include "app/ui/VaduzOdivozuDlg.h"

int main(int argc, char** argv) {
  divuzo::VaduzOdivozu app(argc, argv);

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Firmware updater for GPS units and loggers"));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                      QStringLiteral("Save a picture of the window to <file> and close."),
                                      QStringLiteral("file"));
  parser.addOption(screenshot);
  parser.process(app);

  const QString shotFile = parser.value(screenshot);
  app.beforeRun = [&](divuzo::VaduzOdivozuDlg& window) {
    if (shotFile.isEmpty()) return;
    QTimer::singleShot(1500, &window, [&window, shotFile] {
      if (!window.grab().save(shotFile)) qWarning("could not write %s", qPrintable(shotFile));
      window.reject();
    });
  };
  app.InitInstance();
  return 0;
}
