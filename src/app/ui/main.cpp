// divuzovuzov: the desktop program.
//   --demo             start the built-in virtual device and offer its sample image; with
//                      --page logger a track logger, with --page waypoint, tracklog-setting or
//                      gps-status a unit of the block transfer
//   --lang ja|en       show the texts in Japanese or English instead of the locale's language
//   --page NAME        open that page (a name of --list-pages) in a tab of its own
//   --list-pages       print the pages' names and end
//   --screenshot FILE  save a picture of the window to FILE once it is shown, then close; with
//                      --demo on the update page, after walking through Auto Detect, Connect
//                      and Select File
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <string_view>

#include "app/ui/ControlId.h"
#include "app/ui/DemoDevice.h"
#include "app/ui/DialogTemplate.h"
#include "app/ui/PageTable.h"
#include "app/ui/VaduzOdivozu.h"
#include "app/ui/VaduzOdivozuDlg.h"
#include "update/ui/PageDeviceSetting.h"

namespace {

void SaveAndClose(divuzo::VaduzOdivozuDlg& window, const QString& file) {
  if (!window.grab().save(file)) std::fprintf(stderr, "divuzovuzov: could not write %s\n", qPrintable(file));
  window.reject();
}

// Presses the update page's buttons as a user would, then saves the picture.
void WalkThroughAndSave(divuzo::VaduzOdivozuDlg& window, const QString& sampleFolder, const QString& file) {
  using namespace divuzo;
  PageDeviceSetting* page = window.UpdatePage();
  page->OnAutoDetect();
  page->OnConnect();
  auto* status = FindControl<QLabel>(page, 1003);
  auto* clock = new QElapsedTimer;
  clock->start();
  auto* poll = new QTimer(&window);
  QObject::connect(poll, &QTimer::timeout, &window, [=, &window] {
    // The status text comes a moment before identification hands over its results: wait for
    // the end itself, or Select File would compare the image with an unknown model.
    if (page->IsWorking() && clock->elapsed() < 60000) return;
    const bool identified = status->text() == TextOf(311);
    poll->stop();
    delete clock;
    const QStringList images = QDir(sampleFolder).entryList({QStringLiteral("*.bin")}, QDir::Files);
    if (identified && !images.isEmpty()) {
      const QString image = QDir(sampleFolder).filePath(images.first());
      page->chooseImageFile = [image](QWidget*, const QString&) { return image; };
      page->OnSelectFile();
    }
    QTimer::singleShot(300, &window, [&window, file] { SaveAndClose(window, file); });
  });
  poll->start(100);
}

} // namespace

int main(int argc, char** argv) {
  // Answered before there is a window system to connect to.
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--list-pages") {
      for (const divuzo::PageEntry& entry : divuzo::PageTable()) std::printf("%s\n", entry.name);
      return 0;
    }
  }
  divuzo::VaduzOdivozu app(argc, argv);

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Firmware updater for GPS units and loggers"));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                      QStringLiteral("Save a picture of the window to <file> and close."),
                                      QStringLiteral("file"));
  parser.addOption(screenshot);
  const QCommandLineOption demo(QStringLiteral("demo"),
                                QStringLiteral("Start the built-in virtual device and offer its sample image (with --page "
                                               "logger a track logger; with a transfer page a unit of "
                                               "the block transfer)."));
  parser.addOption(demo);
  const QCommandLineOption lang(
      QStringLiteral("lang"),
      QStringLiteral("Show the texts in <language>: ja (Japanese) or en (English). "
                     "Default: Japanese for a Japanese or C locale, else English."),
      QStringLiteral("language"));
  parser.addOption(lang);
  QString names;
  for (const divuzo::PageEntry& page : divuzo::PageTable())
    names += (names.isEmpty() ? "" : ", ") + QString::fromLatin1(page.name);
  const QCommandLineOption page(QStringLiteral("page"),
                                QStringLiteral("Open <name> in a tab of its own: %1.").arg(names),
                                QStringLiteral("name"));
  parser.addOption(page);
  const QCommandLineOption listPages(QStringLiteral("list-pages"),
                                     QStringLiteral("Print the names of the pages and end."));
  parser.addOption(listPages);
  parser.process(app);
  const QString pageName = parser.value(page);
  if (parser.isSet(page) && divuzo::PageSlotByName(pageName.toStdString()) < 0) {
    std::fprintf(stderr, "divuzovuzov: --page takes one of %s, not \"%s\"\n", qPrintable(names),
                 qPrintable(pageName));
    return 2;
  }
  if (parser.isSet(lang)) {
    const auto language = divuzo::ParseLanguage(parser.value(lang).toStdString());
    if (!language) {
      std::fprintf(stderr, "divuzovuzov: --lang takes ja or en, not \"%s\"\n",
                   qPrintable(parser.value(lang)));
      return 2;
    }
    app.UseLanguage(*language);
  }

  // Started before the window, so that the window's port list finds the device.
  divuzo::DemoDevice device;
  if (parser.isSet(demo)) {
    QString error;
    if (device.Start(divuzo::DemoDevice::KindForPage(pageName), &error))
      std::fprintf(stderr, "divuzovuzov: demonstration device on %s (pid %lld)\n",
                   qPrintable(device.PortPath()), static_cast<long long>(device.ProcessId()));
    else
      std::fprintf(stderr, "divuzovuzov: --demo: %s\n", qPrintable(error));
  }

  const QString shotFile = parser.value(screenshot);
  app.beforeRun = [&](divuzo::VaduzOdivozuDlg& window) {
    if (!device.SampleFolder().isEmpty()) window.UpdatePage()->imageStartFolder = device.SampleFolder();
    if (!pageName.isEmpty()) window.OpenPage(pageName.toStdString());
    if (shotFile.isEmpty()) return;
    const bool walk = !device.PortPath().isEmpty() && (pageName.isEmpty() || pageName == "update");
    QTimer::singleShot(1000, &window, [&window, &device, shotFile, walk] {
      if (walk) WalkThroughAndSave(window, device.SampleFolder(), shotFile);
      else SaveAndClose(window, shotFile);
    });
  };
  app.InitInstance();
  device.Stop();
  return 0;
}
